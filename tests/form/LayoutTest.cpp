// The form as the dialog manager built it from the template: every control
// in place, and the keyboard's way through them.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "FormHarness.h"

namespace {

struct ControlSpec {
    int id;
    const char* className;
    const char* caption;
    RECT dialogUnits;  // left, top, width, height
    DWORD style;
};

const ControlSpec kControls[] = {
    { IDC_STATIC, "Static", "Name", { 29, 20, 19, 8 }, 0x50020000 },
    { IDC_STATIC, "Static", "Vorname", { 29, 41, 29, 8 }, 0x50020000 },
    { IDC_STATIC, "Static", "Matrnr.", { 28, 64, 25, 8 }, 0x50020000 },
    { IDC_EDIT_NAME, "Edit", "Brenkow", { 77, 18, 250, 14 }, 0x50810080 },
    { IDC_EDIT_VORNAME, "Edit", "Talmino", { 77, 39, 249, 14 }, 0x50810080 },
    { IDC_EDIT_MATRNR, "Edit", "0", { 77, 62, 82, 14 }, 0x50810080 },
    { IDC_SPIN_MATRNR, "msctls_updown32", "", { 159, 63, 11, 14 }, 0x500000B2 },
    { IDC_STATIC, "Button", "Fachbereich", { 29, 89, 100, 77 }, 0x50000007 },
    // The dialog manager gives the checked radio button a tab stop.
    { IDC_RADIO_AI, "Button", "AI", { 48, 103, 23, 10 }, 0x50020009 | WS_TABSTOP },
    { IDC_RADIO_VW, "Button", "VW", { 48, 122, 27, 10 }, 0x50000009 },
    { IDC_RADIO_W, "Button", "W", { 48, 140, 23, 10 }, 0x50000009 },
    { IDC_STATIC, "Button", "Studieng\xE4nge", { 176, 92, 173, 70 }, 0x50000007 },
    { IDC_LIST_STUDIENGANG, "ListBox", "", { 192, 106, 142, 45 }, 0x50A10103 },
    { IDC_STATIC, "Button", "Adresse / Fahrt", { 25, 185, 162, 89 }, 0x50000007 },
    { IDC_CHECK_WOHNORT, "Button", "Wohnort in QZ", { 38, 201, 65, 10 }, 0x50010003 },
    { IDC_STATIC, "Static", "Stra\xDF" "e", { 38, 218, 22, 8 }, 0x50020000 },
    { IDC_STATIC, "Static", "Fahrt zur Hochschule", { 38, 244, 68, 8 }, 0x50020000 },
    { IDC_EDIT_STRASSE, "Edit", "", { 38, 226, 135, 14 }, 0x58810080 },
    { IDC_COMBO_FAHRT, "ComboBox", "", { 38, 255, 135, 57 }, 0x58210102 },
    { IDC_BUTTON_LADEN1, "Button", "Laden1 Ascii", { 213, 188, 79, 14 }, 0x50010000 },
    { IDC_BUTTON_SPEICHERN1, "Button", "Speichern1 Ascii", { 307, 188, 79, 14 }, 0x50010000 },
    { IDC_BUTTON_LADEN_STREAM, "Button", "Laden Stream Ascii", { 213, 223, 79, 14 }, 0x50010000 },
    { IDC_BUTTON_SPEICHERN_STREAM, "Button", "Speichern Stream Ascii", { 309, 222, 79, 14 }, 0x50010000 },
    { IDC_BUTTON_LADEN_BINAER, "Button", "Laden Stream Bin\xE4r", { 213, 250, 79, 14 }, 0x50010000 },
    { IDC_BUTTON_SPEICHERN_BINAER, "Button", "Speichern Stream Bin\xE4r", { 311, 250, 79, 14 }, 0x50010000 },
};

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string WindowClass(HWND hWnd)
{
    char name[64] = "";
    ::GetClassNameA(hWnd, name, sizeof name);
    return name;
}

std::string WindowCaption(HWND hWnd)
{
    char text[128] = "";
    ::GetWindowTextA(hWnd, text, sizeof text);
    return text;
}

// The control's rectangle in the form's client pixels.
RECT ClientRect(HWND form, HWND control)
{
    RECT rect;
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST(Layout, EveryControlAsTheTemplateGivesIt)
{
    WithForm([](CKorva1Dlg& form) {
        EXPECT_EQ(WindowCaption(form.m_hWnd), "Korva1");
        size_t index = 0;
        for (HWND child = ::GetWindow(form.m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT), ++index) {
            ASSERT_LT(index, std::size(kControls)) << "more controls than the template has";
            const ControlSpec& wanted = kControls[index];
            SCOPED_TRACE(wanted.caption);
            EXPECT_EQ(static_cast<short>(::GetDlgCtrlID(child)), wanted.id);
            EXPECT_EQ(Lower(WindowClass(child)), Lower(wanted.className));
            EXPECT_EQ(WindowCaption(child), wanted.caption);
            // The dialog manager draws a bordered control with a sunken client
            // edge instead, and scroll bars come and go with the content.
            const DWORD adjusted = WS_BORDER | WS_VSCROLL;
            const DWORD style = static_cast<DWORD>(::GetWindowLongA(child, GWL_STYLE));
            EXPECT_EQ(style & ~adjusted, wanted.style & ~adjusted);
            if (wanted.style & WS_BORDER) {
                EXPECT_TRUE(::GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
            }

            // The dialog manager converts position and size each on its own.
            RECT position = { wanted.dialogUnits.left, wanted.dialogUnits.top, 0, 0 };
            RECT size = { 0, 0, wanted.dialogUnits.right, wanted.dialogUnits.bottom };
            ::MapDialogRect(form.m_hWnd, &position);
            ::MapDialogRect(form.m_hWnd, &size);
            RECT actual = ClientRect(form.m_hWnd, child);
            EXPECT_EQ(actual.left, position.left) << "left";
            EXPECT_EQ(actual.top, position.top) << "top";
            // The up-down control takes the system's arrow width, and the combo
            // box sizes its own drop-down list.
            if (wanted.id != IDC_SPIN_MATRNR) {
                EXPECT_EQ(actual.right - actual.left, size.right) << "width";
            }
            if (wanted.id != IDC_COMBO_FAHRT) {
                EXPECT_EQ(actual.bottom - actual.top, size.bottom) << "height";
            }
        }
        EXPECT_EQ(index, std::size(kControls));
    });
}

// The form's size in dialog units, from its template (a DLGTEMPLATEEX:
// version, signature, help ID, extended style, style, item count, x, y, cx, cy).
SIZE TemplateSize()
{
    HINSTANCE module = AfxGetInstanceHandle();
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(IDD_KORVA1_DIALOG), MAKEINTRESOURCEA(5 /* RT_DIALOG */));
    const BYTE* bytes = static_cast<const BYTE*>(::LockResource(::LoadResource(module, found)));
    short size[2];
    std::memcpy(size, bytes + 22, sizeof size);
    return { size[0], size[1] };
}

// The family of the font that a DC really selects for the window's font.
// (GetTextFace gives back "MS Shell Dlg", the name asked for, once it has
// found the font that this name stands for.)
std::string SelectedFontFamily(HWND window)
{
    HDC dc = ::GetDC(window);
    HGDIOBJ previous = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(window, WM_GETFONT, 0, 0)));
    std::vector<char> metrics(::GetOutlineTextMetricsA(dc, 0, nullptr));
    std::string family = "(not an outline font)";
    if (!metrics.empty()) {
        auto* outline = reinterpret_cast<OUTLINETEXTMETRICA*>(metrics.data());
        ::GetOutlineTextMetricsA(dc, static_cast<UINT>(metrics.size()), outline);
        // The name fields hold offsets from the structure's start.
        family = metrics.data() + reinterpret_cast<uintptr_t>(outline->otmpFamilyName);
    }
    ::SelectObject(dc, previous);
    ::ReleaseDC(window, dc);
    return family;
}

