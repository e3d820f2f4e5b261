#include "records/SafeFileReplace.h"

#include <cstdio>
#include <random>

#include "records/DurableFile.h"

std::string RandomTempName(const std::string& target)
{
    static std::mt19937 generator{ std::random_device{}() };
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".~k%06x.tmp", static_cast<unsigned>(generator() & 0xFFFFFF));
    return target + suffix;
}

SaveResult ReplaceFileSafely(const char* path, bool storable, const TempFileWriter& writeTemp,
                             const TempNameSource& nextTempName)
{
    KeptAttributes kept;
    if (!CanReplace(path, kept)) return SaveResult::CannotOpen;
    if (!storable) return SaveResult::WriteFailed;

    // Same folder as the target, so that the final rename stays on one volume.
    std::string tempPath;
    CreateResult created = CreateResult::Taken;
    for (int attempt = 0; attempt < kTempNameAttempts && created == CreateResult::Taken; ++attempt) {
        tempPath = nextTempName(path);
        created = CreateExclusively(tempPath);
    }
    if (created != CreateResult::Created) return SaveResult::CannotOpen;

    const SaveResult written = writeTemp(tempPath);
    if (written == SaveResult::Saved && KeepAttributesAndFlush(tempPath, kept) && ReplaceDurably(tempPath, path))
        return SaveResult::Saved;
    std::remove(tempPath.c_str());
    return written == SaveResult::CannotOpen ? SaveResult::CannotOpen : SaveResult::WriteFailed;
}
