#include "records/StdioTextRecord.h"

#include <utility>

#include "records/SafeFileReplace.h"
#include "records/TextLines.h"

namespace {

// A text with a line break or a zero byte would come back as other lines,
// and one longer than a field would not load at all.
bool IsStorable(const StdioTextRecord& record)
{
    const bool storable = IsFieldText(record.name) && IsFieldText(record.vorname) &&
                          IsFieldText(record.fachbereichCode) && IsFieldText(record.studiengang);
    if (!record.wohnort) return storable;  // street and travel mode are not written
    return storable && IsFieldText(record.strasse) && IsFieldText(record.fahrt);
}

// CR LF written by hand into a binary file: the same bytes on every platform.
bool WriteText(std::FILE* file, const std::string& text) { return std::fprintf(file, "%s\r\n", text.c_str()) >= 0; }

bool WriteNumber(std::FILE* file, int number) { return std::fprintf(file, "%d\r\n", number) >= 0; }

// No number is written as an empty line, which loads back as no number.
bool WriteMatrnr(std::FILE* file, const std::optional<int>& matrnr)
{
    return matrnr ? WriteNumber(file, *matrnr) : WriteText(file, "");
}

}  // namespace

bool WriteStdioTextRecord(std::FILE* file, const StdioTextRecord& record)
{
    bool written = WriteText(file, record.name) && WriteText(file, record.vorname) &&
                   WriteMatrnr(file, record.matrnr) && WriteText(file, record.fachbereichCode) &&
                   WriteText(file, record.studiengang) && WriteNumber(file, record.studiengangIndex) &&
                   WriteNumber(file, record.wohnort ? 1 : 0);
    if (written && record.wohnort)
        written =
            WriteText(file, record.strasse) && WriteText(file, record.fahrt) && WriteNumber(file, record.fahrtIndex);
    return written;
}

SaveResult SaveStdioTextRecordTo(SafeFileReplace& target, const StdioTextRecord& record)
{
    if (!IsStorable(record)) return SaveResult::WriteFailed;
    return target.Replace([&record](const std::string& tempPath) {
        std::FILE* file = std::fopen(tempPath.c_str(), "wb");
        if (!file) return SaveResult::CannotOpen;
        const bool written = WriteStdioTextRecord(file, record);
        const bool closed = std::fclose(file) == 0;
        return written && closed ? SaveResult::Saved : SaveResult::WriteFailed;
    });
}

SaveResult SaveStdioTextRecord(const char* path, const StdioTextRecord& record)
{
    SafeFileReplace target(path);
    return target.CanReplace() ? SaveStdioTextRecordTo(target, record) : SaveResult::CannotOpen;
}

LoadResult ReadStdioTextRecord(std::FILE* file, StdioTextRecord& record)
{
    StdioTextRecord loaded;
    std::string line;
    if (!ReadFieldLine(file, loaded.name) || !ReadFieldLine(file, loaded.vorname) || !ReadTextLine(file, line))
        return LoadResult::Malformed;

    int matrnr = 0;
    switch (ScanNumber(line, matrnr)) {
    case NumberScan::Number: loaded.matrnr = matrnr; break;
    case NumberScan::NoNumber: break;  // the form keeps its number
    case NumberScan::OutOfRange: return LoadResult::Malformed;
    }

    // Line 5, the programme's text, is dropped: its index on line 6 decides.
    int wohnort = 0;
    if (!ReadTextLine(file, loaded.fachbereichCode) || !ReadTextLine(file, line) ||
        !ReadNumberLine(file, loaded.studiengangIndex) || !ReadNumberLine(file, wohnort))
        return LoadResult::Malformed;
    loaded.wohnort = wohnort == 1;

    // Likewise line 9, the travel mode's text, is dropped for its index.
    if (loaded.wohnort &&
        (!ReadFieldLine(file, loaded.strasse) || !ReadTextLine(file, line) || !ReadNumberLine(file, loaded.fahrtIndex)))
        return LoadResult::Malformed;

    record = std::move(loaded);
    return LoadResult::Loaded;
}

LoadResult LoadStdioTextRecord(const char* path, StdioTextRecord& record)
{
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return LoadResult::CannotOpen;
    const LoadResult result = ReadStdioTextRecord(file, record);
    std::fclose(file);
    return result;
}
