#pragma once

#include "records/RecordFileResult.h"

#include <functional>
#include <string>

// Opens the given temporary path for writing, writes the whole file and closes
// it. Returns CannotOpen when the open fails, WriteFailed when a write or the
// close fails, Saved otherwise.
using TempFileWriter = std::function<SaveResult(const std::string& tempPath)>;

// Saves a file so that no failure loses the one that was there: the new
// content goes to a temporary file beside the target, which replaces the
// target only once it is complete. On every failure the target is untouched
// and no temporary file is left behind.
SaveResult ReplaceFileSafely(const char* path, const TempFileWriter& writeTemp);
