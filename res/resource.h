// Resource IDs shared by the resource script and the program's C++ code.
// Plain numeric defines only, so both windres and the C++ compiler read it.
#ifndef KORVA1_RES_RESOURCE_H
#define KORVA1_RES_RESOURCE_H

#define IDD_KORVA1_DIALOG 102
#define IDR_MAINFRAME 128

#define IDC_EDIT_NAME 1000
#define IDC_EDIT_VORNAME 1001
#define IDC_EDIT_MATRNR 1002
#define IDC_SPIN_MATRNR 1003
#define IDC_RADIO_AI 1004
#define IDC_RADIO_VW 1005
#define IDC_RADIO_W 1006
#define IDC_LIST_STUDIENGANG 1007
#define IDC_CHECK_WOHNORT 1008
#define IDC_EDIT_STRASSE 1009
#define IDC_COMBO_FAHRT 1010
#define IDC_BUTTON_LADEN1 1011
#define IDC_BUTTON_SPEICHERN1 1012
#define IDC_BUTTON_LADEN_STREAM 1013
#define IDC_BUTTON_SPEICHERN_STREAM 1014
#define IDC_BUTTON_LADEN_BINAER 1015
#define IDC_BUTTON_SPEICHERN_BINAER 1016

// Labels and group boxes; the platform headers may already define it.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#endif
