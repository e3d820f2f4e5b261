/* The floor for Korva1's start-up time: the same form from the same
   template, started the same way (common controls registered, icon set,
   record shown, lists filled), written straight against Win32 without the
   framework layer. */
#include <windows.h>

#include <commctrl.h>

#include "res/resource.h"

static const char* const kProgrammes[] = { "Regelungstechnik", "Datenkunde", "Rechnerbau", "Netzwerktechnik" };
static const char* const kTravelModes[] = { "Bahn", "Bus", "Fahrrad", "Motorrad", "PKW", "Zu Fuß" };

static void ShowForm(HWND dialog)
{
    HICON icon = LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, (LPARAM)icon);
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, (LPARAM)icon);

    HWND list = GetDlgItem(dialog, IDC_LIST_STUDIENGANG);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < sizeof kProgrammes / sizeof *kProgrammes; ++i)
        SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)kProgrammes[i]);
    SendDlgItemMessageA(dialog, IDC_SPIN_MATRNR, UDM_SETRANGE32, 1, 31999);

    SetDlgItemTextA(dialog, IDC_EDIT_NAME, "Brenkow");
    SetDlgItemTextA(dialog, IDC_EDIT_VORNAME, "Talmino");
    SetDlgItemTextA(dialog, IDC_EDIT_STRASSE, "");
    SetDlgItemTextA(dialog, IDC_EDIT_MATRNR, "0");
    CheckRadioButton(dialog, IDC_RADIO_AI, IDC_RADIO_W, IDC_RADIO_AI);
    CheckDlgButton(dialog, IDC_CHECK_WOHNORT, BST_UNCHECKED);

    HWND combo = GetDlgItem(dialog, IDC_COMBO_FAHRT);
    for (size_t i = 0; i < sizeof kTravelModes / sizeof *kTravelModes; ++i)
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)kTravelModes[i]);
}

static INT_PTR CALLBACK PlainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    if (message == WM_INITDIALOG) {
        ShowForm(dialog);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)previous;
    (void)commandLine;
    (void)show;
    INITCOMMONCONTROLSEX controls = { sizeof controls, ICC_WIN95_CLASSES };
    InitCommonControlsEx(&controls);
    return (int)DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_KORVA1_DIALOG), NULL, PlainDialogProc, 0);
}
