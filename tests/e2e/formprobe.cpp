// formprobe: reads the state of a running Korva1 form from outside its
// process and prints it as one JSON object, for the end-to-end tests.
//
//   formprobe.exe                      the state now
//   formprobe.exe --wait-form N        first waits up to N seconds for the form
//   formprobe.exe --wait-messagebox N  first waits up to N seconds for a message box
//   formprobe.exe --serve              one state per line read from stdin
//   formprobe.exe --accessible         what a screen reader hears instead (below)
//
// The form is the one unowned dialog captioned "Korva1". The object holds:
//   acp            the ANSI code page that the texts were decoded with,
//                  also while there is no form
//   form           visible, enabled, rect (screen), xid (its X window) and
//                  close_button (the centre of the caption's close button);
//                  null while there is no form
//   controls       by ID 1000 to 1016: class, text, enabled, visible, rect,
//                  and for buttons checked (0, 1)
//   list           items, selection, item_rects of the programme list
//   combo          items, selection, text, dropped, drop_item_rects of the
//                  travel-mode combo box
//   focus          ID of the form's control that has the keyboard focus, or null
//   message_boxes  the form's open message boxes: caption, text, buttons
//   active         "form", "message_box", "other" or null: the form thread's
//                  active window
//
// Every text is read from the live controls with the window messages that
// the platform passes between processes (WM_GETTEXT, LB_GETTEXT,
// CB_GETLBTEXT). The program's narrow texts are decoded by the platform with
// its ANSI code page: with 1252 they are the program's Windows-1252 bytes.
// The exit code of a wait is 0 when the awaited window appeared, else 1.
//
// --accessible asks each control for its accessible object as a screen reader
// does (AccessibleObjectFromWindow) and prints, by ID 1000 to 1016 and for
// the combo box's edit field ("combo_edit"): name, role, and standard_role,
// the role of the platform's standard object made here for the same window.
// A name or role that is not told is null.
#include <windows.h>

#include <commctrl.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <oleacc.h>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

constexpr UINT kTimeoutMs = 2000;
constexpr char kFormTitle[] = "Korva1";

// --- JSON ------------------------------------------------------------------

std::string JsonString(const std::wstring& text)
{
    std::string out = "\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(c));
            out += esc;
        }
    }
    return out + "\"";
}

std::string JsonString(const char* ascii) { return JsonString(std::wstring(ascii, ascii + std::strlen(ascii))); }

std::string JsonBool(bool b) { return b ? "true" : "false"; }

std::string JsonRect(const RECT& r)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "[%ld, %ld, %ld, %ld]", r.left, r.top, r.right, r.bottom);
    return buf;
}

std::string JsonStrings(const std::vector<std::wstring>& items)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonString(items[i]);
    return out + "]";
}

// --- Reading another process's windows ---------------------------------------

LRESULT Send(HWND hwnd, UINT msg, WPARAM w, LPARAM l)
{
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(hwnd, msg, w, l, SMTO_ABORTIFHUNG, kTimeoutMs, &result)) return -1;
    return static_cast<LRESULT>(result);
}

