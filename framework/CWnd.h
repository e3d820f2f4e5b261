#pragma once
// A window of the form: the handle and the operations the program uses on it.
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "framework/AnsiText.h"
#include "framework/MessageMap.h"

class CDataExchange;

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    // The child control with that id: its bound control object when there is one.
    CWnd* GetDlgItem(int nID);

    BOOL EnableWindow(BOOL bEnable = TRUE);
    void SetFocus();
    BOOL IsIconic() const;
    void GetClientRect(LPRECT lpRect) const;
    void SetIcon(HICON hIcon, BOOL bBigIcon);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    // Runs DoDataExchange: TRUE moves controls to members, FALSE members to
    // controls. Returns FALSE when a binding failed.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // As the last exchange from controls to members found it: the first
    // character of a text control that the ANSI code page lacks, so that the
    // member does not say exactly what the control shows. Nothing when it does.
    std::optional<TextSpan> CharacterNotInCodePage(int nIDC) const;

    // Default painting.
    void OnPaint();

protected:
    virtual void DoDataExchange(CDataExchange* pDX);

    // Forgets the windows once they are destroyed.
    void DetachChildren();

    DECLARE_MESSAGE_MAP()

private:
    friend void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
    friend class CDataExchange;

    std::vector<CWnd*> m_boundControls;                    // owned by the derived class
    std::vector<std::unique_ptr<CWnd>> m_unboundChildren;  // made on demand by GetDlgItem
    std::map<int, TextSpan> m_charactersNotInCodePage;     // by control ID
};
