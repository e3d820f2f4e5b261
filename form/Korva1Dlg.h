#pragma once
// The student record form: the program's only window.
#include <initializer_list>

#include "framework/Framework.h"
#include "res/resource.h"

class SafeFileReplace;

class CKorva1Dlg : public CDialog {
public:
    explicit CKorva1Dlg(CWnd* pParent = nullptr);
    ~CKorva1Dlg() override = default;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    const AFX_CONTROL_NAME* GetControlNames() const override;

    // Faculty and programme catalogue.
    void FillStudiengaengeAI();
    void FillStudiengaengeVW();
    void FillStudiengaengeW();
    // Fills the list for faculty index 0, 1 or 2; FALSE for any other index.
    BOOL FillStudiengaengeFuer(int nFachbereich);
    void OnRadioFB();

    // Residence and the minimised icon.
    void OnBnClickedWohnort();
    void EnableAdresse(BOOL bEnable);
    void OnPaint();
    HCURSOR OnQueryDragIcon();

    // Record files.
    void OnBnClickedSpeichern1();
    void OnBnClickedLaden1();
    void OnBnClickedSpeichernStream();
    void OnBnClickedLadenStream();
    void OnBnClickedSpeichernBinaer();
    void OnBnClickedLadenBinaer();
    // Steps of every save after its own first checks, in this order; each
    // tells the person why the save stops there.
    BOOL CheckWriteAccess(SafeFileReplace& target);
    BOOL CheckTextsStorable(std::initializer_list<int> textFields);

    DECLARE_MESSAGE_MAP()

    HICON m_hIcon;

public:
    // The student record, each member bound to its control.
    CString m_strName;
    CString m_strVorname;
    int m_nFachbereich;
    BOOL m_bWohnort;
    CString m_strStrasse;
    CString m_strFahrt;
    CString m_strStudiengang;
    CEdit m_ctrlStrasse;
    CComboBox m_ctrlFahrt;
    CListBox m_ctrlStudiengang;
    CSpinButtonCtrl m_ctrlSpin;
    int m_nMatrnr;
};
