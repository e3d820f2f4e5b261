#pragma once
// Accessible names for controls whose label a screen reader would not find.
// A screen reader names a control without text of its own after a label
// before it in the window order; where the template's order gives the wrong
// label or none, the control is given its name here.
#include <windows.h>

// One control of a dialog and the name a screen reader should say for it.
struct AFX_CONTROL_NAME {
    int nID;
    const wchar_t* pszName;
};

// From now until the control is destroyed, its accessible object is the
// platform's standard one for it under this name; a combo box's edit field
// takes the same name. Once per control. Returns FALSE when the control
// cannot carry it.
BOOL AfxSetAccessibleName(HWND hWnd, const wchar_t* pszName);
