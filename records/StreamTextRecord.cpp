#include "records/StreamTextRecord.h"

#include <fstream>
#include <locale>
#include <utility>

#include "records/SafeFileReplace.h"
#include "records/TextLines.h"

namespace {

// A text with a line break or a zero byte would come back as other lines,
// and one longer than a field would not load at all.
bool IsStorable(const StreamTextRecord& record)
{
    const bool storable = IsFieldText(record.name) && IsFieldText(record.vorname);
    return record.wohnort == 0 ? storable : storable && IsFieldText(record.strasse);
}

}  // namespace

bool WriteStreamTextRecord(std::ostream& out, const StreamTextRecord& record)
{
    // CR LF by hand into a binary stream: the same bytes on every platform.
    out << record.name << "\r\n"
        << record.vorname << "\r\n"
        << record.matrnr << "\r\n"
        << record.fachbereich << "\r\n"
        << record.studiengangIndex << "\r\n"
        << record.wohnort << "\r\n";
    if (record.wohnort != 0) out << record.strasse << "\r\n" << record.fahrtIndex << "\r\n";
    return static_cast<bool>(out);
}

SaveResult SaveStreamTextRecordTo(SafeFileReplace& target, const StreamTextRecord& record)
{
    if (!IsStorable(record)) return SaveResult::WriteFailed;
    return target.Replace([&record](const std::string& tempPath) {
        std::ofstream out(tempPath, std::ios::binary);
        if (!out.is_open()) return SaveResult::CannotOpen;
        out.imbue(std::locale::classic());  // plain digits whatever the global locale
        const bool written = WriteStreamTextRecord(out, record);
        out.close();
        return written && out ? SaveResult::Saved : SaveResult::WriteFailed;
    });
}

SaveResult SaveStreamTextRecord(const char* path, const StreamTextRecord& record)
{
    SafeFileReplace target(path);
    return target.CanReplace() ? SaveStreamTextRecordTo(target, record) : SaveResult::CannotOpen;
}

LoadResult ReadStreamTextRecord(std::istream& in, StreamTextRecord& record)
{
    StreamTextRecord loaded;
    int wohnort = 0;
    if (!ReadFieldLine(in, loaded.name) || !ReadFieldLine(in, loaded.vorname) || !ReadNumberLine(in, loaded.matrnr) ||
        !ReadNumberLine(in, loaded.fachbereich) || !ReadNumberLine(in, loaded.studiengangIndex) ||
        !ReadNumberLine(in, wohnort))
        return LoadResult::Malformed;
    loaded.wohnort = wohnort == 1 ? 1 : 0;

    if (loaded.wohnort == 1 && (!ReadFieldLine(in, loaded.strasse) || !ReadNumberLine(in, loaded.fahrtIndex)))
        return LoadResult::Malformed;

    record = std::move(loaded);
    return LoadResult::Loaded;
}

LoadResult LoadStreamTextRecord(const char* path, StreamTextRecord& record)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return LoadResult::CannotOpen;
    return ReadStreamTextRecord(in, record);
}
