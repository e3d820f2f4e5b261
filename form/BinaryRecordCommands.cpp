// "Speichern Stream Binär" and "Laden Stream Binär": names, matriculation
// number and residence in "test.bin".
#include "form/Korva1Dlg.h"
#include "form/RecordResultMessages.h"
#include "records/BinaryRecord.h"

namespace {
const char kFileName[] = "test.bin";
}

// Needs no programme: the binary record holds none.
void CKorva1Dlg::OnBnClickedSpeichernBinaer()
{
    if (!UpdateData(TRUE)) return;  // the framework has said what is wrong
    SafeFileReplace target(kFileName);
    if (!CheckWriteAccess(target)) return;
    if (!CheckTextsStorable({ IDC_EDIT_NAME, IDC_EDIT_VORNAME })) return;

    BinaryRecord record;
    record.name = m_strName.ToStdString();
    record.vorname = m_strVorname.ToStdString();
    record.matrnr = m_nMatrnr;
    record.wohnort = m_bWohnort;
    ShowSaveResult(SaveBinaryRecordTo(target, record));  // its own limits, then the write
}

// Takes nothing from the controls first; on every path the controls show
// the members afterwards.
void CKorva1Dlg::OnBnClickedLadenBinaer()
{
    BinaryRecord record;
    if (ShowLoadResult(LoadBinaryRecord(kFileName, record))) {
        m_strName = CString(record.name);
        m_strVorname = CString(record.vorname);
        m_nMatrnr = record.matrnr;
        m_bWohnort = record.wohnort;
        // Street and travel mode follow the loaded residence, as after a click on the box.
        EnableAdresse(m_bWohnort ? TRUE : FALSE);
    }
    UpdateData(FALSE);
}
