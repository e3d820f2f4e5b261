#include "framework/DataExchange.h"

#include <cstdio>
#include <string>

#include "core/ParseInt.h"
#include "framework/AfxMessageBox.h"

namespace {

CString WindowText(HWND hWnd)
{
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(hWnd)) + 1, '\0');
    int length = ::GetWindowTextA(hWnd, &text[0], static_cast<int>(text.size()));
    return CString(text.data(), length);
}

CString ListBoxItemText(HWND hList, int index)
{
    LRESULT length = ::SendMessageA(hList, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) return CString();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied = ::SendMessageA(hList, LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
    return copied == LB_ERR ? CString() : CString(text.data(), static_cast<int>(copied));
}

// Controls to members: the text as the member holds it, and a note of
// whether it says exactly what the control shows.
CString TakeText(CDataExchange* pDX, int nIDC, HWND hCtrl)
{
    pDX->NoteConversion(nIDC, FirstCharacterNotInCodePage(WideWindowText(hCtrl)));
    return WindowText(hCtrl);
}

// Members to controls: a control whose text already reads as the member is
// left alone, so that a character the code page lacks is not replaced by
// its look-alike behind the person's back.
void ShowText(HWND hCtrl, const CString& value)
{
    if (WindowText(hCtrl) == value) return;
    ::SetWindowTextA(hCtrl, value);
}

bool IsRadioButton(HWND hWnd) { return (::SendMessageA(hWnd, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0; }

const char kNotAnInteger[] = "Bitte geben Sie eine ganze Zahl ein.";

}  // namespace

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC) const { return ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC); }

void CDataExchange::FailEdit(int nIDC, const char* message)
{
    if (m_bFailed) return;
    m_bFailed = true;
    AfxMessageBox(message);
    HWND hEdit = PrepareCtrl(nIDC);
    ::SetFocus(hEdit);
    ::SendMessageA(hEdit, EM_SETSEL, 0, -1);
}

void CDataExchange::NoteConversion(int nIDC, const std::optional<TextSpan>& notInCodePage)
{
    if (notInCodePage) m_pDlgWnd->m_charactersNotInCodePage[nIDC] = *notInCodePage;
    else m_pDlgWnd->m_charactersNotInCodePage.erase(nIDC);
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) value = TakeText(pDX, nIDC, hCtrl);
    else ShowText(hCtrl, value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        if (!ParseDecimalInt(WindowText(hCtrl), value)) pDX->FailEdit(nIDC, kNotAnInteger);
    } else {
        char text[16];
        std::snprintf(text, sizeof text, "%d", value);
        ::SetWindowTextA(hCtrl, text);
    }
}

// The group runs from nIDC up to the next control with WS_GROUP; only its
// radio buttons count, in template order.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) value = -1;
    int index = 0;
    do {
        if (IsRadioButton(hCtrl)) {
            if (pDX->m_bSaveAndValidate) {
                if (::SendMessageA(hCtrl, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
            } else {
                ::SendMessageA(hCtrl, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        hCtrl = ::GetWindow(hCtrl, GW_HWNDNEXT);
    } while (hCtrl && !(::GetWindowLongA(hCtrl, GWL_STYLE) & WS_GROUP));
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) value = static_cast<int>(::SendMessageA(hCtrl, BM_GETCHECK, 0, 0));
    else ::SendMessageA(hCtrl, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        value = TakeText(pDX, nIDC, hCtrl);
    } else if (::SendMessageA(hCtrl, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                              reinterpret_cast<LPARAM>(value.GetString())) == CB_ERR) {
        ShowText(hCtrl, value);
    }
}

void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        int index = static_cast<int>(::SendMessageA(hCtrl, LB_GETCURSEL, 0, 0));
        value = index == LB_ERR ? CString() : ListBoxItemText(hCtrl, index);
    } else {
        // No item with that prefix: the selection stays as it is.
        ::SendMessageA(hCtrl, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.GetString()));
    }
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd) return;
    rControl.m_hWnd = pDX->PrepareCtrl(nIDC);
    pDX->m_pDlgWnd->m_boundControls.push_back(&rControl);
}
