#pragma once
// The file system steps of a save that loses nothing, on the Windows file
// API or natively on POSIX.

#include <optional>
#include <string>

// What a replaced file keeps: its file attributes on Windows, its
// permission bits natively.
using KeptAttributes = std::optional<unsigned long>;

// True when the target can be replaced: it does not exist, or it is a file
// that may be written and that no other process holds without sharing it.
// Sets `kept` to what the replacement must carry over (empty when absent).
bool CanReplace(const char* path, KeptAttributes& kept);

enum class CreateResult { Created, Taken, Failed };

// Creates an empty file under a name that nothing holds yet. Taken when a
// file or folder of that name exists, which is left as it is.
CreateResult CreateExclusively(const std::string& path);

// Gives the written file the kept attributes and forces its data and
// metadata to the disk.
bool KeepAttributesAndFlush(const std::string& path, const KeptAttributes& kept);

// Renames the file over the target, write-through; natively the folder is
// flushed afterwards, so that the new name survives a power loss too.
bool ReplaceDurably(const std::string& from, const char* to);
