// textfit: builds the form from its template (dialog 102, with the program's
// own resources and manifest linked in) in this process, at the prefix's
// dpi, and prints how much room each caption gets and how much it needs:
//
//   dpi DPI
//   client WIDTH HEIGHT                the form's client area in pixels
//   KIND ROOM NEEDED LINES TEXT        a line per caption, TEXT in UTF-8
//
// KIND is label, button, groupbox or box (a check box or radio button).
// ROOM is the width the platform's controls leave for the text in their
// client rectangle: a label all of it, on one line; a push button 3 px on
// each side for its frame and focus rectangle; a group box 15 px for its
// frame; a box its box (12 px at 96 dpi, plus 1), half a "0" and 1 px.
// NEEDED is the text's width (GetTextExtentPoint32) in the control's font;
// LINES how many lines a label's word wrapping makes of it (DrawText with
// DT_CALCRECT | DT_WORDBREAK in the label's width), 1 for the other kinds.
#include <windows.h>

#include <commctrl.h>
#include <cstdio>
#include <string>

#include "res/resource.h"

namespace {

std::string Utf8(const std::wstring& text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<size_t>(size - 1));
    return out;
}

int TextWidth(HDC dc, const std::wstring& text)
{
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void PrintCaption(HWND control, int dpi)
{
    wchar_t buffer[256];
    const std::wstring text(buffer, static_cast<size_t>(::GetWindowTextW(control, buffer, 256)));
    wchar_t className[32];
    ::GetClassNameW(control, className, 32);
    const LONG style = ::GetWindowLongW(control, GWL_STYLE);
    const bool label = ::lstrcmpiW(className, L"Static") == 0;
    if (text.empty() || (!label && ::lstrcmpiW(className, L"Button") != 0)) {
        return;
    }
    RECT client;
    ::GetClientRect(control, &client);
    HDC dc = ::GetDC(control);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
    const char* kind = "label";
    int room = client.right;
    int lines = 1;
    if (label) {
        TEXTMETRICW metrics;
        ::GetTextMetricsW(dc, &metrics);
        RECT wrapped = { 0, 0, room, 0 };
        ::DrawTextW(dc, text.c_str(), -1, &wrapped, DT_CALCRECT | DT_WORDBREAK);
        lines = wrapped.bottom / metrics.tmHeight;
    } else {
        switch (style & BS_TYPEMASK) {
        case BS_GROUPBOX:
            kind = "groupbox";
            room -= 15;
            break;
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON:
            kind = "button";
            room -= 6;
            break;
        default: kind = "box"; room -= 12 * dpi / 96 + 1 + TextWidth(dc, L"0") / 2 + 1;
        }
    }
    std::printf("%s %d %d %d %s\n", kind, room, TextWidth(dc, text), lines, Utf8(text).c_str());
    ::SelectObject(dc, previous);
    ::ReleaseDC(control, dc);
}

INT_PTR CALLBACK KeepDefaults(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

int main()
{
    INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_UPDOWN_CLASS };
    ::InitCommonControlsEx(&controls);
    HWND form = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_KORVA1_DIALOG), nullptr,
                                     KeepDefaults, 0);
    if (!form) {
        std::fprintf(stderr, "textfit: the form was not made (error %lu)\n", ::GetLastError());
        return 1;
    }
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(nullptr, screen);
    RECT client;
    ::GetClientRect(form, &client);
    std::printf("dpi %d\nclient %ld %ld\n", dpi, client.right, client.bottom);
    for (HWND child = ::GetWindow(form, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        PrintCaption(child, dpi);
    }
    ::DestroyWindow(form);
    return 0;
}
