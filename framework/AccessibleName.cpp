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

// The controls of a dialog from an ANSI template are ANSI windows. Wine's
// SetWindowSubclass keeps a window's kind, so the subclass would receive,
// and pass on, every text already converted to the code page: a name set
// with WM_SETTEXT in UTF-16 would lose its "Ş". Setting the control's own
// procedure again through the Unicode call makes it a Unicode window first,
// as Windows' SetWindowSubclass does; its texts then pass through unchanged.
void MakeUnicodeWindow(HWND hWnd)
{
    if (!::IsWindowUnicode(hWnd)) ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, ::GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
}

}  // namespace

BOOL AfxSetAccessibleName(HWND hWnd, const wchar_t* pszName)
{
    if (!::IsWindow(hWnd) || !pszName) return FALSE;
    BSTR name = ::SysAllocString(pszName);
    if (!name) return FALSE;
    MakeUnicodeWindow(hWnd);
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
