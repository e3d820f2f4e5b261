#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "records/RecordFileResult.h"
#include "records/SafeFileReplace.h"

// The record as "test2.txt" holds it: one value per line, CR LF line ends,
// 6 lines, or 8 when the student lives in the home town.
struct StreamTextRecord {
    std::string name, vorname;
    int matrnr = 0, fachbereich = 0, studiengangIndex = -1;
    int wohnort =
        0;  // line 6; the form's command saves 0 or 1, lines 7, 8 follow when non-zero; load: 1 iff the number is 1
    std::string strasse;  // line 7
    int fahrtIndex = -1;  // line 8
};

// The last steps of a save, once the target was found replaceable: refuses
// (WriteFailed, nothing touched) a record whose written texts hold a CR, LF
// or zero byte or are longer than kMaxFieldLength, since it could not be read
// back; else replaces the target with the record.
SaveResult SaveStreamTextRecordTo(SafeFileReplace& target, const StreamTextRecord& record);

// Every step: the target's write access first, then the record.
SaveResult SaveStreamTextRecord(const char* path, const StreamTextRecord& record);

// The record is written only on Loaded.
LoadResult LoadStreamTextRecord(const char* path, StreamTextRecord& record);

// The file's lines, without the checks of the save; false on a write error.
bool WriteStreamTextRecord(std::ostream& out, const StreamTextRecord& record);
LoadResult ReadStreamTextRecord(std::istream& in, StreamTextRecord& record);
