#pragma once
// What the user is told when a record file command fails.
#include "records/RecordFileResult.h"

// Shows why a save did not happen; nothing when it did.
void ShowSaveResult(SaveResult result);

// Shows why a load did not happen; TRUE when the record was read.
bool ShowLoadResult(LoadResult result);
