#include "records/StdioTextRecord.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <vector>

#include "RecordFields.h"
#include "RecordFileTest.h"

namespace {

const StdioTextRecord sevenLines = { "Brenkow", "Talmino", 31999, "AI", "Rechnerbau", 2, false, "", "", -1 };
const StdioTextRecord tenLines = { "Brenkow", "Talmino", 31999, "AI", "Rechnerbau", 2, true, "", "Bus", 1 };

// A load drops the texts of lines 5 and 9; street and travel mode come only
// with the residence flag.
StdioTextRecord AsLoaded(StdioTextRecord record)
{
    record.studiengang.clear();
    record.fahrt.clear();
    if (!record.wohnort) {
        record.strasse.clear();
        record.fahrtIndex = -1;
    }
    return record;
}

using StdioTextRecordFile = RecordFileTest;

TEST_F(StdioTextRecordFile, WritesTheExamplesByteForByte)
{
    const std::string sevenLineBytes = "Brenkow\r\nTalmino\r\n31999\r\nAI\r\nRechnerbau\r\n2\r\n0\r\n";
    ASSERT_EQ(sevenLineBytes.size(), 47u);
    // The shorter file saved over the longer one must be cut to its length.
    const std::pair<StdioTextRecord, std::string> cases[] = {
        { tenLines, "Brenkow\r\nTalmino\r\n31999\r\nAI\r\nRechnerbau\r\n2\r\n1\r\n\r\nBus\r\n1\r\n" },
        { sevenLines, sevenLineBytes },
    };
    for (const auto& [record, bytes] : cases) {
        ASSERT_EQ(SaveStdioTextRecord(PathOf("test.txt").c_str(), record), SaveResult::Saved);
        EXPECT_EQ(ReadBytes(PathOf("test.txt")), bytes);
    }
}

TEST_F(StdioTextRecordFile, RoundTripsWithEitherLineEnd)
{
    std::vector<StdioTextRecord> records = {
        sevenLines,
        tenLines,
        { "M\xFCller", "J\xE4nne", 1, "W", "Baukunde", 3, true,
          "Hauptstra\xDF"
          "e 1",
          "Zu Fu\xDF", 5 },
        { "", "", INT_MIN, "VW", "", INT_MAX, true, "", "", INT_MIN },
        { "", "", std::nullopt, "", "", -1, true, "", "", -1 },  // no matrnr: an empty line 3
    };
    // Lengths around the reader's 1024-byte chunks, so that CR LF straddles them.
    for (std::size_t length : { 1022, 1023, 1024, 1025, 5000 })
        records.push_back({ std::string(length, 'n'), "", 1, "AI", "", 0, true, std::string(length, 's'), "", 0 });

    const std::string path = PathOf("test.txt");
    for (const StdioTextRecord& record : records) {
        SCOPED_TRACE(record.name.substr(0, 20) + " " + std::to_string(record.name.size()));
        ASSERT_EQ(SaveStdioTextRecord(path.c_str(), record), SaveResult::Saved);
        StdioTextRecord loaded = sevenLines;
        ASSERT_EQ(LoadStdioTextRecord(path.c_str(), loaded), LoadResult::Loaded);
        EXPECT_EQ(Fields(loaded), Fields(AsLoaded(record)));

        std::string bareLineFeeds = ReadBytes(path);
        bareLineFeeds.erase(std::remove(bareLineFeeds.begin(), bareLineFeeds.end(), '\r'), bareLineFeeds.end());
        WriteBytes(path, bareLineFeeds);
        loaded = sevenLines;
        ASSERT_EQ(LoadStdioTextRecord(path.c_str(), loaded), LoadResult::Loaded);
        EXPECT_EQ(Fields(loaded), Fields(AsLoaded(record)));
    }
}

TEST_F(StdioTextRecordFile, LoadsLinesTheWayTheFormExpects)
{
    const std::string head = "Brenkow\r\nTalmino\r\n";
    const std::string tail = "Rechnerbau\r\n2\r\n";
    const StdioTextRecord loaded = AsLoaded(sevenLines);
    const std::pair<std::string, StdioTextRecord> cases[] = {
        { head + "none\r\nAI\r\n" + tail + "0\r\n",
          { "Brenkow", "Talmino", std::nullopt, "AI", "", 2, false, "", "", -1 } },
        { head + " +12 apples\r\nAI\r\n" + tail + "0\r\n",
          { "Brenkow", "Talmino", 12, "AI", "", 2, false, "", "", -1 } },
        { head + "31999\r\nai \r\n" + tail + "0\r\n",
          { "Brenkow", "Talmino", 31999, "ai ", "", 2, false, "", "", -1 } },
        { head + "31999\r\nAI\r\n" + tail + "2\r\nnot read\r\n", loaded },
        { head + "31999\r\nAI\r\n" + tail + "0", loaded },
    };
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(bytes);
        WriteBytes(PathOf("test.txt"), bytes);
        StdioTextRecord loaded = tenLines;
        ASSERT_EQ(LoadStdioTextRecord(PathOf("test.txt").c_str(), loaded), LoadResult::Loaded);
        EXPECT_EQ(Fields(loaded), Fields(expected));
    }
}

