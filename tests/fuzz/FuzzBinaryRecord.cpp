// Any bytes as "test.bin": a complete record whose names fit the form's
// fields, or a rejection that leaves the record alone, never an allocation
// beyond a field's length; a loaded record written again reads back the same.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "records/BinaryRecord.h"
#include "records/TextLines.h"
#include "tests/records/RecordFields.h"

namespace {

const BinaryRecord untouched = { "untouched", "", 4711, 7 };

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    BinaryRecord record = untouched;
    if (ReadBinaryRecord(in, record) != LoadResult::Loaded) {
        if (Fields(record) != Fields(untouched)) std::abort();
        return 0;
    }
    if (!IsFieldText(record.name) || !IsFieldText(record.vorname)) std::abort();

    std::ostringstream out;
    if (!WriteBinaryRecord(out, record)) std::abort();
    // Written again, the record is the very bytes it was read from.
    const std::string written = out.str();
    if (written != std::string(reinterpret_cast<const char*>(data), std::min(size, written.size()))) std::abort();
    std::istringstream again(written);
    BinaryRecord reloaded;
    if (ReadBinaryRecord(again, reloaded) != LoadResult::Loaded || Fields(reloaded) != Fields(record)) std::abort();
    return 0;
}
