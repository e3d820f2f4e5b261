// "Speichern Stream Ascii" and "Laden Stream Ascii": the record as numbers
// and texts in "test2.txt".
#include "form/Korva1Dlg.h"
#include "form/RecordResultMessages.h"
#include "records/StreamTextRecord.h"

namespace {
const char kFileName[] = "test2.txt";
}

void CKorva1Dlg::OnBnClickedSpeichernStream()
{
    if (!UpdateData(TRUE)) return;  // the framework has said what is wrong
    SafeFileReplace target(kFileName);
    if (!CheckWriteAccess(target)) return;
    if (!CheckTextsStorable({ IDC_EDIT_NAME, IDC_EDIT_VORNAME })) return;
    if (m_bWohnort && !CheckTextsStorable({ IDC_EDIT_STRASSE })) return;

    StreamTextRecord record;
    record.name = m_strName.ToStdString();
    record.vorname = m_strVorname.ToStdString();
    record.matrnr = m_nMatrnr;
    record.fachbereich = m_nFachbereich;
    record.studiengangIndex = m_ctrlStudiengang.GetCurSel();
    record.wohnort = m_bWohnort ? 1 : 0;  // the load reads only 1 as checked
    if (m_bWohnort) {
        record.strasse = m_strStrasse.ToStdString();
        record.fahrtIndex = m_ctrlFahrt.GetCurSel();
    }
    ShowSaveResult(SaveStreamTextRecordTo(target, record));  // its own limits, then the write
}

void CKorva1Dlg::OnBnClickedLadenStream()
{
    UpdateData(TRUE);

    StreamTextRecord record;
    if (!ShowLoadResult(LoadStreamTextRecord(kFileName, record))) return;

    m_strName = CString(record.name);
    m_strVorname = CString(record.vorname);
    m_nMatrnr = record.matrnr;
    m_nFachbereich = record.fachbereich;
    // A stored programme index counts in the stored faculty's list; an
    // unknown faculty leaves the list as it is.
    FillStudiengaengeFuer(m_nFachbereich);
    m_ctrlStudiengang.SetCurSel(record.studiengangIndex);
    m_bWohnort = record.wohnort == 1 ? 1 : 0;

    UpdateData(FALSE);
    if (m_bWohnort == 1) {
        EnableAdresse(TRUE);
        m_strStrasse = CString(record.strasse);
        UpdateData(FALSE);
        m_ctrlFahrt.SetCurSel(record.fahrtIndex);
    } else {
        EnableAdresse(FALSE);
    }
    // The exchange selects programmes by prefix; the file's entry is the one to show.
    m_ctrlStudiengang.SetCurSel(record.studiengangIndex);
}
