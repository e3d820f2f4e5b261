#include "framework/AccessibleName.h"

#include <commctrl.h>
#include <oleacc.h>

#include "framework/NamedAccessible.h"

namespace {

// The control's named object as the answer to WM_GETOBJECT; zero or a
// negative error when there is none, and the request goes on as before.
LRESULT NamedObjectFor(HWND hWnd, WPARAM wParam, const wchar_t* name) noexcept
{
    IAccessible* named = nullptr;
    if (FAILED(AfxCreateNamedAccessible(hWnd, name, &named))) return 0;
    LRESULT answer = ::LresultFromObject(__uuidof(IAccessible), wParam, named);
    named->Release();
    return answer;
}

// A Unicode procedure, so that the control's texts pass through unconverted.
// Its reference data is the name, which the subclass owns. Nothing here throws.
LRESULT CALLBACK NamingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                            DWORD_PTR refData) noexcept
{
    auto name = reinterpret_cast<BSTR>(refData);
    if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        LRESULT answer = NamedObjectFor(hWnd, wParam, name);
        if (answer > 0) return answer;
    } else if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hWnd, NamingProc, id);
        ::SysFreeString(name);
    }
    return ::DefSubclassProc(hWnd, message, wParam, lParam);
}

constexpr UINT_PTR kNamingSubclassId = 0;

}  // namespace

BOOL AfxSetAccessibleName(HWND hWnd, const wchar_t* pszName)
{
    if (!::IsWindow(hWnd) || !pszName) return FALSE;
    BSTR name = ::SysAllocString(pszName);
    if (!name) return FALSE;
    if (!::SetWindowSubclass(hWnd, NamingProc, kNamingSubclassId, reinterpret_cast<DWORD_PTR>(name))) {
        ::SysFreeString(name);
        return FALSE;
    }

    // A combo box's edit field has the focus while a person types there.
    COMBOBOXINFO combo = {};
    combo.cbSize = sizeof combo;
    if (::GetComboBoxInfo(hWnd, &combo) && combo.hwndItem && combo.hwndItem != hWnd)
        return AfxSetAccessibleName(combo.hwndItem, pszName);
    return TRUE;
}
