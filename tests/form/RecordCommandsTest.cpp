// The six file buttons on the real form: the bytes they write, the form they
// load back, and what the person sees when a file cannot be used.
#include <climits>
#include <cstdint>
#include <gtest/gtest.h>
#include <ostream>

#include "FormHarness.h"
#include "tests/SkipOrFailInCi.h"

namespace {

const char kStdioFile[] = "test.txt";
const char kStreamFile[] = "test2.txt";
const char kBinaryFile[] = "test.bin";

const std::string kMsgChooseProgramme = "Bitte markieren Sie einen Eintrag in der Liste der Studieng\xE4nge";
const std::string kMsgOpenForReading = "Fehler beim \xD6"
                                       "ffnen zum Lesen";
const std::string kMsgOpenForWriting = "Fehler beim \xD6"
                                       "ffnen zum Schreiben";
const std::string kMsgReading = "Fehler beim Lesen";
const std::string kMsgWriting = "Fehler beim Schreiben";
const std::string kMsgOnRadioFB = "Fehler in der Methode OnRadioFB";

using Messages = std::vector<std::string>;

// Each line followed by CR LF, as the text files end their lines.
std::string Lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::string Int32(std::int32_t value)
{
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
        bytes += static_cast<char>((static_cast<std::uint32_t>(value) >> shift) & 0xFF);
    return bytes;
}

std::string BinaryRecordBytes(const std::string& name, const std::string& vorname, std::int32_t matrnr,
                              std::int32_t wohnort)
{
    return Int32(static_cast<std::int32_t>(name.size())) + name + Int32(static_cast<std::int32_t>(vorname.size())) +
           vorname + Int32(matrnr) + Int32(wohnort);
}

// Clicks a button and answers the message boxes it opens.
Messages Press(CKorva1Dlg& form, int button)
{
    return MessageTexts(AnswerMessageBoxes([&] { Click(form, button); }));
}

// Names of everything in the working folder (no temporary files left).
std::vector<std::string> FolderEntries()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA("*", &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

// What a person sees of the record on the form.
struct FormView {
    std::string name, vorname, matrnr;
    int faculty = -1;  // the checked button's position, -1 for none
    std::vector<std::string> programmes;
    int programme = -1;
    bool residence = false, streetEnabled = false, travelEnabled = false;
    std::string street;
    int travelMode = -1;

    bool operator==(const FormView& other) const
    {
        return name == other.name && vorname == other.vorname && matrnr == other.matrnr && faculty == other.faculty &&
               programmes == other.programmes && programme == other.programme && residence == other.residence &&
               streetEnabled == other.streetEnabled && travelEnabled == other.travelEnabled && street == other.street &&
               travelMode == other.travelMode;
    }
};

std::ostream& operator<<(std::ostream& out, const FormView& view)
{
    out << "{" << view.name << ", " << view.vorname << ", " << view.matrnr << ", faculty " << view.faculty
        << ", programme " << view.programme << " of";
    for (const std::string& programme : view.programmes) out << " '" << programme << "'";
    return out << ", residence " << view.residence << ", enabled " << view.streetEnabled << view.travelEnabled
               << ", street '" << view.street << "', travel mode " << view.travelMode << "}";
}

FormView View(CKorva1Dlg& form)
{
    FormView view;
    view.name = Text(form, IDC_EDIT_NAME);
    view.vorname = Text(form, IDC_EDIT_VORNAME);
    view.matrnr = Text(form, IDC_EDIT_MATRNR);
    const int buttons[] = { IDC_RADIO_AI, IDC_RADIO_VW, IDC_RADIO_W };
    for (int i = 0; i < 3; ++i)
        if (IsChecked(form, buttons[i])) view.faculty = i;
    view.programmes = ListItems(form);
    view.programme = ListSelection(form);
    view.residence = IsChecked(form, IDC_CHECK_WOHNORT);
    view.streetEnabled = IsEnabled(form, IDC_EDIT_STRASSE);
    view.travelEnabled = IsEnabled(form, IDC_COMBO_FAHRT);
    view.street = Text(form, IDC_EDIT_STRASSE);
    view.travelMode = ComboSelection(form);
    return view;
}

// A record entered as a person enters it. travelMode -1 leaves the combo box
// without a selection.
struct Entry {
    std::string name, vorname, matrnr;
    int facultyButton;
    int programme;
    bool residence;
    std::string street;
    int travelMode;
};

void Enter(CKorva1Dlg& form, const Entry& entry)
{
    SetText(form, IDC_EDIT_NAME, entry.name);
    SetText(form, IDC_EDIT_VORNAME, entry.vorname);
    SetText(form, IDC_EDIT_MATRNR, entry.matrnr);
    Click(form, entry.facultyButton);
    SelectListItem(form, entry.programme);
    if (IsChecked(form, IDC_CHECK_WOHNORT) != entry.residence) Click(form, IDC_CHECK_WOHNORT);
    SetText(form, IDC_EDIT_STRASSE, entry.street);
    SelectComboItem(form, entry.travelMode);
    if (entry.travelMode < 0) SetText(form, IDC_COMBO_FAHRT, "");
}

// The examples of the file layouts: faculty AI with "Rechnerbau" (index 2).
const Entry kExample = { "Brenkow", "Talmino", "31999", IDC_RADIO_AI, 2, false, "", -1 };
const Entry kExampleWithResidence = { "Brenkow", "Talmino", "31999", IDC_RADIO_AI, 2, true, "", 1 };  // "Bus"
const Entry kUmlauts = { "M\xFCller",
                         "\xC4nne",
                         "17",
                         IDC_RADIO_VW,
                         3,
                         true,
                         "Hauptstra\xDF"
                         "e 5",
                         5 };  // "Kämmereiwesen", "Zu Fuß"

struct SaveCase {
    const char* what;
    int button;
    const char* file;
    Entry entry;
    std::string bytes;
};

TEST(RecordCommands, SaveWritesTheFileByteForByte)
{
    const std::vector<SaveCase> cases = {
        { "stdio, 47 bytes", IDC_BUTTON_SPEICHERN1, kStdioFile, kExample,
          Lines({ "Brenkow", "Talmino", "31999", "AI", "Rechnerbau", "2", "0" }) },
        { "stdio, ten lines", IDC_BUTTON_SPEICHERN1, kStdioFile, kExampleWithResidence,
          Lines({ "Brenkow", "Talmino", "31999", "AI", "Rechnerbau", "2", "1", "", "Bus", "1" }) },
        { "stdio, Windows-1252 texts", IDC_BUTTON_SPEICHERN1, kStdioFile, kUmlauts,
          Lines({ "M\xFCller", "\xC4nne", "17", "VW", "K\xE4mmereiwesen", "3", "1",
                  "Hauptstra\xDF"
                  "e 5",
                  "Zu Fu\xDF", "5" }) },
        { "stream, 34 bytes", IDC_BUTTON_SPEICHERN_STREAM, kStreamFile, kExample,
          Lines({ "Brenkow", "Talmino", "31999", "0", "2", "0" }) },
        { "stream, eight lines", IDC_BUTTON_SPEICHERN_STREAM, kStreamFile, kExampleWithResidence,
          Lines({ "Brenkow", "Talmino", "31999", "0", "2", "1", "", "1" }) },
        { "stream, Windows-1252 texts", IDC_BUTTON_SPEICHERN_STREAM, kStreamFile, kUmlauts,
          Lines({ "M\xFCller", "\xC4nne", "17", "1", "3", "1",
                  "Hauptstra\xDF"
                  "e 5",
                  "5" }) },
        { "binary, 30 bytes", IDC_BUTTON_SPEICHERN_BINAER, kBinaryFile, kExampleWithResidence,
          std::string("\x07\0\0\0"
                      "Brenkow"
                      "\x07\0\0\0"
                      "Talmino"
                      "\xFF\x7C\0\0"
                      "\x01\0\0\0",
                      30) },
        { "binary, two empty names",
          IDC_BUTTON_SPEICHERN_BINAER,
          kBinaryFile,
          { "", "", "1", IDC_RADIO_W, -1, true, "", -1 },
          std::string("\0\0\0\0"
                      "\0\0\0\0"
                      "\x01\0\0\0"
                      "\x01\0\0\0",
                      16) },
    };
    ASSERT_EQ(cases[0].bytes.size(), 47u);
    ASSERT_EQ(cases[3].bytes.size(), 34u);

    for (const SaveCase& test : cases) {
        TempWorkingDir dir;
        // A longer file from before: the save leaves exactly the new record.
        dir.WriteFile(test.file, std::string(200, 'x'));
        WithForm([&](CKorva1Dlg& form) {
            Enter(form, test.entry);
            EXPECT_EQ(Press(form, test.button), Messages{}) << test.what;
        });
        EXPECT_EQ(dir.ReadFile(test.file), test.bytes) << test.what;
        EXPECT_EQ(FolderEntries(), std::vector<std::string>{ test.file }) << test.what;
    }
}

struct Format {
    const char* name;
    int save, load;
};

const Format kTextFormats[] = {
    { "stdio", IDC_BUTTON_SPEICHERN1, IDC_BUTTON_LADEN1 },
    { "stream", IDC_BUTTON_SPEICHERN_STREAM, IDC_BUTTON_LADEN_STREAM },
};

// Saves a record, enters another one under a different faculty and loads
// the file: the form shows the saved record again, with the stored
// faculty's programmes and the stored selections.
TEST(RecordCommands, TextLoadsRestoreTheSavedForm)
{
    struct RoundTrip {
        const char* what;
        Entry saved, other;
    };
    const RoundTrip trips[] = {
        { "W with residence over AI",
          { "M\xFCller", "\xC4nne", "12345", IDC_RADIO_W, 2, true,
            "Hauptstra\xDF"
            "e 5",
            4 },
          { "Neu", "Name", "7", IDC_RADIO_AI, 0, false, "Weg", -1 } },
        { "AI without residence over VW with residence",
          { "", "", "31999", IDC_RADIO_AI, 3, false, "", -1 },
          { "Neu", "Name", "-3", IDC_RADIO_VW, 1, true, "Weg 1", 0 } },
        { "VW with residence and no travel mode over W without programme",
          { "Brenkow", "Talmino", "1", IDC_RADIO_VW, 2, true, "Am Markt 2", -1 },
          { "Neu", "Name", "2", IDC_RADIO_W, -1, true, "Weg 1", 2 } },
        { "W over W with another programme",
          { "Brenkow", "Talmino", "4", IDC_RADIO_W, 2, false, "", -1 },
          { "Neu", "Name", "5", IDC_RADIO_W, 1, true, "Weg 1", 3 } },
    };
    for (const Format& format : kTextFormats) {
        for (const RoundTrip& trip : trips) {
            TempWorkingDir dir;
            WithForm([&](CKorva1Dlg& form) {
                Enter(form, trip.saved);
                FormView saved = View(form);
                ASSERT_EQ(Press(form, format.save), Messages{}) << format.name << ", " << trip.what;

                // The other record, whose programme text names an entry of
                // the saved faculty's list: the programme shown at the end
                // must come from the file, not from that text.
                Enter(form, trip.other);
                Click(form, trip.saved.facultyButton);
                SelectListItem(form, trip.saved.programme == 0 ? 1 : 0);
                Click(form, trip.other.facultyButton);
                SelectListItem(form, trip.other.programme);

                EXPECT_EQ(Press(form, format.load), Messages{}) << format.name << ", " << trip.what;
                FormView loaded = View(form);
                if (!trip.saved.residence) {  // street and travel mode are not in the file
                    loaded.street = saved.street;
                    loaded.travelMode = saved.travelMode;
                }
                EXPECT_EQ(loaded, saved) << format.name << ", " << trip.what;
                EXPECT_EQ(form.m_nFachbereich, saved.faculty) << format.name << ", " << trip.what;
                EXPECT_EQ(form.m_bWohnort, trip.saved.residence ? 1 : 0) << format.name << ", " << trip.what;
            });
        }
    }
}

TEST(RecordCommands, BinaryLoadRestoresNamesNumberAndResidence)
{
    TempWorkingDir dir;
    WithForm([&](CKorva1Dlg& form) {
        Enter(form, { "M\xFCller", "\xC4nne", "12345", IDC_RADIO_W, 1, true,
                      "Hauptstra\xDF"
                      "e 5",
                      4 });
        ASSERT_EQ(Press(form, IDC_BUTTON_SPEICHERN_BINAER), Messages{});

        Enter(form, { "Neu", "Name", "7", IDC_RADIO_AI, 0, false, "Weg", 2 });
        form.UpdateData(TRUE);
        SetText(form, IDC_EDIT_STRASSE, "nur getippt");  // not taken into the members

        EXPECT_EQ(Press(form, IDC_BUTTON_LADEN_BINAER), Messages{});
        EXPECT_EQ(Text(form, IDC_EDIT_NAME), "M\xFCller");
        EXPECT_EQ(Text(form, IDC_EDIT_VORNAME), "\xC4nne");
        EXPECT_EQ(Text(form, IDC_EDIT_MATRNR), "12345");
        EXPECT_TRUE(IsChecked(form, IDC_CHECK_WOHNORT));
        EXPECT_TRUE(IsEnabled(form, IDC_EDIT_STRASSE));
        EXPECT_TRUE(IsEnabled(form, IDC_COMBO_FAHRT));
        // The rest of the form shows what the members hold.
        EXPECT_TRUE(IsChecked(form, IDC_RADIO_AI));
        EXPECT_EQ(form.m_nFachbereich, 0);
        EXPECT_EQ(Text(form, IDC_EDIT_STRASSE), "Weg");
        EXPECT_EQ(Text(form, IDC_COMBO_FAHRT), "Fahrrad");
    });
}

// The flag in the file decides whether street and travel mode take input,
// and the matriculation number comes back as stored, in range or not.
TEST(RecordCommands, BinaryLoadTakesFlagAndNumberAsStored)
{
    struct Stored {
        std::int32_t matrnr, wohnort;
    };
    const Stored records[] = { { 0, 1 }, { 32000, 0 }, { -5, 1 }, { INT_MAX, 0 }, { INT_MIN, 1 } };
    for (const Stored& stored : records) {
        TempWorkingDir dir;
        dir.WriteFile(kBinaryFile, BinaryRecordBytes("A", "B", stored.matrnr, stored.wohnort));
        WithForm([&](CKorva1Dlg& form) {
            if (!stored.wohnort) Click(form, IDC_CHECK_WOHNORT);  // start from the opposite state
            EXPECT_EQ(Press(form, IDC_BUTTON_LADEN_BINAER), Messages{}) << stored.matrnr;
            EXPECT_EQ(form.m_nMatrnr, stored.matrnr);
            EXPECT_EQ(Text(form, IDC_EDIT_MATRNR), std::to_string(stored.matrnr));
            EXPECT_EQ(IsChecked(form, IDC_CHECK_WOHNORT), stored.wohnort == 1) << stored.matrnr;
            EXPECT_EQ(IsEnabled(form, IDC_EDIT_STRASSE), stored.wohnort == 1) << stored.matrnr;
            EXPECT_EQ(IsEnabled(form, IDC_COMBO_FAHRT), stored.wohnort == 1) << stored.matrnr;
        });
    }
}

TEST(RecordCommands, StreamSaveWithoutProgrammeStoresMinusOne)
{
    TempWorkingDir dir;
    WithForm([&](CKorva1Dlg& form) {
        Enter(form, kExample);
        SelectListItem(form, -1);
        EXPECT_EQ(Press(form, IDC_BUTTON_SPEICHERN_STREAM), Messages{});
        EXPECT_EQ(dir.ReadFile(kStreamFile), Lines({ "Brenkow", "Talmino", "31999", "0", "-1", "0" }));

        SelectListItem(form, 2);
        EXPECT_EQ(Press(form, IDC_BUTTON_LADEN_STREAM), Messages{});
        EXPECT_EQ(ListSelection(form), -1);
    });
}

// The stdio save needs a programme and a faculty; without one it writes
// nothing, whether or not there is a file already.
TEST(RecordCommands, StdioSaveRefusesAnIncompleteRecord)
{
    for (bool fileExists : { false, true }) {
        TempWorkingDir dir;
        if (fileExists) dir.WriteFile(kStdioFile, "vorher\r\n");
        WithForm([&](CKorva1Dlg& form) {
            Enter(form, kExample);
            SelectListItem(form, -1);
            EXPECT_EQ(Press(form, IDC_BUTTON_SPEICHERN1), Messages{ kMsgChooseProgramme });
            EXPECT_EQ(::GetFocus(), Item(form, IDC_LIST_STUDIENGANG));

            SelectListItem(form, 2);
            for (int button : { IDC_RADIO_AI, IDC_RADIO_VW, IDC_RADIO_W })
                ::SendMessageA(Item(form, button), BM_SETCHECK, BST_UNCHECKED, 0);
            EXPECT_EQ(Press(form, IDC_BUTTON_SPEICHERN1), Messages{ kMsgOnRadioFB });
        });
        EXPECT_EQ(dir.ReadFile(kStdioFile), fileExists ? "vorher\r\n" : "");
        EXPECT_EQ(FolderEntries(), fileExists ? std::vector<std::string>{ kStdioFile } : std::vector<std::string>{});
    }
}

// A missing file: the stdio load changes nothing, the stream load has taken
// the controls into the members first, the binary load shows the members.
TEST(RecordCommands, LoadOfAMissingFileIsReported)
{
    struct Case {
        int button;
        std::string nameShown, nameMember;
    };
    const Case cases[] = {
        { IDC_BUTTON_LADEN1, "Getippt", "Brenkow" },
        { IDC_BUTTON_LADEN_STREAM, "Getippt", "Getippt" },
        { IDC_BUTTON_LADEN_BINAER, "Brenkow", "Brenkow" },
    };
    for (const Case& test : cases) {
        TempWorkingDir dir;
        WithForm([&](CKorva1Dlg& form) {
            SetText(form, IDC_EDIT_NAME, "Getippt");
            auto boxes = AnswerMessageBoxes([&] { Click(form, test.button); });
            ASSERT_EQ(MessageTexts(boxes), Messages{ kMsgOpenForReading }) << test.button;
            EXPECT_EQ(boxes[0].caption, AfxGetApp()->m_strAppName.GetString());
            EXPECT_EQ(Text(form, IDC_EDIT_NAME), test.nameShown) << test.button;
            EXPECT_EQ(form.m_strName, test.nameMember.c_str()) << test.button;
        });
    }
}

// A damaged file is refused whole: the form stays as it was.
TEST(RecordCommands, MalformedFilesAreRefusedAndTheFormStays)
{
    struct Case {
        const char* what;
        int button;
        const char* file;
        std::string bytes;
    };
    const Case cases[] = {
        { "test.txt ends after the faculty", IDC_BUTTON_LADEN1, kStdioFile,
          Lines({ "Neu", "Name", "5", "VW", "Archivwesen / Digitale Akten" }) },
        { "test.txt ends before the travel mode", IDC_BUTTON_LADEN1, kStdioFile,
          Lines({ "Neu", "Name", "5", "AI", "Datenkunde", "0", "1", "Weg", "Bus" }) },
        { "test.txt programme index is no number", IDC_BUTTON_LADEN1, kStdioFile,
          Lines({ "Neu", "Name", "5", "AI", "Datenkunde", "x", "0" }) },
        { "test2.txt number line holds text", IDC_BUTTON_LADEN_STREAM, kStreamFile,
          Lines({ "Neu", "Name", "abc", "0", "2", "0" }) },
        { "test2.txt faculty beyond 32 bits", IDC_BUTTON_LADEN_STREAM, kStreamFile,
          Lines({ "Neu", "Name", "5", "4294967296", "2", "0" }) },
        { "test2.txt ends before the street", IDC_BUTTON_LADEN_STREAM, kStreamFile,
          Lines({ "Neu", "Name", "5", "0", "2", "1" }) },
        { "test.bin length beyond the file", IDC_BUTTON_LADEN_BINAER, kBinaryFile, Int32(1000) + "Neu" },
        { "test.bin negative length", IDC_BUTTON_LADEN_BINAER, kBinaryFile,
          Int32(-1) + BinaryRecordBytes("", "", 5, 0) },
        { "test.bin ends before the flag", IDC_BUTTON_LADEN_BINAER, kBinaryFile,
          BinaryRecordBytes("Neu", "Name", 5, 0).substr(0, 19) },
        { "test.bin name with a line break", IDC_BUTTON_LADEN_BINAER, kBinaryFile,
          BinaryRecordBytes("Ne\r\nu", "Name", 5, 0) },
        { "test.txt first name one over the field length", IDC_BUTTON_LADEN1, kStdioFile,
          Lines({ "Neu", std::string(32768, 'n'), "5", "AI", "Datenkunde", "0", "0" }) },
        { "test.txt a 4 MB surname", IDC_BUTTON_LADEN1, kStdioFile, std::string(4 << 20, 'n') },
        { "test2.txt street one over the field length", IDC_BUTTON_LADEN_STREAM, kStreamFile,
          Lines({ "Neu", "Name", "5", "0", "2", "1", std::string(32768, 's'), "1" }) },
        { "test.bin surname one over the field length", IDC_BUTTON_LADEN_BINAER, kBinaryFile,
          BinaryRecordBytes(std::string(32768, 'n'), "Name", 5, 0) },
    };
    for (const Case& test : cases) {
        TempWorkingDir dir;
        dir.WriteFile(test.file, test.bytes);
        WithForm([&](CKorva1Dlg& form) {
            Enter(form, { "Brenkow", "Talmino", "31999", IDC_RADIO_W, 1, true, "Am Markt 2", 2 });
            form.UpdateData(TRUE);
            FormView before = View(form);

            EXPECT_EQ(Press(form, test.button), Messages{ kMsgReading }) << test.what;
            EXPECT_EQ(View(form), before) << test.what;
            EXPECT_EQ(form.m_strName, "Brenkow") << test.what;
            EXPECT_EQ(form.m_nMatrnr, 31999) << test.what;
            EXPECT_EQ(form.m_nFachbereich, 2) << test.what;
            EXPECT_EQ(form.m_bWohnort, 1) << test.what;
        });
        EXPECT_EQ(dir.ReadFile(test.file), test.bytes) << test.what;
    }
}

const int kSaveButtons[] = { IDC_BUTTON_SPEICHERN1, IDC_BUTTON_SPEICHERN_STREAM, IDC_BUTTON_SPEICHERN_BINAER };
const char* const kSaveFiles[] = { kStdioFile, kStreamFile, kBinaryFile };

// A save writes what the form shows, or nothing: not after the framework has
// refused the number, and not a text that the file's code page would change
// (its member holds look-alikes). The form's own exchanges leave such a text
// showing, and the exchange itself does not fail on it.
TEST(RecordCommands, SaveRefusesWhatItCannotWriteAsShown)
{
    struct Refusal {
        int field;
        std::wstring text;
        std::string ownMessage;  // after the exchange's own
        DWORD selection;         // as EM_GETSEL gives it
    };
    const auto notStorable = [](const std::string& label) {
        return "Das Feld \x84" + label + "\x93 enth\xE4lt Zeichen, die die Datei nicht speichern kann.";
    };
    const Refusal refusals[] = {
        { IDC_EDIT_MATRNR, L"12a", "", MAKELONG(0, 3) },
        { IDC_EDIT_NAME, L"\u015Eahin", notStorable("Name"), MAKELONG(0, 1) },              // "Şahin"
        { IDC_EDIT_VORNAME, L"Y\u0131ld\u0131z", notStorable("Vorname"), MAKELONG(1, 2) },  // "Yıldız"
    };
    for (const Refusal& refusal : refusals) {
        for (int i = 0; i < 3; ++i) {
            for (bool earlierRecord : { false, true }) {
                const std::string what = std::string(kSaveFiles[i]) + ", field " + std::to_string(refusal.field);
                TempWorkingDir dir;
                WithForm([&](CKorva1Dlg& form) {
                    Enter(form, kExample);
                    if (earlierRecord) {
                        ASSERT_EQ(Press(form, kSaveButtons[i]), Messages{}) << what;
                    }
                    const std::string before = dir.ReadFile(kSaveFiles[i]);
                    SetWideText(form, refusal.field, refusal.text);
                    if (refusal.field != IDC_EDIT_MATRNR) {  // with "12a" the click would report it
                        Click(form, IDC_RADIO_VW);
                        SelectListItem(form, 2);
                    }
                    EXPECT_EQ(WideText(form, refusal.field), refusal.text) << what;

                    Messages expected = MessageTexts(AnswerMessageBoxes([&] { form.UpdateData(TRUE); }));
                    if (!refusal.ownMessage.empty()) expected.push_back(refusal.ownMessage);
                    ASSERT_EQ(expected.size(), 1u) << what;
                    EXPECT_EQ(Press(form, kSaveButtons[i]), expected) << what;
                    EXPECT_EQ(::GetFocus(), Item(form, refusal.field)) << what;
                    EXPECT_EQ(static_cast<DWORD>(::SendMessageW(Item(form, refusal.field), EM_GETSEL, 0, 0)),
                              refusal.selection)
                        << what;
                    EXPECT_EQ(dir.ReadFile(kSaveFiles[i]), before) << what;
                });
                EXPECT_EQ(FolderEntries(),
                          earlierRecord ? std::vector<std::string>{ kSaveFiles[i] } : std::vector<std::string>{})
                    << what;
            }
        }
    }
}

// A file that cannot be written where it stands is reported before anything
// is written; the old file and the folder stay as they were.
TEST(RecordCommands, SaveWhereTheFileCannotBeWrittenKeepsTheOldOne)
{
    enum Blocker { ReadOnly, Folder, HeldWithoutSharing };
    const char* const blockerNames[] = { "read-only", "folder", "held without sharing" };
    for (int i = 0; i < 3; ++i) {
        for (Blocker blocker : { ReadOnly, Folder, HeldWithoutSharing }) {
            const char* file = kSaveFiles[i];
            const std::string what = std::string(file) + ", " + blockerNames[blocker];
            TempWorkingDir dir;
            HANDLE held = INVALID_HANDLE_VALUE;
            if (blocker == Folder) {
                ::CreateDirectoryA(file, nullptr);
            } else {
                dir.WriteFile(file, "alter Inhalt");
                if (blocker == ReadOnly) ::SetFileAttributesA(file, FILE_ATTRIBUTE_READONLY);
                // As another program holds it: no sharing at all.
                if (blocker == HeldWithoutSharing)
                    held = ::CreateFileA(file, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            }
            WithForm([&](CKorva1Dlg& form) {
                Enter(form, kExample);
                EXPECT_EQ(Press(form, kSaveButtons[i]), Messages{ kMsgOpenForWriting }) << what;
            });
            EXPECT_EQ(FolderEntries(), std::vector<std::string>{ file }) << what;
            if (held != INVALID_HANDLE_VALUE) ::CloseHandle(held);
            DWORD attributes = ::GetFileAttributesA(file);
            if (blocker == Folder) {
                EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << what;
            } else {
                EXPECT_EQ(dir.ReadFile(file), "alter Inhalt") << what;
            }
        }
    }
}

// A save replaces its file and nothing else: the person's own files and
// folders beside it, even under names like the save's temporary files, stay
// as they were, and a hidden file stays hidden.
TEST(RecordCommands, SaveReplacesOnlyItsFileAndKeepsItHidden)
{
    for (int i = 0; i < 3; ++i) {
        const std::string file = kSaveFiles[i];
        TempWorkingDir dir;
        const std::vector<std::string> ownFiles = { file + ".tmp", file + ".~kffffff.tmp" };
        for (const std::string& own : ownFiles) dir.WriteFile(own, "eigene Datei");
        ::CreateDirectoryA((file + ".~k000000.tmp").c_str(), nullptr);
        dir.WriteFile(file, "alter Inhalt");
        if (!::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_HIDDEN) ||
            !(::GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_HIDDEN))
            SKIP_OR_FAIL_IN_CI("this file system keeps no hidden attribute");
        const std::vector<std::string> before = FolderEntries();

        WithForm([&](CKorva1Dlg& form) {
            Enter(form, kExample);
            EXPECT_EQ(Press(form, kSaveButtons[i]), Messages{}) << file;
        });
        EXPECT_EQ(dir.ReadFile(file).substr(0, 4), i == 2 ? std::string("\x07\0\0\0", 4) : "Bren") << file;
        EXPECT_TRUE(::GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_HIDDEN) << file;
        EXPECT_EQ(FolderEntries(), before) << file;
        for (const std::string& own : ownFiles) EXPECT_EQ(dir.ReadFile(own), "eigene Datei") << own;
    }
}

// The edits take 32,767 characters by typing; a value that long is saved and
// loaded back in every format, one character more is neither saved nor loaded.
TEST(RecordCommands, LongestValueRoundTripsAndALongerOneIsRefused)
{
    const std::string longest(32767, 'n');
    const int loadButtons[] = { IDC_BUTTON_LADEN1, IDC_BUTTON_LADEN_STREAM, IDC_BUTTON_LADEN_BINAER };
    for (int i = 0; i < 3; ++i) {
        const char* file = kSaveFiles[i];
        TempWorkingDir dir;
        WithForm([&](CKorva1Dlg& form) {
            Enter(form, kExampleWithResidence);
            SetText(form, IDC_EDIT_NAME, longest);
            if (i < 2) SetText(form, IDC_EDIT_STRASSE, longest);  // the binary file holds no street
            ASSERT_EQ(Press(form, kSaveButtons[i]), Messages{}) << file;
            SetText(form, IDC_EDIT_NAME, "kurz");
            SetText(form, IDC_EDIT_STRASSE, "kurz");
            form.UpdateData(TRUE);
            EXPECT_EQ(Press(form, loadButtons[i]), Messages{}) << file;
            EXPECT_EQ(Text(form, IDC_EDIT_NAME), longest) << file;
            EXPECT_EQ(Text(form, IDC_EDIT_STRASSE), i < 2 ? longest : "kurz") << file;

            const std::string saved = dir.ReadFile(file);
            SetText(form, IDC_EDIT_NAME, longest + "n");
            EXPECT_EQ(Press(form, kSaveButtons[i]), Messages{ kMsgWriting }) << file;
            EXPECT_EQ(dir.ReadFile(file), saved) << file;
            EXPECT_EQ(FolderEntries(), std::vector<std::string>{ file }) << file;
        });
    }
}

// A single-line edit accepts a line break when its text is set from
// outside; such a value cannot be stored in the records' layouts.
TEST(RecordCommands, SaveOfAValueWithALineBreakIsRefused)
{
    for (int i = 0; i < 3; ++i) {
        const char* file = kSaveFiles[i];
        TempWorkingDir dir;
        dir.WriteFile(file, "alter Inhalt");
        WithForm([&](CKorva1Dlg& form) {
            Enter(form, kExample);
            SetText(form, IDC_EDIT_NAME, "Bren\r\nkow");
            ASSERT_EQ(Text(form, IDC_EDIT_NAME), "Bren\r\nkow") << "the edit keeps the line break";
            EXPECT_EQ(Press(form, kSaveButtons[i]), Messages{ kMsgWriting }) << file;
        });
        EXPECT_EQ(dir.ReadFile(file), "alter Inhalt") << file;
        EXPECT_EQ(FolderEntries(), std::vector<std::string>{ file }) << file;
    }
}

}  // namespace