// Texts are read as UTF-16: the platform converts the program's narrow texts
// with the ANSI code page, which the output names. (The narrow item messages
// come back as UTF-16 anyway when the list lives in another process.)
// Short texts take one message; longer ones ask for their length first.
std::wstring WindowText(HWND hwnd)
{
    std::vector<wchar_t> buf(256, L'\0');
    LRESULT got = Send(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
    if (got >= static_cast<LRESULT>(buf.size()) - 1) {
        buf.assign(static_cast<size_t>(Send(hwnd, WM_GETTEXTLENGTH, 0, 0)) + 16, L'\0');
        got = Send(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
    }
    if (got <= 0) return L"";
    return std::wstring(buf.data(), ::wcsnlen(buf.data(), buf.size()));
}

std::wstring ItemText(HWND hwnd, UINT lenMsg, UINT textMsg, WPARAM index)
{
    LRESULT len = Send(hwnd, lenMsg, index, 0);
    if (len < 0) return L"";
    std::vector<wchar_t> buf(static_cast<size_t>(len) + 16, L'\0');
    Send(hwnd, textMsg, index, reinterpret_cast<LPARAM>(buf.data()));
    return std::wstring(buf.data(), ::wcsnlen(buf.data(), buf.size()));
}

std::vector<std::wstring> Items(HWND hwnd, UINT countMsg, UINT lenMsg, UINT textMsg)
{
    std::vector<std::wstring> items;
    LRESULT count = Send(hwnd, countMsg, 0, 0);
    for (LRESULT i = 0; i < count; ++i) items.push_back(ItemText(hwnd, lenMsg, textMsg, i));
    return items;
}

std::string ClassName(HWND hwnd)
{
    char name[64] = "";
    ::GetClassNameA(hwnd, name, sizeof name);
    return name;
}

// The X window that the platform shows this window in; tests give it the
// keyboard focus through X. Zero where the platform does not tell.
unsigned long XWindow(HWND hwnd)
{
    return static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(::GetPropA(hwnd, "__wine_x11_whole_window")));
}

// --- Finding the form and its message boxes ----------------------------------

struct TopLevels {
    std::vector<HWND> forms;    // unowned dialogs captioned "Korva1"
    std::vector<HWND> dialogs;  // every visible owned dialog
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM param)
{
    auto* found = reinterpret_cast<TopLevels*>(param);
    if (ClassName(hwnd) != "#32770") return TRUE;
    HWND owner = ::GetWindow(hwnd, GW_OWNER);
    if (!owner) {
        char title[64] = "";
        ::GetWindowTextA(hwnd, title, sizeof title);
        if (std::strcmp(title, kFormTitle) == 0) found->forms.push_back(hwnd);
    } else if (::IsWindowVisible(hwnd)) {
        found->dialogs.push_back(hwnd);
    }
    return TRUE;
}

TopLevels FindTopLevels()
{
    TopLevels found;
    ::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> MessageBoxesOf(HWND form, const TopLevels& all)
{
    std::vector<HWND> boxes;
    for (HWND dialog : all.dialogs)
        if (::GetWindow(dialog, GW_OWNER) == form) boxes.push_back(dialog);
    return boxes;
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> children;
    for (HWND c = ::GetWindow(parent, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
    return children;
}

// The child of `top` that holds `hwnd` (a combo box for its edit field).
HWND ChildOf(HWND top, HWND hwnd)
{
    while (hwnd && ::GetParent(hwnd) != top) hwnd = ::GetParent(hwnd);
    return hwnd;
}

// --- The caption's close button -------------------------------------------------

bool IsCloseButton(HWND form, POINT p) { return Send(form, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)) == HTCLOSE; }

// The centre of the close button that the platform draws in the caption; the
// guess from the system metrics is checked by hit testing, else searched.
bool CloseButtonCentre(HWND form, POINT* centre)
{
    RECT w;
    if (!::GetWindowRect(form, &w)) return false;
    int frameX = ::GetSystemMetrics(SM_CXDLGFRAME), frameY = ::GetSystemMetrics(SM_CYDLGFRAME);
    int cx = ::GetSystemMetrics(SM_CXSIZE), cy = ::GetSystemMetrics(SM_CYSIZE);
    POINT guess = { w.right - frameX - 2 - cx / 2, w.top + frameY + cy / 2 };
    if (IsCloseButton(form, guess)) {
        *centre = guess;
        return true;
    }
    long sumX = 0, sumY = 0, hits = 0;
    for (int y = w.top; y < w.top + 2 * cy + frameY; y += 2)
        for (int x = w.right - 1; x > w.right - 3 * cx; x -= 2)
            if (IsCloseButton(form, POINT{ x, y })) sumX += x, sumY += y, ++hits;
    if (!hits) return false;
    *centre = POINT{ static_cast<LONG>(sumX / hits), static_cast<LONG>(sumY / hits) };
    return true;
}

// --- The state as JSON -----------------------------------------------------------

std::string ControlJson(HWND control)
{
    std::string cls = ClassName(control);
    RECT r;
    ::GetWindowRect(control, &r);
    std::string out = "{\"class\": " + JsonString(cls.c_str()) + ", \"text\": " + JsonString(WindowText(control)) +
                      ", \"enabled\": " + JsonBool(::IsWindowEnabled(control)) +
                      ", \"visible\": " + JsonBool(::IsWindowVisible(control)) + ", \"rect\": " + JsonRect(r);
    if (cls == "Button") out += ", \"checked\": " + std::to_string(Send(control, BM_GETCHECK, 0, 0));
    return out + "}";
}

// The screen rectangle of each item of a list box.
std::string ItemRectsJson(HWND listBox)
{
    std::string out = "[";
    LRESULT count = Send(listBox, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        RECT item = {};
        Send(listBox, LB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
        ::MapWindowPoints(listBox, nullptr, reinterpret_cast<POINT*>(&item), 2);
        out += (i ? ", " : "") + JsonRect(item);
    }
    return out + "]";
}

std::string MessageBoxJson(HWND box)
{
    // The message is the static with the longest text (the icon is a static too).
    std::wstring text;
    std::vector<std::wstring> buttons;
    for (HWND child : Children(box)) {
        std::string cls = ClassName(child);
        if (cls == "Static") {
            std::wstring t = WindowText(child);
            if (t.size() > text.size()) text = t;
        } else if (cls == "Button" && ::IsWindowVisible(child)) {
            buttons.push_back(WindowText(child));
        }
    }
    RECT r;
    ::GetWindowRect(box, &r);
    return "{\"caption\": " + JsonString(WindowText(box)) + ", \"text\": " + JsonString(text) +
           ", \"buttons\": " + JsonStrings(buttons) + ", \"rect\": " + JsonRect(r) +
           ", \"xid\": " + std::to_string(XWindow(box)) + "}";
}

std::string StateJson()
{
    std::string out = "{\"acp\": " + std::to_string(::GetACP()) + ", \"form\": ";
    TopLevels all = FindTopLevels();
    if (all.forms.empty()) return out + "null}";
    if (all.forms.size() > 1) return out + "null, \"error\": \"more than one form\"}";
    HWND form = all.forms.front();

    RECT r;
    ::GetWindowRect(form, &r);
    out += "{\"visible\": " + JsonBool(::IsWindowVisible(form)) +
           ", \"enabled\": " + JsonBool(::IsWindowEnabled(form)) + ", \"rect\": " + JsonRect(r) +
           ", \"xid\": " + std::to_string(XWindow(form));
    POINT close;
    if (CloseButtonCentre(form, &close))
        out += ", \"close_button\": [" + std::to_string(close.x) + ", " + std::to_string(close.y) + "]";
    out += "}";

    out += ", \"controls\": {";
    bool first = true;
    for (int id = IDC_EDIT_NAME; id <= IDC_BUTTON_SPEICHERN_BINAER; ++id) {
        HWND control = ::GetDlgItem(form, id);
        if (!control) continue;
        out += (first ? "\"" : ", \"") + std::to_string(id) + "\": " + ControlJson(control);
        first = false;
    }
    out += "}";

    // Where each item of the list and of the combo box's drop-down list lies
    // on the screen, so that a test can click it.
    HWND list = ::GetDlgItem(form, IDC_LIST_STUDIENGANG);
    out += ", \"list\": {\"items\": " + JsonStrings(Items(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT)) +
           ", \"selection\": " + std::to_string(Send(list, LB_GETCURSEL, 0, 0)) +
           ", \"item_rects\": " + ItemRectsJson(list) + "}";

    HWND combo = ::GetDlgItem(form, IDC_COMBO_FAHRT);
    out += ", \"combo\": {\"items\": " + JsonStrings(Items(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT)) +
           ", \"selection\": " + std::to_string(Send(combo, CB_GETCURSEL, 0, 0)) +
           ", \"text\": " + JsonString(WindowText(combo)) +
           ", \"dropped\": " + JsonBool(Send(combo, CB_GETDROPPEDSTATE, 0, 0) > 0);
    // The open drop-down list is a top-level window of the form's thread.
    DWORD formThread = ::GetWindowThreadProcessId(form, nullptr);
    HWND dropList = nullptr;
    for (HWND w = ::FindWindowExA(nullptr, nullptr, "ComboLBox", nullptr); w;
         w = ::FindWindowExA(nullptr, w, "ComboLBox", nullptr))
        if (::GetWindowThreadProcessId(w, nullptr) == formThread && ::IsWindowVisible(w)) dropList = w;
    out += ", \"drop_item_rects\": " + (dropList ? ItemRectsJson(dropList) : std::string("[]")) + "}";

    // Focus and activation as the form's thread sees them.
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(form, nullptr), &info);
    HWND focusControl = ::IsChild(form, info.hwndFocus) ? ChildOf(form, info.hwndFocus) : nullptr;
    out += ", \"focus\": " + (focusControl ? std::to_string(::GetDlgCtrlID(focusControl)) : std::string("null"));

    std::vector<HWND> boxes = MessageBoxesOf(form, all);
    std::string active = "null";
    if (info.hwndActive == form) active = "\"form\"";
    else if (info.hwndActive) active = "\"other\"";
    out += ", \"message_boxes\": [";
    for (size_t i = 0; i < boxes.size(); ++i) {
        out += (i ? ", " : "") + MessageBoxJson(boxes[i]);
        if (info.hwndActive == boxes[i]) active = "\"message_box\"";
    }
    out += "], \"active\": " + active;
    return out + "}";
}

// --- What a screen reader hears -----------------------------------------------------

VARIANT Self()
{
    VARIANT self = {};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

// The role of the object itself, or null.
std::string RoleJson(IAccessible* object)
{
    VARIANT role = {};
    std::string out = "null";
    if (object && object->get_accRole(Self(), &role) == S_OK && role.vt == VT_I4) out = std::to_string(role.lVal);
    ::VariantClear(&role);
    return out;
}

// __uuidof, not IID_IAccessible, which mingw's oleacc import library links to a code stub.
std::string AccessibleJson(HWND hwnd)
{
    IAccessible* heard = nullptr;
    IAccessible* standard = nullptr;
    ::AccessibleObjectFromWindow(hwnd, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&heard));
    ::CreateStdAccessibleObject(hwnd, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&standard));
    BSTR name = nullptr;
    std::string nameJson = "null";
    if (heard && heard->get_accName(Self(), &name) == S_OK && name)
        nameJson = JsonString(std::wstring(name, ::SysStringLen(name)));
    ::SysFreeString(name);
    std::string out = "{\"name\": " + nameJson + ", \"role\": " + RoleJson(heard) +
                      ", \"standard_role\": " + RoleJson(standard) + "}";
    if (heard) heard->Release();
    if (standard) standard->Release();
    return out;
}

std::string AccessibilityJson()
{
    TopLevels all = FindTopLevels();
    if (all.forms.size() != 1) return "{\"controls\": null}";
    HWND form = all.forms.front();
    std::string out = "{\"controls\": {";
    for (int id = IDC_EDIT_NAME; id <= IDC_BUTTON_SPEICHERN_BINAER; ++id)
        out += (id == IDC_EDIT_NAME ? "\"" : ", \"") + std::to_string(id) +
               "\": " + AccessibleJson(::GetDlgItem(form, id));
    // GetComboBoxInfo does not reach into another process under Wine.
    HWND comboEdit = ::FindWindowExA(::GetDlgItem(form, IDC_COMBO_FAHRT), nullptr, "Edit", nullptr);
    return out + "}, \"combo_edit\": " + AccessibleJson(comboEdit) + "}";
}

// --- Waiting ------------------------------------------------------------------------

bool FormShown()
{
    TopLevels all = FindTopLevels();
    return all.forms.size() == 1 && ::IsWindowVisible(all.forms.front());
}

bool MessageBoxShown()
{
    TopLevels all = FindTopLevels();
    return all.forms.size() == 1 && !MessageBoxesOf(all.forms.front(), all).empty();
}

bool WaitFor(bool (*condition)(), double seconds)
{
    DWORD deadline = ::GetTickCount() + static_cast<DWORD>(seconds * 1000);
    while (!condition()) {
        if (static_cast<LONG>(::GetTickCount() - deadline) >= 0) return false;
        ::Sleep(20);
    }
    return true;
}

void Print(const std::string& json)
{
    std::fwrite(json.data(), 1, json.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int Usage()
{
    std::fputs("usage: formprobe [--wait-form SECONDS | --wait-messagebox SECONDS | --serve | --accessible]\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    // Plain line feeds: the reader is a script, not a console.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);

    if (argc == 1) {
        Print(StateJson());
        return 0;
    }
    std::string option = argv[1];
    if (option == "--accessible" && argc == 2) {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        Print(AccessibilityJson());
        ::CoUninitialize();
        return 0;
    }
    if (option == "--serve" && argc == 2) {
        // Each line read asks for the state now; end of input ends the probe.
        char line[64];
        while (std::fgets(line, sizeof line, stdin)) Print(StateJson());
        return 0;
    }
    if (argc != 3) return Usage();
    double seconds = std::atof(argv[2]);
    bool ok;
    if (option == "--wait-form") ok = WaitFor(FormShown, seconds);
    else if (option == "--wait-messagebox") ok = WaitFor(MessageBoxShown, seconds);
    else return Usage();
    Print(StateJson());
    return ok ? 0 : 1;
}
