#pragma once
// Moving values between a dialog's members and its controls. One exchange
// runs in one direction; a failed binding is reported once, its edit gets the
// focus, and UpdateData then returns FALSE. Nothing here throws on bad input.
// A text that the ANSI code page cannot hold exactly is no failure: the member
// takes its narrow form, and the dialog notes where it differs.
#include <optional>

#include "core/CString.h"
#include "framework/AnsiText.h"
#include "framework/CWnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate;  // TRUE: controls to members
    CWnd* m_pDlgWnd;

    HWND PrepareCtrl(int nIDC) const;

    // Tells the user once per exchange, then focuses the edit and selects its text.
    void FailEdit(int nIDC, const char* message);
    bool Failed() const { return m_bFailed; }

    // Notes for the dialog whether a text control's text converted exactly
    // to its member (see CWnd::CharacterNotInCodePage).
    void NoteConversion(int nIDC, const std::optional<TextSpan>& notInCodePage);

private:
    bool m_bFailed = false;
};

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);
void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value);
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
