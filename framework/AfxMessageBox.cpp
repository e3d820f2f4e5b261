#include "framework/AfxMessageBox.h"

#include "framework/CWinApp.h"

int AfxMessageBox(const char* text, UINT nType, UINT /*nIDHelp: the program ships no help file*/)
{
    CWinApp* app = AfxGetApp();
    HWND owner = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : ::GetActiveWindow();
    // An OK or OK/Cancel box without an icon of its own is a warning: it gets the exclamation icon.
    if ((nType & MB_ICONMASK) == 0 && (nType & MB_TYPEMASK) <= MB_OKCANCEL) nType |= MB_ICONEXCLAMATION;
    return ::MessageBoxA(owner, text, app ? app->m_strAppName.GetString() : "", nType);
}
