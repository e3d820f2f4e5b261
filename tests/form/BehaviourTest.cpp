// The residence box, the up-down range and the window's icon.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "FormHarness.h"

namespace {

TEST(Behaviour, ResidenceBoxSwitchesStreetAndTravelModeAndKeepsTheirContents)
{
    WithForm([](CKorva1Dlg& form) {
        Click(form, IDC_CHECK_WOHNORT);
        EXPECT_TRUE(IsEnabled(form, IDC_EDIT_STRASSE));
        EXPECT_TRUE(IsEnabled(form, IDC_COMBO_FAHRT));
        SetText(form, IDC_EDIT_STRASSE,
                "Hauptstra\xDF"
                "e 5");
        SelectComboItem(form, 5);  // "Zu Fuß"

        Click(form, IDC_CHECK_WOHNORT);
        EXPECT_FALSE(IsChecked(form, IDC_CHECK_WOHNORT));
        EXPECT_FALSE(IsEnabled(form, IDC_EDIT_STRASSE));
        EXPECT_FALSE(IsEnabled(form, IDC_COMBO_FAHRT));
        EXPECT_EQ(form.m_bWohnort, 0);
        EXPECT_EQ(form.m_strStrasse, "Hauptstra\xDF"
                                     "e 5");
        EXPECT_EQ(form.m_strFahrt, "Zu Fu\xDF");
        EXPECT_EQ(Text(form, IDC_EDIT_STRASSE), "Hauptstra\xDF"
                                                "e 5");
        EXPECT_EQ(ComboSelection(form), 5);

        Click(form, IDC_CHECK_WOHNORT);
        EXPECT_EQ(form.m_bWohnort, 1);
        EXPECT_TRUE(IsEnabled(form, IDC_EDIT_STRASSE));
        EXPECT_TRUE(IsEnabled(form, IDC_COMBO_FAHRT));
        EXPECT_EQ(Text(form, IDC_EDIT_STRASSE), "Hauptstra\xDF"
                                                "e 5");
        EXPECT_EQ(Text(form, IDC_COMBO_FAHRT), "Zu Fu\xDF");
        EXPECT_EQ(ComboSelection(form), 5);
    });
}

TEST(Behaviour, UpDownStepsWithinOneTo31999)
{
    WithForm([](CKorva1Dlg& form) {
        int lower = 0, upper = 0;
        ::SendMessageA(Item(form, IDC_SPIN_MATRNR), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
                       reinterpret_cast<LPARAM>(&upper));
        EXPECT_EQ(lower, 1);
        EXPECT_EQ(upper, 31999);
    });
}

TEST(Behaviour, WindowIconsAndDragIconAreTheProgramsIcon)
{
    WithForm([](CKorva1Dlg& form) {
        LRESULT big = form.SendMessage(WM_GETICON, ICON_BIG, 0);
        LRESULT small = form.SendMessage(WM_GETICON, ICON_SMALL, 0);
        LRESULT drag = form.SendMessage(WM_QUERYDRAGICON, 0, 0);
        EXPECT_NE(big, 0);
        EXPECT_EQ(small, big);
        EXPECT_EQ(drag, big);
        ICONINFO info = {};
        ASSERT_TRUE(::GetIconInfo(reinterpret_cast<HICON>(drag), &info)) << "a usable icon";
        EXPECT_TRUE(info.fIcon);
        if (info.hbmMask) ::DeleteObject(info.hbmMask);
        if (info.hbmColor) ::DeleteObject(info.hbmColor);
    });
}

// Counts the erase requests that the minimised form's painting sends to
// itself before it draws the icon.
WNDPROC g_formProc = nullptr;
int g_iconErases = 0;
bool g_eraseHadDC = false;

LRESULT CALLBACK WatchIconErase(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ICONERASEBKGND) {
        ++g_iconErases;
        g_eraseHadDC = wParam != 0;
    }
    return ::CallWindowProcA(g_formProc, hWnd, message, wParam, lParam);
}

TEST(Behaviour, MinimisedFormPaintsItsIconAndRestores)
{
    WithForm([](CKorva1Dlg& form) {
        HWND hWnd = form.m_hWnd;
        g_iconErases = 0;
        g_formProc = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchIconErase)));

        ::ShowWindow(hWnd, SW_MINIMIZE);
        ASSERT_TRUE(::IsIconic(hWnd));
        ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        // The minimised form's client area is empty here, so no paint is due
        // by itself; the paint handler is called as a paint would call it.
        g_iconErases = 0;
        form.SendMessage(WM_PAINT);
        EXPECT_EQ(g_iconErases, 1);
        EXPECT_TRUE(g_eraseHadDC);

        ::ShowWindow(hWnd, SW_RESTORE);
        EXPECT_FALSE(::IsIconic(hWnd));
        g_iconErases = 0;
        ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        form.SendMessage(WM_PAINT);
        EXPECT_EQ(g_iconErases, 0) << "a restored form paints as a dialog";
        EXPECT_TRUE(::IsWindowVisible(hWnd));
        EXPECT_EQ(Text(form, IDC_EDIT_NAME), "Brenkow");

        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_formProc));
    });
}

}  // namespace
