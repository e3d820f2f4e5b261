#pragma once
#include <windows.h>

// A modal message box owned by the program's main window, captioned with the
// application title. The form cannot be used while it is open.
int AfxMessageBox(const char* text, UINT nType = MB_OK, UINT nIDHelp = 0);
