#pragma once
// Every field of each record as one comparable, printable tuple, shared by
// the record file tests and the fuzz targets.

#include <tuple>

#include "records/BinaryRecord.h"
#include "records/StdioTextRecord.h"
#include "records/StreamTextRecord.h"

inline auto Fields(const StdioTextRecord& r)
{
    return std::tie(r.name, r.vorname, r.matrnr, r.fachbereichCode, r.studiengang, r.studiengangIndex, r.wohnort,
                    r.strasse, r.fahrt, r.fahrtIndex);
}

inline auto Fields(const StreamTextRecord& r)
{
    return std::tie(r.name, r.vorname, r.matrnr, r.fachbereich, r.studiengangIndex, r.wohnort, r.strasse, r.fahrtIndex);
}

inline auto Fields(const BinaryRecord& r) { return std::tie(r.name, r.vorname, r.matrnr, r.wohnort); }
