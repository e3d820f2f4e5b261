#include "form/Korva1Dlg.h"

CKorva1Dlg::CKorva1Dlg(CWnd* pParent)
    : CDialog(IDD_KORVA1_DIALOG, pParent),
      m_strName("Brenkow"),
      m_strVorname("Talmino"),
      m_nFachbereich(0),
      m_bWohnort(FALSE),
      m_nMatrnr(0)
{
    m_hIcon = AfxGetApp()->LoadIcon(IDR_MAINFRAME);
}

// The matriculation number comes last: it is the one binding that can fail,
// and every other member is taken before it.
void CKorva1Dlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_EDIT_NAME, m_strName);
    DDX_Text(pDX, IDC_EDIT_VORNAME, m_strVorname);
    DDX_Radio(pDX, IDC_RADIO_AI, m_nFachbereich);
    DDX_Check(pDX, IDC_CHECK_WOHNORT, m_bWohnort);
    DDX_Text(pDX, IDC_EDIT_STRASSE, m_strStrasse);
    DDX_CBString(pDX, IDC_COMBO_FAHRT, m_strFahrt);
    DDX_LBString(pDX, IDC_LIST_STUDIENGANG, m_strStudiengang);
    DDX_Control(pDX, IDC_EDIT_STRASSE, m_ctrlStrasse);
    DDX_Control(pDX, IDC_COMBO_FAHRT, m_ctrlFahrt);
    DDX_Control(pDX, IDC_LIST_STUDIENGANG, m_ctrlStudiengang);
    DDX_Control(pDX, IDC_SPIN_MATRNR, m_ctrlSpin);
    DDX_Text(pDX, IDC_EDIT_MATRNR, m_nMatrnr);
}

BEGIN_MESSAGE_MAP(CKorva1Dlg, CDialog)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_BN_CLICKED(IDC_BUTTON_LADEN1, &CKorva1Dlg::OnBnClickedLaden1)
    ON_BN_CLICKED(IDC_BUTTON_SPEICHERN1, &CKorva1Dlg::OnBnClickedSpeichern1)
    ON_BN_CLICKED(IDC_CHECK_WOHNORT, &CKorva1Dlg::OnBnClickedWohnort)
    ON_BN_CLICKED(IDC_RADIO_AI, &CKorva1Dlg::OnRadioFB)
    ON_BN_CLICKED(IDC_RADIO_VW, &CKorva1Dlg::OnRadioFB)
    ON_BN_CLICKED(IDC_RADIO_W, &CKorva1Dlg::OnRadioFB)
    ON_BN_CLICKED(IDC_BUTTON_SPEICHERN_STREAM, &CKorva1Dlg::OnBnClickedSpeichernStream)
    ON_BN_CLICKED(IDC_BUTTON_LADEN_STREAM, &CKorva1Dlg::OnBnClickedLadenStream)
    ON_BN_CLICKED(IDC_BUTTON_LADEN_BINAER, &CKorva1Dlg::OnBnClickedLadenBinaer)
    ON_BN_CLICKED(IDC_BUTTON_SPEICHERN_BINAER, &CKorva1Dlg::OnBnClickedSpeichernBinaer)
END_MESSAGE_MAP()