TEST_F(StdioTextRecordFile, RejectsMalformedFilesAndKeepsTheRecord)
{
    const std::string head = "Brenkow\r\nTalmino\r\n31999\r\nAI\r\nRechnerbau\r\n";
    const std::string cases[] = {
        "",
        head,
        head + "2\r\n",
        head + "2\r\n1\r\n\r\nBus\r\n",
        head + "x\r\n0\r\n",
        head + "2\r\n\r\n",
        head + "2\r\n1\r\n\r\nBus\r\nnone\r\n",
        "Brenkow\r\nTalmino\r\n2147483648\r\nAI\r\nRechnerbau\r\n2\r\n0\r\n",
        head + "-2147483649\r\n0\r\n",
        head + "2\r\n99999999999\r\n",
        head + "2\r\n1\r\n\r\nBus\r\n4294967296\r\n",
        Bytes("Bren\0kow\r\nTalmino\r\n31999\r\nAI\r\nRechnerbau\r\n2\r\n0\r\n"),
        "Brenkow\r\nTal\rmino\r\n31999\r\nAI\r\nRechnerbau\r\n2\r\n0\r\n",
        "Brenkow\r\r\nTalmino\r\n31999\r\nAI\r\nRechnerbau\r\n2\r\n0\r\n",
        head + "2\r\n1\r\n" + Bytes("Haupt\0str\r\nBus\r\n1\r\n"),
    };
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes);
        WriteBytes(PathOf("test.txt"), bytes);
        StdioTextRecord record = tenLines;
        EXPECT_EQ(LoadStdioTextRecord(PathOf("test.txt").c_str(), record), LoadResult::Malformed);
        EXPECT_EQ(Fields(record), Fields(tenLines));
    }
    StdioTextRecord record;
    EXPECT_EQ(LoadStdioTextRecord(PathOf("missing.txt").c_str(), record), LoadResult::CannotOpen);
}

TEST_F(StdioTextRecordFile, RefusesTextsThatWouldNotReadBack)
{
    const std::function<void(StdioTextRecord&)> breakers[] = {
        [](auto& r) { r.name = "Bren\nkow"; },
        [](auto& r) { r.vorname = "Tal\rmino"; },
        [](auto& r) { r.fachbereichCode = Bytes("A\0I"); },
        [](auto& r) { r.studiengang = "Rechner\nbau"; },
        [](auto& r) { r.strasse = "Haupt\r\nstr"; },
        [](auto& r) { r.fahrt = Bytes("Bus\0"); },
    };
    const std::string path = PathOf("test.txt");
    ASSERT_EQ(SaveStdioTextRecord(path.c_str(), sevenLines), SaveResult::Saved);
    const std::string old = ReadBytes(path);
    for (const auto& breakRecord : breakers) {
        StdioTextRecord record = tenLines;
        breakRecord(record);
        EXPECT_EQ(SaveStdioTextRecord(path.c_str(), record), SaveResult::WriteFailed);
        EXPECT_EQ(ReadBytes(path), old);
    }
    // Street and travel mode are not written without the residence flag.
    StdioTextRecord record = sevenLines;
    record.strasse = "Haupt\nstr";
    EXPECT_EQ(SaveStdioTextRecord(path.c_str(), record), SaveResult::Saved);
}

}  // namespace
