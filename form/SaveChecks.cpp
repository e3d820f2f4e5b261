// The checks that every save runs after its own first ones and before it
// writes: the file must be writable where it stands, and the texts must be
// what the file will hold.
#include <cstdio>

#include "form/Korva1Dlg.h"
#include "form/Messages.h"
#include "form/RecordResultMessages.h"
#include "records/SafeFileReplace.h"

namespace {

struct TextField {
    int id;
    const char* label;  // as the form shows it beside the field
};

const TextField kTextFields[] = {
    { IDC_EDIT_NAME, "Name" },
    { IDC_EDIT_VORNAME, "Vorname" },
    { IDC_EDIT_STRASSE, "Straße" },
    { IDC_COMBO_FAHRT, "Fahrt zur Hochschule" },
};

const char* LabelOf(int id)
{
    for (const TextField& field : kTextFields)
        if (field.id == id) return field.label;
    return "";
}

}  // namespace

BOOL CKorva1Dlg::CheckWriteAccess(SafeFileReplace& target)
{
    if (target.CanReplace()) return TRUE;
    ShowSaveResult(SaveResult::CannotOpen);
    return FALSE;
}

// The files hold the members, which are the fields' texts in the ANSI code
// page; where it lacks a character they hold a look-alike or "?". Saving
// that would change a name without a word, so the person sees where it is.
BOOL CKorva1Dlg::CheckTextsStorable(std::initializer_list<int> textFields)
{
    for (int id : textFields) {
        const std::optional<TextSpan> notStorable = CharacterNotInCodePage(id);
        if (!notStorable) continue;
        char message[160];
        std::snprintf(message, sizeof message, kMsgZeichenNichtSpeicherbar, LabelOf(id));
        AfxMessageBox(message, 0, 0);
        CWnd* pField = GetDlgItem(id);
        pField->SetFocus();
        const int end = notStorable->start + notStorable->length;
        if (id == IDC_COMBO_FAHRT) pField->SendMessage(CB_SETEDITSEL, 0, MAKELPARAM(notStorable->start, end));
        else pField->SendMessage(EM_SETSEL, static_cast<WPARAM>(notStorable->start), end);
        return FALSE;
    }
    return TRUE;
}
