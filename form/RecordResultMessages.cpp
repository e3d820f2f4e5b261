#include "form/RecordResultMessages.h"

#include "form/Messages.h"
#include "framework/AfxMessageBox.h"

void ShowSaveResult(SaveResult result)
{
    switch (result) {
    case SaveResult::Saved: break;
    case SaveResult::CannotOpen: AfxMessageBox(kMsgOeffnenZumSchreiben, 0, 0); break;
    case SaveResult::WriteFailed: AfxMessageBox(kMsgSchreiben, 0, 0); break;
    }
}

bool ShowLoadResult(LoadResult result)
{
    switch (result) {
    case LoadResult::Loaded: return true;
    case LoadResult::CannotOpen: AfxMessageBox(kMsgOeffnenZumLesen, 0, 0); return false;
    case LoadResult::Malformed: AfxMessageBox(kMsgLesen, 0, 0); return false;
    }
    return false;
}
