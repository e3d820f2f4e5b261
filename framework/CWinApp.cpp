#include "framework/CWinApp.h"

#include <objbase.h>
#include <string>

namespace {

// The one application object of the process.
CWinApp* g_pApp = nullptr;

CString ModuleTitle()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    name = name.substr(name.find_last_of("\\/") + 1);
    return CString(name.substr(0, name.rfind('.')).c_str());
}

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* pszAppName) : m_strAppName(pszAppName ? CString(pszAppName) : ModuleTitle())
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this) g_pApp = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return ::LoadIconA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(nIDResource));
}

void CWinApp::SetRegistryKey(const char* pszRegistryKey) { m_strRegistryKey = pszRegistryKey; }

// The program ships no help file, so a help request has nothing to open.
void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() { return g_pApp; }

HINSTANCE AfxGetInstanceHandle() { return ::GetModuleHandleA(nullptr); }

void AfxEnableControlContainer(void*) {}

int AfxWinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    // The thread is a single-threaded COM apartment: the controls hand their
    // accessible objects to screen readers through COM.
    HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // InitInstance runs the whole user interface as a modal dialog, so the
    // program is done when it returns: there is no message loop of our own.
    int result = 0;
    try {
        app->InitInstance();
    } catch (...) {
        result = -1;
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
    return result;
}
