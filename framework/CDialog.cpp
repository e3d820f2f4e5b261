#include "framework/CDialog.h"

#include <new>

#include "framework/AfxMessageBox.h"
#include "framework/CWinApp.h"

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal()
{
    HWND parent = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    INT_PTR result = ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), parent,
                                       &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    DetachChildren();
    m_hWnd = nullptr;
    return result;
}

void CDialog::EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

const AFX_CONTROL_NAME* CDialog::GetControlNames() const { return nullptr; }

void CDialog::NameControls()
{
    for (const AFX_CONTROL_NAME* entry = GetControlNames(); entry && entry->pszName; ++entry)
        AfxSetAccessibleName(::GetDlgItem(m_hWnd, entry->nID), entry->pszName);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        ::SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
        reinterpret_cast<CDialog*>(lParam)->m_hWnd = hDlg;
    }
    auto* dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hDlg, DWLP_USER));
    if (!dialog) return FALSE;

    // A handler's failure must not unwind through the system's dialog manager.
    try {
        return dialog->Dispatch(message, wParam);
    } catch (const std::bad_alloc&) {
        AfxMessageBox("Nicht genügend Arbeitsspeicher.");
    } catch (...) {
        AfxMessageBox("Unerwarteter Fehler.");
    }
    return TRUE;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam)
{
    if (message == WM_INITDIALOG) {
        NameControls();
        return OnInitDialog();
    }

    if (message == WM_COMMAND) {
        UINT id = LOWORD(wParam), code = HIWORD(wParam);
        if (OnCmdMsg(id, code)) return TRUE;
        // Commands the form does not handle go on to the application.
        CWinApp* app = AfxGetApp();
        return app && app->OnCmdMsg(id, code);
    }

    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(message, 0, 0);
    if (!entry) return FALSE;
    if (entry->nSig == AfxSig_hv) return reinterpret_cast<INT_PTR>((this->*entry->pfnCursor)());
    (this->*entry->pfn)();
    return TRUE;
}
