// The form as the dialog manager built it from the template: every control
// in place, and the keyboard's way through them.
#include <cctype>
#include <cstring>
#include <gtest/gtest.h>

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
#define CONTROL_SPEC(id, className, caption, x, y, width, height, style) \
    { id, className, caption, { x, y, width, height }, style },
#include "DialogLayout.def"
#undef CONTROL_SPEC
};

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
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
        EXPECT_EQ(WindowText(form.m_hWnd), "Korva1");
        // The template's edits are empty; the form shows its record in them.
        EXPECT_EQ(Text(form, IDC_EDIT_NAME), "Brenkow");
        EXPECT_EQ(Text(form, IDC_EDIT_VORNAME), "Talmino");
        EXPECT_EQ(Text(form, IDC_EDIT_MATRNR), "0");
        EXPECT_EQ(Text(form, IDC_EDIT_STRASSE), "");
        size_t index = 0;
        for (HWND child = ::GetWindow(form.m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT), ++index) {
            ASSERT_LT(index, std::size(kControls)) << "more controls than the template has";
            const ControlSpec& wanted = kControls[index];
            SCOPED_TRACE(wanted.caption);
            EXPECT_EQ(static_cast<short>(::GetDlgCtrlID(child)), wanted.id);
            EXPECT_EQ(Lower(ClassName(child)), Lower(wanted.className));
            if (Lower(wanted.className) != "edit") {
                EXPECT_EQ(WindowText(child), wanted.caption);
            }
            // The dialog manager draws a bordered control with a sunken client
            // edge instead, scroll bars come and go with the content, and the
            // checked radio button gets a tab stop.
            const DWORD adjusted = WS_BORDER | WS_VSCROLL;
            const DWORD style = static_cast<DWORD>(::GetWindowLongA(child, GWL_STYLE));
            const bool checkedRadio = (wanted.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON && IsChecked(form, wanted.id);
            const DWORD wantedStyle = wanted.style | (checkedRadio ? WS_TABSTOP : 0);
            EXPECT_EQ(style & ~adjusted, wantedStyle & ~adjusted);
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
        const std::vector<int> buttons = { IDC_BUTTON_LADEN1,       IDC_BUTTON_SPEICHERN1,
                                           IDC_BUTTON_LADEN_STREAM, IDC_BUTTON_SPEICHERN_STREAM,
                                           IDC_BUTTON_LADEN_BINAER, IDC_BUTTON_SPEICHERN_BINAER };
        std::vector<int> expected = { IDC_EDIT_NAME, IDC_EDIT_VORNAME,     IDC_EDIT_MATRNR,
                                      IDC_RADIO_AI,  IDC_LIST_STUDIENGANG, IDC_CHECK_WOHNORT };
        expected.insert(expected.end(), buttons.begin(), buttons.end());
        EXPECT_EQ(TabWalk(form), expected);

        Click(form, IDC_CHECK_WOHNORT);
        expected = { IDC_EDIT_NAME,        IDC_EDIT_VORNAME,  IDC_EDIT_MATRNR,  IDC_RADIO_AI,
                     IDC_LIST_STUDIENGANG, IDC_CHECK_WOHNORT, IDC_EDIT_STRASSE, IDC_COMBO_FAHRT };
        expected.insert(expected.end(), buttons.begin(), buttons.end());
        EXPECT_EQ(TabWalk(form), expected);
    });
}

}  // namespace
