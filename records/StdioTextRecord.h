#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "records/RecordFileResult.h"
#include "records/SafeFileReplace.h"

// The record as "test.txt" holds it: one value per line, CR LF line ends,
// 7 lines, or 10 when the student lives in the home town.
struct StdioTextRecord {
    std::string name, vorname;
    std::optional<int> matrnr;    // load: empty when line 3 holds no number (the form keeps its value)
    std::string fachbereichCode;  // line 4; save: "AI", "VW" or "W"; load: the line as read (the caller matches codes)
    std::string studiengang;      // line 5 (load reads and drops it: leave empty)
    int studiengangIndex = -1;    // line 6
    bool wohnort = false;         // line 7: 1 / 0 ; load: true iff the number is 1
    std::string strasse, fahrt;   // lines 8, 9 (only when wohnort); load drops line 9 (leave empty)
    int fahrtIndex = -1;          // line 10 (only when wohnort)
};

// The last steps of a save, once the target was found replaceable: refuses
// (WriteFailed, nothing touched) a record whose written texts hold a CR, LF
// or zero byte or are longer than kMaxFieldLength, since it could not be read
// back; else replaces the target with the record.
SaveResult SaveStdioTextRecordTo(SafeFileReplace& target, const StdioTextRecord& record);

// Every step: the target's write access first, then the record.
SaveResult SaveStdioTextRecord(const char* path, const StdioTextRecord& record);

// The record is written only on Loaded.
LoadResult LoadStdioTextRecord(const char* path, StdioTextRecord& record);

// The file's lines, without the checks of the save (no matrnr is written as
// an empty line); false on a write error.
bool WriteStdioTextRecord(std::FILE* file, const StdioTextRecord& record);
LoadResult ReadStdioTextRecord(std::FILE* file, StdioTextRecord& record);
