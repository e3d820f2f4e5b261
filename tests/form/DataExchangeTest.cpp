// The form's members and controls, moved by UpdateData in both directions.
#include <gtest/gtest.h>

#include "FormHarness.h"

namespace {

const std::vector<std::string> kAiProgrammes = { "Datenkunde", "Netzwerktechnik", "Rechnerbau", "Regelungstechnik" };

TEST(DataExchange, FreshFormShowsTheConstructorsValues)
{
    WithForm([](CKorva1Dlg& form) {
        EXPECT_EQ(Text(form, IDC_EDIT_NAME), "Brenkow");
        EXPECT_EQ(Text(form, IDC_EDIT_VORNAME), "Talmino");
        EXPECT_EQ(Text(form, IDC_EDIT_MATRNR), "0");
        EXPECT_TRUE(IsChecked(form, IDC_RADIO_AI));
        EXPECT_FALSE(IsChecked(form, IDC_RADIO_VW));
        EXPECT_FALSE(IsChecked(form, IDC_RADIO_W));
        EXPECT_EQ(ListItems(form), kAiProgrammes);
        EXPECT_FALSE(IsChecked(form, IDC_CHECK_WOHNORT));
        EXPECT_FALSE(IsEnabled(form, IDC_EDIT_STRASSE));
        EXPECT_FALSE(IsEnabled(form, IDC_COMBO_FAHRT));
        EXPECT_EQ(Text(form, IDC_EDIT_STRASSE), "");
        EXPECT_EQ(Text(form, IDC_COMBO_FAHRT), "");
        EXPECT_EQ(ComboSelection(form), -1);
        EXPECT_EQ(ComboItems(form),
                  (std::vector<std::string>{ "Bahn", "Bus", "Fahrrad", "Motorrad", "PKW", "Zu Fu\xDF" }));
        EXPECT_EQ(::GetFocus(), Item(form, IDC_EDIT_NAME));
    });
}

TEST(DataExchange, ControlsToMembers)
{
    WithForm([](CKorva1Dlg& form) {
        SetText(form, IDC_EDIT_NAME, "M\xFCller");
        SetText(form, IDC_EDIT_VORNAME, "");
        SetText(form, IDC_EDIT_MATRNR, " -42 ");
        Click(form, IDC_RADIO_W);
        SelectListItem(form, 1);
        Click(form, IDC_CHECK_WOHNORT);
        SetText(form, IDC_EDIT_STRASSE,
                "Hauptstra\xDF"
                "e 1");
        SetText(form, IDC_COMBO_FAHRT, "Tretroller");

        EXPECT_TRUE(form.UpdateData(TRUE));
        EXPECT_EQ(form.m_strName, "M\xFCller");
        EXPECT_EQ(form.m_strVorname, "");
        EXPECT_EQ(form.m_nMatrnr, -42);
        EXPECT_EQ(form.m_nFachbereich, 2);
        EXPECT_EQ(form.m_strStudiengang, "Handelslehre");
        EXPECT_EQ(form.m_bWohnort, 1);
        EXPECT_EQ(form.m_strStrasse, "Hauptstra\xDF"
                                     "e 1");
        EXPECT_EQ(form.m_strFahrt, "Tretroller");
    });
}

TEST(DataExchange, MatriculationThatIsNoNumberFailsOnceAndKeepsTheMember)
{
    for (const char* text : { "12a", "", "abc", "99999999999" }) {
        WithForm([text](CKorva1Dlg& form) {
            form.m_nMatrnr = 777;
            SetText(form, IDC_EDIT_NAME, "Neu");
            SetText(form, IDC_EDIT_MATRNR, text);
            BOOL result = TRUE;
            auto boxes = AnswerMessageBoxes([&] { result = form.UpdateData(TRUE); });
            EXPECT_FALSE(result) << text;
            ASSERT_EQ(boxes.size(), 1u) << text;
            EXPECT_EQ(boxes[0].caption, AfxGetApp()->m_strAppName.GetString());
            EXPECT_EQ(form.m_nMatrnr, 777) << text;
            EXPECT_EQ(form.m_strName, "Neu") << "bindings before the number still run";
            EXPECT_EQ(::GetFocus(), Item(form, IDC_EDIT_MATRNR)) << text;
        });
    }
}

TEST(DataExchange, RadioGroupWithNothingCheckedGivesMinusOne)
{
    WithForm([](CKorva1Dlg& form) {
        for (int id : { IDC_RADIO_AI, IDC_RADIO_VW, IDC_RADIO_W })
            ::SendMessageA(Item(form, id), BM_SETCHECK, BST_UNCHECKED, 0);
        form.UpdateData(TRUE);
        EXPECT_EQ(form.m_nFachbereich, -1);
    });
}

TEST(DataExchange, MembersToControls)
{
    WithForm([](CKorva1Dlg& form) {
        form.m_strName = "Zu Fu\xDF";
        form.m_nMatrnr = 31999;
        form.m_nFachbereich = 1;
        form.m_bWohnort = TRUE;
        form.m_strStrasse = "Am Markt 2";
        form.UpdateData(FALSE);
        EXPECT_EQ(Text(form, IDC_EDIT_NAME), "Zu Fu\xDF");
        EXPECT_EQ(Text(form, IDC_EDIT_MATRNR), "31999");
        EXPECT_FALSE(IsChecked(form, IDC_RADIO_AI));
        EXPECT_TRUE(IsChecked(form, IDC_RADIO_VW));
        EXPECT_TRUE(IsChecked(form, IDC_CHECK_WOHNORT));
        EXPECT_EQ(Text(form, IDC_EDIT_STRASSE), "Am Markt 2");

        form.m_nFachbereich = 3;  // outside the group: no button stays checked
        form.UpdateData(FALSE);
        for (int id : { IDC_RADIO_AI, IDC_RADIO_VW, IDC_RADIO_W }) EXPECT_FALSE(IsChecked(form, id));
    });
}

TEST(DataExchange, ListSelectsByPrefixOrKeepsItsSelection)
{
    WithForm([](CKorva1Dlg& form) {
        form.m_strStudiengang = "rech";  // case-insensitive prefix of "Rechnerbau"
        form.UpdateData(FALSE);
        EXPECT_EQ(ListSelection(form), 2);

        form.m_strStudiengang = "Maschinenbau";
        form.UpdateData(FALSE);
        EXPECT_EQ(ListSelection(form), 2) << "a name of no item leaves the selection";

        SelectListItem(form, -1);
        form.UpdateData(TRUE);
        EXPECT_EQ(form.m_strStudiengang, "");
        EXPECT_EQ(form.m_ctrlStudiengang.GetCurSel(), -1);
    });
}

TEST(DataExchange, ComboSelectsByPrefixOrShowsTheText)
{
    WithForm([](CKorva1Dlg& form) {
        form.m_strFahrt = "mot";
        form.UpdateData(FALSE);
        EXPECT_EQ(ComboSelection(form), 3);
        EXPECT_EQ(Text(form, IDC_COMBO_FAHRT), "Motorrad");

        form.m_strFahrt = "Segelboot";
        form.UpdateData(FALSE);
        EXPECT_EQ(Text(form, IDC_COMBO_FAHRT), "Segelboot");
    });
}

TEST(DataExchange, GetDlgItemReachesTheBoundControlObject)
{
    WithForm([](CKorva1Dlg& form) {
        EXPECT_EQ(form.GetDlgItem(IDC_LIST_STUDIENGANG), &form.m_ctrlStudiengang);
        EXPECT_EQ(form.GetDlgItem(IDC_COMBO_FAHRT), &form.m_ctrlFahrt);
        EXPECT_EQ(form.GetDlgItem(IDC_EDIT_STRASSE), &form.m_ctrlStrasse);
        CWnd* name = form.GetDlgItem(IDC_EDIT_NAME);
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->m_hWnd, Item(form, IDC_EDIT_NAME));
        EXPECT_EQ(form.GetDlgItem(IDC_EDIT_NAME), name);
        EXPECT_EQ(form.GetDlgItem(4711), nullptr);
    });
}

TEST(DataExchange, EnterClosesOnlyAfterASuccessfulExchange)
{
    INT_PTR result = WithForm([](CKorva1Dlg& form) {
        SetText(form, IDC_EDIT_MATRNR, "12a");
        auto boxes = AnswerMessageBoxes([&] { form.SendMessage(WM_COMMAND, IDOK, 0); });
        EXPECT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(::IsWindowVisible(form.m_hWnd));
        SetText(form, IDC_EDIT_MATRNR, "12");
        form.SendMessage(WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(result, IDOK);
}

TEST(DataExchange, EscapeAndTheCloseBoxCancel)
{
    EXPECT_EQ(WithForm([](CKorva1Dlg& form) { form.SendMessage(WM_CLOSE); }), IDCANCEL);
    EXPECT_EQ(WithForm([](CKorva1Dlg& form) { form.SendMessage(WM_COMMAND, IDCANCEL, 0); }), IDCANCEL);
}

}  // namespace
