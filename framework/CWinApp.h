#pragma once
// The application: its title, its icon resources and its one run.
#include "core/CString.h"
#include "framework/CWnd.h"

// The standard help command.
#define ID_HELP 0xE146

class CWinApp : public CCmdTarget {
public:
    // Without a name the title is the program file's name without extension.
    explicit CWinApp(const char* pszAppName = nullptr);
    ~CWinApp() override;

    // Called once by AfxWinMain; the program's user interface runs inside it.
    virtual BOOL InitInstance();

    HICON LoadIcon(UINT nIDResource) const;
    // Names the registry key for settings; the program stores none.
    void SetRegistryKey(const char* pszRegistryKey);
    void OnHelp();

    CWnd* m_pMainWnd = nullptr;
    CString m_strAppName;
    CString m_strRegistryKey;

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
// The form hosts no ActiveX controls, so there is no container to prepare.
void AfxEnableControlContainer(void* pOccManager = nullptr);
// The program's main routine: runs the application object's InitInstance.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
