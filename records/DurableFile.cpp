#include "records/DurableFile.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

unsigned long ReplacementAttributes(unsigned long old)
{
    using namespace FileAttribute;
    return (old & (kHidden | kSystem | kNotContentIndexed)) | kArchive;
}

#ifdef _WIN32

static_assert(FileAttribute::kHidden == FILE_ATTRIBUTE_HIDDEN && FileAttribute::kSystem == FILE_ATTRIBUTE_SYSTEM &&
              FileAttribute::kArchive == FILE_ATTRIBUTE_ARCHIVE &&
              FileAttribute::kTemporary == FILE_ATTRIBUTE_TEMPORARY &&
              FileAttribute::kOffline == FILE_ATTRIBUTE_OFFLINE &&
              FileAttribute::kNotContentIndexed == FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);

bool CanReplace(const char* path, KeptAttributes& kept)
{
    kept.reset();
    // Writing and deleting, with the sharing that a rename over the file
    // needs: fails on a read-only file, a folder, missing rights, and a file
    // that another process holds without sharing it.
    HANDLE file = CreateFileA(path, GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;  // not there yet: creating the temporary file decides
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    // The attribute too: Wine lets root open a read-only file for writing.
    if (!known || (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) return false;
    kept = ReplacementAttributes(info.dwFileAttributes);
    return true;
}

CreateResult CreateExclusively(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return CreateResult::Created;
    }
    // A folder of the name gives "access denied" rather than "exists".
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES ? CreateResult::Taken : CreateResult::Failed;
}

bool KeepAttributesAndFlush(const std::string& path, const KeptAttributes& kept)
{
    if (kept && !SetFileAttributesA(path.c_str(), *kept)) return false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool flushed = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    return flushed;
}

// Not ReplaceFile: Wine's moves the old file away and deletes it before the
// new one takes its name, and drops the attributes; the attributes are kept
// by KeepAttributesAndFlush instead.
bool ReplaceDurably(const std::string& from, const char* to)
{
    return MoveFileExA(from.c_str(), to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

#else

namespace {

bool SyncPath(const char* path, int flags)
{
    const int descriptor = open(path, flags | O_CLOEXEC);
    if (descriptor < 0) return false;
    const bool synced = fsync(descriptor) == 0;
    return close(descriptor) == 0 && synced;
}

std::string FolderOf(const char* path)
{
    const std::string text(path);
    const std::size_t slash = text.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : text.substr(0, slash);
}

}  // namespace

bool CanReplace(const char* path, KeptAttributes& kept)
{
    kept.reset();
    const int descriptor = open(path, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) return errno == ENOENT;  // not there yet: creating the temporary file decides
    struct stat status;
    const bool known = fstat(descriptor, &status) == 0;
    close(descriptor);
    // The permission bits too: root may open any file for writing.
    if (!known || !S_ISREG(status.st_mode) || (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    kept = status.st_mode & 07777;
    return true;
}

CreateResult CreateExclusively(const std::string& path)
{
    const int descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor >= 0) return close(descriptor) == 0 ? CreateResult::Created : CreateResult::Failed;
    return errno == EEXIST ? CreateResult::Taken : CreateResult::Failed;
}

bool KeepAttributesAndFlush(const std::string& path, const KeptAttributes& kept)
{
    if (kept && chmod(path.c_str(), static_cast<mode_t>(*kept)) != 0) return false;
    return SyncPath(path.c_str(), O_WRONLY);
}

bool ReplaceDurably(const std::string& from, const char* to)
{
    if (rename(from.c_str(), to) != 0) return false;
    // The rename has happened; some file systems cannot flush a folder, which
    // leaves the new name as durable as they make it.
    SyncPath(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY);
    return true;
}

#endif
