// Any bytes as "test2.txt": a complete record whose texts fit the form's
// fields, or a rejection that leaves the record alone; a loaded record
// written again reads back the same.
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "records/StreamTextRecord.h"
#include "records/TextLines.h"
#include "tests/records/RecordFields.h"

namespace {

StreamTextRecord Untouched()
{
    StreamTextRecord record;
    record.name = "untouched";
    record.wohnort = 7;
    return record;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    StreamTextRecord record = Untouched();
    if (ReadStreamTextRecord(in, record) != LoadResult::Loaded) {
        if (Fields(record) != Fields(Untouched())) std::abort();
        return 0;
    }
    if (!IsFieldText(record.name) || !IsFieldText(record.vorname) || !IsFieldText(record.strasse) ||
        (record.wohnort != 0 && record.wohnort != 1))
        std::abort();

    std::ostringstream out;
    if (!WriteStreamTextRecord(out, record)) std::abort();
    std::istringstream again(out.str());
    StreamTextRecord reloaded;
    if (ReadStreamTextRecord(again, reloaded) != LoadResult::Loaded || Fields(reloaded) != Fields(record)) std::abort();
    return 0;
}
