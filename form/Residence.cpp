#include "form/Korva1Dlg.h"

// Street and travel mode apply only to students living in town. Disabling
// them keeps what they hold.
void CKorva1Dlg::OnBnClickedWohnort()
{
    UpdateData(TRUE);
    EnableAdresse(m_bWohnort ? TRUE : FALSE);
    UpdateData(FALSE);
}

void CKorva1Dlg::EnableAdresse(BOOL bEnable)
{
    m_ctrlStrasse.EnableWindow(bEnable);
    m_ctrlFahrt.EnableWindow(bEnable);
}
