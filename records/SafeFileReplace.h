#pragma once

#include <functional>
#include <string>

#include "records/DurableFile.h"
#include "records/RecordFileResult.h"

// Opens the given temporary path for writing, writes the whole file and closes
// it. Returns CannotOpen when the open fails, WriteFailed when a write or the
// close fails, Saved otherwise.
using TempFileWriter = std::function<SaveResult(const std::string& tempPath)>;

// Gives the next name to try for the temporary file of a save of `target`.
using TempNameSource = std::function<std::string(const std::string& target)>;

// Beside the target and marked as the program's: "test.txt.~k3f9a2c.tmp",
// with six random hexadecimal digits.
std::string RandomTempName(const std::string& target);

// How many names a save tries before it gives up with CannotOpen.
constexpr int kTempNameAttempts = 64;

// Saves a file so that no failure loses the one that was there, in the steps
// that a save takes one after the other: CanReplace first, so that a file
// that cannot be written is reported as such whatever the values hold; then
// the caller's own checks of the values, each of which may still stop the
// save with nothing touched; then Replace.
class SafeFileReplace {
public:
    explicit SafeFileReplace(std::string path, TempNameSource nextTempName = RandomTempName);

    // True when the target can be replaced: it does not exist, or it is a
    // file that may be written and that no other process holds without
    // sharing it. Nothing is written.
    bool CanReplace();

    // The new content goes to a temporary file created under a name that
    // nothing held, is forced to the disk with the target's attributes, and
    // only then replaces the target. On every failure the target is
    // untouched and the temporary file is removed; no other entry of the
    // folder is ever touched. CannotOpen, with nothing written, unless
    // CanReplace has found the target replaceable.
    SaveResult Replace(const TempFileWriter& writeTemp);

private:
    std::string m_path;
    TempNameSource m_nextTempName;
    KeptAttributes m_kept;
    bool m_replaceable = false;
};

// Both steps, with no checks of the caller's between them.
SaveResult ReplaceFileSafely(const char* path, const TempFileWriter& writeTemp,
                             const TempNameSource& nextTempName = RandomTempName);
