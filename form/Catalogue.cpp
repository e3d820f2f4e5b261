#include "form/Korva1Dlg.h"
#include "form/Messages.h"

// Each faculty's programmes in the order they are added; the sorted list
// shows them alphabetically.

void CKorva1Dlg::FillStudiengaengeAI()
{
    m_ctrlStudiengang.ResetContent();
    m_ctrlStudiengang.AddString("Regelungstechnik");
    m_ctrlStudiengang.AddString("Datenkunde");
    m_ctrlStudiengang.AddString("Rechnerbau");
    m_ctrlStudiengang.AddString("Netzwerktechnik");
}

void CKorva1Dlg::FillStudiengaengeVW()
{
    m_ctrlStudiengang.ResetContent();
    m_ctrlStudiengang.AddString("Bürgerdienste und Ämter");
    m_ctrlStudiengang.AddString("Kämmereiwesen");
    m_ctrlStudiengang.AddString("Grenzüberschreitende Zusammenarbeit");
    m_ctrlStudiengang.AddString("Archivwesen / Digitale Akten");
}

void CKorva1Dlg::FillStudiengaengeW()
{
    m_ctrlStudiengang.ResetContent();
    m_ctrlStudiengang.AddString("Handelslehre");
    m_ctrlStudiengang.AddString("HL / Vertriebsorganisation");
    m_ctrlStudiengang.AddString("Marktforschung");
    m_ctrlStudiengang.AddString("Gastgewerbe");
}

BOOL CKorva1Dlg::FillStudiengaengeFuer(int nFachbereich)
{
    switch (nFachbereich) {
    case 0: FillStudiengaengeAI(); return TRUE;
    case 1: FillStudiengaengeVW(); return TRUE;
    case 2: FillStudiengaengeW(); return TRUE;
    default: return FALSE;
    }
}

// Shared by the three faculty buttons. The programme selected before the
// click stays selected only if the new list has an entry starting with it.
void CKorva1Dlg::OnRadioFB()
{
    UpdateData(TRUE);
    if (!FillStudiengaengeFuer(m_nFachbereich)) AfxMessageBox(kMsgOnRadioFB, 0, 0);
    UpdateData(FALSE);
}
