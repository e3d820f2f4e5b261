// The faculty buttons and the programme list they fill.
#include <gtest/gtest.h>

#include "FormHarness.h"

namespace {

struct Faculty {
    int button;
    int index;
    std::vector<std::string> programmes;  // as the sorted list shows them
};

const std::vector<Faculty> kFaculties = {
    { IDC_RADIO_AI, 0, { "Datenkunde", "Netzwerktechnik", "Rechnerbau", "Regelungstechnik" } },
    { IDC_RADIO_VW,
      1,
      { "Archivwesen / Digitale Akten", "B\xFCrgerdienste und \xC4mter",
        "Grenz\xFC"
        "berschreitende Zusammenarbeit",
        "K\xE4mmereiwesen" } },
    { IDC_RADIO_W, 2, { "Gastgewerbe", "Handelslehre", "HL / Vertriebsorganisation", "Marktforschung" } },
};

const int kFacultyButtons[] = { IDC_RADIO_AI, IDC_RADIO_VW, IDC_RADIO_W };

// The list's positions are what the record files store, so the order is
// checked item by item on the real sorted control.
TEST(Catalogue, EachFacultyListsItsProgrammesInIndexOrder)
{
    WithForm([](CKorva1Dlg& form) {
        // W and VW first, so that AI is also shown after another faculty.
        for (int pass = 0; pass < 2; ++pass) {
            for (auto it = kFaculties.rbegin(); it != kFaculties.rend(); ++it) {
                Click(form, it->button);
                EXPECT_EQ(ListItems(form), it->programmes) << "faculty " << it->index;
                EXPECT_EQ(form.m_nFachbereich, it->index);
                for (int button : kFacultyButtons) EXPECT_EQ(IsChecked(form, button), button == it->button);
            }
        }
    });
}

TEST(Catalogue, ClickingTheCheckedFacultyKeepsTheSelectedProgramme)
{
    WithForm([](CKorva1Dlg& form) {
        for (const Faculty& faculty : kFaculties) {
            Click(form, faculty.button);
            for (int index = 0; index < 4; ++index) {
                SelectListItem(form, index);
                Click(form, faculty.button);
                EXPECT_EQ(ListItems(form), faculty.programmes);
                EXPECT_EQ(ListSelection(form), index) << faculty.programmes[static_cast<size_t>(index)];
            }
        }
    });
}

TEST(Catalogue, AnotherFacultyDropsAProgrammeItDoesNotOffer)
{
    WithForm([](CKorva1Dlg& form) {
        SelectListItem(form, 2);  // "Rechnerbau"
        Click(form, IDC_RADIO_VW);
        EXPECT_EQ(ListItems(form), kFaculties[1].programmes);
        EXPECT_EQ(ListSelection(form), -1);
    });
}

TEST(Catalogue, NoFacultyCheckedIsReportedAndTheListStays)
{
    WithForm([](CKorva1Dlg& form) {
        Click(form, IDC_RADIO_W);
        SelectListItem(form, 1);
        for (int button : kFacultyButtons) ::SendMessageA(Item(form, button), BM_SETCHECK, BST_UNCHECKED, 0);

        auto boxes = AnswerMessageBoxes([&] {
            form.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_RADIO_AI, BN_CLICKED),
                             reinterpret_cast<LPARAM>(Item(form, IDC_RADIO_AI)));
        });
        EXPECT_EQ(MessageTexts(boxes), std::vector<std::string>{ "Fehler in der Methode OnRadioFB" });
        EXPECT_EQ(form.m_nFachbereich, -1);
        EXPECT_EQ(ListItems(form), kFaculties[2].programmes);
        EXPECT_EQ(ListSelection(form), 1);
        for (int button : kFacultyButtons) EXPECT_FALSE(IsChecked(form, button));
    });
}

}  // namespace
