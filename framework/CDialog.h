#pragma once
// A modal dialog from a template in the program's resources, run by the
// system's dialog manager.
#include "framework/AccessibleName.h"
#include "framework/CWnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Runs the dialog until it is ended; -1 when it could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

protected:
    // Shows the members in the controls; TRUE lets the dialog manager focus the first control.
    virtual BOOL OnInitDialog();
    // Enter: ends the dialog with IDOK, but only when the exchange succeeds.
    virtual void OnOK();
    // Escape and the close box.
    virtual void OnCancel();
    // Screen reader names for controls whose label the platform would not
    // find, ended by { 0, nullptr }; the controls get them before
    // OnInitDialog. None by default.
    virtual const AFX_CONTROL_NAME* GetControlNames() const;

    DECLARE_MESSAGE_MAP()

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam);
    void NameControls();

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
};
