#include "form/Korva1Dlg.h"

// What a screen reader says for each field: the words of the label beside it.
// The platform would take the nearest label before the field in the
// template's order, which is the wrong one for the surname, first name and
// street fields, and none for the up-down control, the list and the combo box.
const AFX_CONTROL_NAME* CKorva1Dlg::GetControlNames() const
{
    static const AFX_CONTROL_NAME names[] = {
        { IDC_EDIT_NAME, L"Name" },
        { IDC_EDIT_VORNAME, L"Vorname" },
        { IDC_EDIT_MATRNR, L"Matrnr." },
        { IDC_SPIN_MATRNR, L"Matrnr." },
        { IDC_LIST_STUDIENGANG, L"Studiengänge" },
        { IDC_EDIT_STRASSE, L"Straße" },
        { IDC_COMBO_FAHRT, L"Fahrt zur Hochschule" },
        { 0, nullptr },
    };
    return names;
}
