#include "framework/CWnd.h"

#include "framework/DataExchange.h"

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd* CWnd::GetDlgItem(int nID)
{
    HWND hChild = ::GetDlgItem(m_hWnd, nID);
    if (!hChild) return nullptr;
    for (CWnd* control : m_boundControls) {
        if (control->m_hWnd == hChild) return control;
    }
    for (const auto& child : m_unboundChildren) {
        if (child->m_hWnd == hChild) return child.get();
    }
    m_unboundChildren.push_back(std::make_unique<CWnd>());
    m_unboundChildren.back()->m_hWnd = hChild;
    return m_unboundChildren.back().get();
}

BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }

void CWnd::SetFocus() { ::SetFocus(m_hWnd); }

BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }

void CWnd::GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }

void CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.Failed();
}

std::optional<TextSpan> CWnd::CharacterNotInCodePage(int nIDC) const
{
    const auto found = m_charactersNotInCodePage.find(nIDC);
    if (found == m_charactersNotInCodePage.end()) return std::nullopt;
    return found->second;
}

void CWnd::OnPaint() { ::DefWindowProcA(m_hWnd, WM_PAINT, 0, 0); }

void CWnd::DoDataExchange(CDataExchange*) {}

void CWnd::DetachChildren()
{
    for (CWnd* control : m_boundControls) control->m_hWnd = nullptr;
    m_boundControls.clear();
    m_unboundChildren.clear();
}
