#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>

#include "records/RecordFileResult.h"
#include "records/SafeFileReplace.h"

// The part of the record that "test.bin" holds: two names, each as a 32-bit
// little-endian byte count and its bytes, then matrnr and wohnort as 32-bit
// little-endian integers; 16 bytes plus the names.
struct BinaryRecord {
    std::string name, vorname;
    std::int32_t matrnr = 0;
    std::int32_t wohnort = 0;
};

// The last steps of a save, once the target was found replaceable: refuses
// (WriteFailed, nothing touched) a name holding a zero byte, CR or LF, or
// longer than kMaxFieldLength, which the load would refuse; else replaces
// the target with the record.
SaveResult SaveBinaryRecordTo(SafeFileReplace& target, const BinaryRecord& record);

// Every step: the target's write access first, then the record.
SaveResult SaveBinaryRecord(const char* path, const BinaryRecord& record);

// The record is written only on Loaded. Bytes after wohnort are ignored.
LoadResult LoadBinaryRecord(const char* path, BinaryRecord& record);

// The file's bytes, without the checks of the save; false on a write error.
bool WriteBinaryRecord(std::ostream& out, const BinaryRecord& record);
LoadResult ReadBinaryRecord(std::istream& in, BinaryRecord& record);
