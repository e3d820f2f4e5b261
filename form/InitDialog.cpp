#include "form/Korva1Dlg.h"

BOOL CKorva1Dlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_nFachbereich = 0;
    FillStudiengaengeAI();
    m_ctrlSpin.SetRange(1, 31999);
    UpdateData(FALSE);

    // Filled after the exchange, so that no travel mode starts out chosen.
    m_ctrlFahrt.AddString("Bahn");
    m_ctrlFahrt.AddString("Bus");
    m_ctrlFahrt.AddString("Fahrrad");
    m_ctrlFahrt.AddString("Motorrad");
    m_ctrlFahrt.AddString("PKW");
    m_ctrlFahrt.AddString("Zu Fuß");

    return TRUE;
}
