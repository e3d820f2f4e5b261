#include "app/Korva1App.h"

#include <commctrl.h>

#include "form/Korva1Dlg.h"

BEGIN_MESSAGE_MAP(CKorva1App, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CKorva1App::CKorva1App() : CWinApp(nullptr) {}

// The one application object.
CKorva1App theApp;

BOOL CKorva1App::InitInstance()
{
    // The form's up-down control needs the common control classes registered.
    INITCOMMONCONTROLSEX initCtrls;
    initCtrls.dwSize = sizeof(initCtrls);
    initCtrls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&initCtrls);

    CWinApp::InitInstance();
    AfxEnableControlContainer(nullptr);
    SetRegistryKey("Vom lokalen Anwendungs-Assistenten generierte Anwendungen");

    CKorva1Dlg dlg(nullptr);
    m_pMainWnd = &dlg;
    INT_PTR nResponse = dlg.DoModal();
    (void)nResponse;  // however the form was closed, the program ends

    // The form has closed: end the program instead of starting a message loop.
    return FALSE;
}
