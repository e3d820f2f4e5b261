// Any bytes as "test.txt": a complete record whose texts fit the form's
// fields, or a rejection that leaves the record alone; a loaded record
// written again reads back the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "records/StdioTextRecord.h"
#include "records/TextLines.h"
#include "tests/records/RecordFields.h"

namespace {

StdioTextRecord Untouched()
{
    StdioTextRecord record;
    record.name = "untouched";
    record.matrnr = 4711;
    record.fahrt = "Bus";
    return record;
}

LoadResult Read(const void* bytes, std::size_t size, StdioTextRecord& record)
{
    std::FILE* file = fmemopen(const_cast<void*>(bytes), size, "rb");
    if (!file) std::abort();
    const LoadResult result = ReadStdioTextRecord(file, record);
    std::fclose(file);
    return result;
}

void CheckRoundTrip(const StdioTextRecord& record)
{
    char* bytes = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&bytes, &size);
    if (!file || !WriteStdioTextRecord(file, record) || std::fclose(file) != 0) std::abort();
    StdioTextRecord again;
    if (Read(bytes, size, again) != LoadResult::Loaded || Fields(again) != Fields(record)) std::abort();
    std::free(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) return 0;  // fmemopen wants a buffer
    StdioTextRecord record = Untouched();
    if (Read(data, size, record) != LoadResult::Loaded) {
        if (Fields(record) != Fields(Untouched())) std::abort();
        return 0;
    }
    if (!IsFieldText(record.name) || !IsFieldText(record.vorname) || !IsFieldText(record.strasse)) std::abort();
    // The faculty line comes as read; a save would refuse it when it is not one line.
    if (IsFieldText(record.fachbereichCode)) CheckRoundTrip(record);
    return 0;
}
