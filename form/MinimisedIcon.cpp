#include "form/IconPosition.h"
#include "form/Korva1Dlg.h"

void CKorva1Dlg::OnPaint()
{
    if (!IsIconic()) {
        CDialog::OnPaint();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);

    RECT rect;
    GetClientRect(&rect);
    int x = CenteredIconOffset(rect.right - rect.left, ::GetSystemMetrics(SM_CXICON));
    int y = CenteredIconOffset(rect.bottom - rect.top, ::GetSystemMetrics(SM_CYICON));
    dc.DrawIcon(x, y, m_hIcon);
}

// Shown while the minimised form is dragged.
HCURSOR CKorva1Dlg::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }
