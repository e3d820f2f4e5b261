#pragma once

// Outcome of saving a record file. CannotOpen: the file cannot be written
// where it stands. WriteFailed: writing, closing or replacing failed part-way,
// or a value cannot be stored in the file's layout. In both failure cases the
// file that was there is left exactly as it was.
enum class SaveResult { Saved, CannotOpen, WriteFailed };

// Outcome of loading a record file. Malformed: the file is truncated, garbled
// or holds a value the form cannot take; nothing of it is used.
enum class LoadResult { Loaded, CannotOpen, Malformed };
