#include "records/SafeFileReplace.h"

#include <cstdio>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace {

// A rename replaces even a read-only file, so such a target, and a folder of
// the target's name, are refused before anything is written.
bool CanWriteWhereItStands(const char* path)
{
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;  // not there yet; opening the temporary file decides
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
#else
    struct stat status;
    if (stat(path, &status) != 0)
        return true;  // not there yet; opening the temporary file decides
    // The permission bits, not access(): root passes access() for any file.
    return !S_ISDIR(status.st_mode) && (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
#endif
}

bool ReplaceTarget(const std::string& tempPath, const char* path)
{
#ifdef _WIN32
    return MoveFileExA(tempPath.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(tempPath.c_str(), path) == 0;
#endif
}

}  // namespace

SaveResult ReplaceFileSafely(const char* path, const TempFileWriter& writeTemp)
{
    if (!CanWriteWhereItStands(path))
        return SaveResult::CannotOpen;

    // Same folder as the target, so that the final rename stays on one volume.
    const std::string tempPath = std::string(path) + ".tmp";
    const SaveResult written = writeTemp(tempPath);
    if (written == SaveResult::CannotOpen)
        return SaveResult::CannotOpen;  // the writer created nothing
    if (written != SaveResult::Saved || !ReplaceTarget(tempPath, path)) {
        std::remove(tempPath.c_str());
        return SaveResult::WriteFailed;
    }
    return SaveResult::Saved;
}
