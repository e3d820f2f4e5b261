#pragma once
// Drives the real form inside its own modal loop: a test body runs once the
// dialog is shown, and message boxes that the form opens are answered.
#include <functional>
#include <string>
#include <vector>

#include "form/Korva1Dlg.h"

// Opens a fresh form, runs `body` once it is shown, then cancels it unless
// the body ended it. Returns how the form ended.
INT_PTR WithForm(const std::function<void(CKorva1Dlg&)>& body);

struct ShownMessageBox {
    std::string caption;
    std::string text;
};

// Runs `action` and answers each message box it opens with OK.
std::vector<ShownMessageBox> AnswerMessageBoxes(const std::function<void()>& action);
std::vector<std::string> MessageTexts(const std::vector<ShownMessageBox>& boxes);

// A window's text as the program holds it (ANSI bytes), and its class name.
std::string WindowText(HWND hWnd);
std::string ClassName(HWND hWnd);

// The live controls, read and changed as a user would see and change them.
HWND Item(CKorva1Dlg& form, int id);
std::string Text(CKorva1Dlg& form, int id);
void SetText(CKorva1Dlg& form, int id, const std::string& text);
// In UTF-16, as the control holds it: also characters that the ANSI code page lacks.
std::wstring WideText(CKorva1Dlg& form, int id);
void SetWideText(CKorva1Dlg& form, int id, const std::wstring& text);
void Click(CKorva1Dlg& form, int id);  // a mouse click on a button
bool IsChecked(CKorva1Dlg& form, int id);
bool IsEnabled(CKorva1Dlg& form, int id);
std::vector<std::string> ListItems(CKorva1Dlg& form);
int ListSelection(CKorva1Dlg& form);
void SelectListItem(CKorva1Dlg& form, int index);
std::vector<std::string> ComboItems(CKorva1Dlg& form);
int ComboSelection(CKorva1Dlg& form);
void SelectComboItem(CKorva1Dlg& form, int index);

// A fresh empty folder as the current directory while the object lives.
class TempWorkingDir {
public:
    TempWorkingDir();
    ~TempWorkingDir();
    std::string Path(const std::string& name) const;
    std::string ReadFile(const std::string& name) const;
    void WriteFile(const std::string& name, const std::string& bytes) const;
    bool Exists(const std::string& name) const;

private:
    std::string m_dir;
    std::string m_previous;
};
