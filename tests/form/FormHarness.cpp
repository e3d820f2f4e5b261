#include "FormHarness.h"

#include <commctrl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <sstream>

namespace {

// State of the one test that runs at a time on this thread.
const std::function<void(CKorva1Dlg&)>* g_body = nullptr;
CKorva1Dlg* g_form = nullptr;

void CALLBACK RunBodyWhenShown(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (!g_form->m_hWnd || !::IsWindowVisible(g_form->m_hWnd)) return;
    ::KillTimer(nullptr, timer);
    (*g_body)(*g_form);
    // Close the form unless the body already ended it (then this message
    // reaches no window).
    ::PostMessageA(g_form->m_hWnd, WM_COMMAND, IDCANCEL, 0);
}

struct BoxWatch {
    std::vector<ShownMessageBox> seen;
    std::set<HWND> answered;
};
BoxWatch* g_watch = nullptr;

BOOL CALLBACK LongestStatic(HWND hChild, LPARAM result)
{
    auto* text = reinterpret_cast<std::string*>(result);
    if (ClassName(hChild) == "Static") {
        std::string candidate = WindowText(hChild);
        if (candidate.size() > text->size()) *text = candidate;
    }
    return TRUE;
}

BOOL CALLBACK AnswerIfMessageBox(HWND hWnd, LPARAM)
{
    if (hWnd == g_form->m_hWnd || ClassName(hWnd) != "#32770" || !::IsWindowVisible(hWnd)) return TRUE;
    if (!g_watch->answered.insert(hWnd).second) return TRUE;
    ShownMessageBox box{ WindowText(hWnd), "" };
    ::EnumChildWindows(hWnd, LongestStatic, reinterpret_cast<LPARAM>(&box.text));
    g_watch->seen.push_back(box);
    ::PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}

// The item texts of a list box or a combo box, by the control's own messages.
std::vector<std::string> ItemTexts(HWND control, UINT getCount, UINT getTextLength, UINT getText)
{
    std::vector<std::string> items;
    int count = static_cast<int>(::SendMessageA(control, getCount, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::string text(static_cast<size_t>(::SendMessageA(control, getTextLength, i, 0)) + 1, '\0');
        text.resize(static_cast<size_t>(::SendMessageA(control, getText, i, reinterpret_cast<LPARAM>(&text[0]))));
        items.push_back(text);
    }
    return items;
}

void CALLBACK PollMessageBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    ::EnumThreadWindows(::GetCurrentThreadId(), AnswerIfMessageBox, 0);
}

}  // namespace

INT_PTR WithForm(const std::function<void(CKorva1Dlg&)>& body)
{
    CKorva1Dlg form;
    AfxGetApp()->m_pMainWnd = &form;
    g_body = &body;
    g_form = &form;
    ::SetTimer(nullptr, 0, 10, RunBodyWhenShown);
    INT_PTR result = form.DoModal();
    AfxGetApp()->m_pMainWnd = nullptr;
    g_form = nullptr;
    return result;
}

std::vector<ShownMessageBox> AnswerMessageBoxes(const std::function<void()>& action)
{
    BoxWatch watch;
    BoxWatch* outer = g_watch;
    g_watch = &watch;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 20, PollMessageBoxes);
    action();
    ::KillTimer(nullptr, timer);
    g_watch = outer;
    return watch.seen;
}

std::vector<std::string> MessageTexts(const std::vector<ShownMessageBox>& boxes)
{
    std::vector<std::string> texts;
    for (const ShownMessageBox& box : boxes) texts.push_back(box.text);
    return texts;
}

std::string WindowText(HWND hWnd)
{
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(hWnd)) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(hWnd, &text[0], static_cast<int>(text.size()))));
    return text;
}

std::string ClassName(HWND hWnd)
{
    char name[64] = "";
    ::GetClassNameA(hWnd, name, sizeof name);
    return name;
}

HWND Item(CKorva1Dlg& form, int id) { return ::GetDlgItem(form.m_hWnd, id); }

std::string Text(CKorva1Dlg& form, int id) { return WindowText(Item(form, id)); }

void SetText(CKorva1Dlg& form, int id, const std::string& text) { ::SetWindowTextA(Item(form, id), text.c_str()); }

std::wstring WideText(CKorva1Dlg& form, int id)
{
    std::wstring text(static_cast<size_t>(::GetWindowTextLengthW(Item(form, id))) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(Item(form, id), &text[0], static_cast<int>(text.size()))));
    return text;
}

void SetWideText(CKorva1Dlg& form, int id, const std::wstring& text)
{
    ::SendMessageW(Item(form, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Click(CKorva1Dlg& form, int id) { ::SendMessageA(Item(form, id), BM_CLICK, 0, 0); }

bool IsChecked(CKorva1Dlg& form, int id) { return ::SendMessageA(Item(form, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

bool IsEnabled(CKorva1Dlg& form, int id) { return ::IsWindowEnabled(Item(form, id)) != FALSE; }

std::vector<std::string> ListItems(CKorva1Dlg& form)
{
    return ItemTexts(Item(form, IDC_LIST_STUDIENGANG), LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

int ListSelection(CKorva1Dlg& form)
{
    return static_cast<int>(::SendMessageA(Item(form, IDC_LIST_STUDIENGANG), LB_GETCURSEL, 0, 0));
}

void SelectListItem(CKorva1Dlg& form, int index)
{
    ::SendMessageA(Item(form, IDC_LIST_STUDIENGANG), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::vector<std::string> ComboItems(CKorva1Dlg& form)
{
    return ItemTexts(Item(form, IDC_COMBO_FAHRT), CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int ComboSelection(CKorva1Dlg& form)
{
    return static_cast<int>(::SendMessageA(Item(form, IDC_COMBO_FAHRT), CB_GETCURSEL, 0, 0));
}

void SelectComboItem(CKorva1Dlg& form, int index)
{
    ::SendMessageA(Item(form, IDC_COMBO_FAHRT), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

TempWorkingDir::TempWorkingDir()
{
    char base[MAX_PATH] = "", dir[MAX_PATH] = "", previous[MAX_PATH] = "";
    ::GetTempPathA(MAX_PATH, base);
    ::GetTempFileNameA(base, "kv", 0, dir);  // makes a unique empty file...
    ::DeleteFileA(dir);                      // ...whose name becomes our folder
    ::CreateDirectoryA(dir, nullptr);
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    m_dir = dir;
    m_previous = previous;
    ::SetCurrentDirectoryA(dir);
}

TempWorkingDir::~TempWorkingDir()
{
    ::SetCurrentDirectoryA(m_previous.c_str());
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((m_dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string path = Path(found.cFileName);
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ::RemoveDirectoryA(path.c_str());
            else ::DeleteFileA(path.c_str());
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(m_dir.c_str());
}

std::string TempWorkingDir::Path(const std::string& name) const { return m_dir + "\\" + name; }

std::string TempWorkingDir::ReadFile(const std::string& name) const
{
    std::ifstream in(Path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void TempWorkingDir::WriteFile(const std::string& name, const std::string& bytes) const
{
    std::ofstream(Path(name), std::ios::binary) << bytes;
}

bool TempWorkingDir::Exists(const std::string& name) const
{
    return ::GetFileAttributesA(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The application object that the form's framework calls expect.
static CWinApp g_testApp;

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX controls = { sizeof(controls), ICC_WIN95_CLASSES };
    ::InitCommonControlsEx(&controls);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
