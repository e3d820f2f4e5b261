#pragma once
// A control's standard accessible object under a name of our choosing.
//
// Interface ids are written __uuidof(IAccessible): mingw's import library of
// oleacc.dll links IID_IAccessible to a code stub, not to the id.
#include <windows.h>

#include <oleacc.h>

// Makes the platform's standard client object of hWnd, whose name for the
// control itself is pszName; everything else about it, the names of a list's
// or combo box's items included, is the standard object's. On success the
// caller owns the one reference in *ppAccessible.
HRESULT AfxCreateNamedAccessible(HWND hWnd, const wchar_t* pszName, IAccessible** ppAccessible) noexcept;
