// "Speichern1 Ascii" and "Laden1 Ascii": the whole record in "test.txt".
#include "form/Faculties.h"
#include "form/Korva1Dlg.h"
#include "form/Messages.h"
#include "form/RecordResultMessages.h"
#include "records/StdioTextRecord.h"

namespace {
const char kFileName[] = "test.txt";
}

void CKorva1Dlg::OnBnClickedSpeichern1()
{
    if (!UpdateData(TRUE)) return;  // the framework has said what is wrong

    CListBox* pList = static_cast<CListBox*>(GetDlgItem(IDC_LIST_STUDIENGANG));
    if (pList->GetCurSel() == -1) {
        AfxMessageBox(kMsgStudiengangMarkieren, 0, 0);
        pList->SetFocus();
        return;
    }
    // A record without its faculty line would be read back out of step.
    if (m_nFachbereich < 0 || m_nFachbereich > 2) {
        AfxMessageBox(kMsgOnRadioFB, 0, 0);
        return;
    }
    SafeFileReplace target(kFileName);
    if (!CheckWriteAccess(target)) return;
    if (!CheckTextsStorable({ IDC_EDIT_NAME, IDC_EDIT_VORNAME })) return;
    if (m_bWohnort && !CheckTextsStorable({ IDC_EDIT_STRASSE, IDC_COMBO_FAHRT })) return;

    StdioTextRecord record;
    record.name = m_strName.ToStdString();
    record.vorname = m_strVorname.ToStdString();
    record.matrnr = m_nMatrnr;
    record.fachbereichCode = kFachbereichCodes[m_nFachbereich];
    record.studiengang = m_strStudiengang.ToStdString();
    record.studiengangIndex = pList->GetCurSel();
    record.wohnort = m_bWohnort != 0;
    if (record.wohnort) {
        CComboBox* pFahrt = static_cast<CComboBox*>(GetDlgItem(IDC_COMBO_FAHRT));
        record.strasse = m_strStrasse.ToStdString();
        record.fahrt = m_strFahrt.ToStdString();
        record.fahrtIndex = pFahrt->GetCurSel();
    }
    ShowSaveResult(SaveStdioTextRecordTo(target, record));  // its own limits, then the write
}

// Takes nothing from the controls first: the form shows the file's record
// over whatever was typed since the last exchange.
void CKorva1Dlg::OnBnClickedLaden1()
{
    StdioTextRecord record;
    if (!ShowLoadResult(LoadStdioTextRecord(kFileName, record))) return;

    m_strName = CString(record.name);
    m_strVorname = CString(record.vorname);
    if (record.matrnr) m_nMatrnr = *record.matrnr;

    int nFachbereich = FachbereichFromCode(record.fachbereichCode);
    if (FillStudiengaengeFuer(nFachbereich)) m_nFachbereich = nFachbereich;

    CListBox* pList = static_cast<CListBox*>(GetDlgItem(IDC_LIST_STUDIENGANG));
    pList->SetCurSel(record.studiengangIndex);
    m_bWohnort = record.wohnort ? 1 : 0;

    CComboBox* pFahrt = static_cast<CComboBox*>(GetDlgItem(IDC_COMBO_FAHRT));
    CWnd* pStrasse = GetDlgItem(IDC_EDIT_STRASSE);
    UpdateData(FALSE);
    if (m_bWohnort == 1) {
        pFahrt->EnableWindow(TRUE);
        pStrasse->EnableWindow(TRUE);
        m_strStrasse = CString(record.strasse);
        UpdateData(FALSE);
        pFahrt->SetCurSel(record.fahrtIndex);
    } else {
        pFahrt->EnableWindow(FALSE);
        pStrasse->EnableWindow(FALSE);
    }
    // The exchange selects programmes by prefix; the file's entry is the one to show.
    pList->SetCurSel(record.studiengangIndex);
}
