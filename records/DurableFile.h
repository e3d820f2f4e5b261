#pragma once
// The file system steps of a save that loses nothing, on the Windows file
// API or natively on POSIX.

#include <optional>
#include <string>

// What a save's new file takes from the old one: its file attributes as
// ReplacementAttributes gives them on Windows, its permission bits natively.
using KeptAttributes = std::optional<unsigned long>;

// Windows file attributes, with the values of FILE_ATTRIBUTE_*, so that the
// arithmetic on them builds and is tested on every platform.
namespace FileAttribute {
constexpr unsigned long kHidden = 0x2;
constexpr unsigned long kSystem = 0x4;
constexpr unsigned long kArchive = 0x20;
constexpr unsigned long kTemporary = 0x100;
constexpr unsigned long kOffline = 0x1000;
constexpr unsigned long kNotContentIndexed = 0x2000;
}  // namespace FileAttribute

// The attributes of new content that replaces a file with the `old` ones.
// Hidden, system and not-content-indexed are the owner's choice and stay.
// Archive is set whatever the old file had: the content changed, and
// backups that go by the bit must copy it again. Temporary and offline said
// something about the old content only; read-only is never kept, as such a
// target is refused.
unsigned long ReplacementAttributes(unsigned long old);

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