TEST(Layout, TheFormIsSetInTahomaAndSizedByItsUnits)
{
    WithForm([](CKorva1Dlg& form) {
        // "MS Shell Dlg" stands for Tahoma.
        EXPECT_EQ(SelectedFontFamily(form.m_hWnd), "Tahoma");

        const SIZE units = TemplateSize();
        RECT wanted = { 0, 0, units.cx, units.cy };
        ::MapDialogRect(form.m_hWnd, &wanted);
        RECT client;
        ::GetClientRect(form.m_hWnd, &client);
        EXPECT_EQ(client.right, wanted.right) << "width";
        EXPECT_EQ(client.bottom, wanted.bottom) << "height";
    });
}

// What Tab visits from the surname edit, as the dialog manager walks it.
std::vector<int> TabWalk(CKorva1Dlg& form)
{
    std::vector<int> ids;
    HWND start = Item(form, IDC_EDIT_NAME);
    HWND control = start;
    do {
        ids.push_back(::GetDlgCtrlID(control));
        control = ::GetNextDlgTabItem(form.m_hWnd, control, FALSE);
    } while (control && control != start && ids.size() < 30);
    return ids;
}

TEST(Layout, TabSkipsTheDisabledAddressUntilResidenceIsChecked)
{
    WithForm([](CKorva1Dlg& form) {
        const std::vector<int> buttons = { IDC_BUTTON_LADEN1, IDC_BUTTON_SPEICHERN1, IDC_BUTTON_LADEN_STREAM,
                                           IDC_BUTTON_SPEICHERN_STREAM, IDC_BUTTON_LADEN_BINAER, IDC_BUTTON_SPEICHERN_BINAER };
        std::vector<int> expected = { IDC_EDIT_NAME, IDC_EDIT_VORNAME, IDC_EDIT_MATRNR, IDC_RADIO_AI,
                                      IDC_LIST_STUDIENGANG, IDC_CHECK_WOHNORT };
        expected.insert(expected.end(), buttons.begin(), buttons.end());
        EXPECT_EQ(TabWalk(form), expected);

        Click(form, IDC_CHECK_WOHNORT);
        expected = { IDC_EDIT_NAME, IDC_EDIT_VORNAME, IDC_EDIT_MATRNR, IDC_RADIO_AI, IDC_LIST_STUDIENGANG,
                     IDC_CHECK_WOHNORT, IDC_EDIT_STRASSE, IDC_COMBO_FAHRT };
        expected.insert(expected.end(), buttons.begin(), buttons.end());
        EXPECT_EQ(TabWalk(form), expected);
    });
}

}  // namespace
