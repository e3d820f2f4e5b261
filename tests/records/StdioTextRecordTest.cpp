#include "RecordFileTest.h"

#include "records/StdioTextRecord.h"

#include <algorithm>
#include <climits>
#include <functional>
#include <tuple>
#include <vector>

namespace {

StdioTextRecord Example(bool wohnort)
{
    StdioTextRecord record;
    record.name = "Brenkow";
    record.vorname = "Talmino";
    record.matrnr = 31999;
    record.fachbereichCode = "AI";
    record.studiengang = "Rechnerbau";
    record.studiengangIndex = 2;
    record.wohnort = wohnort;
    if (wohnort) {
        record.fahrt = "Bus";
        record.fahrtIndex = 1;
    }
    return record;
}

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

auto Fields(const StdioTextRecord& r)
{
    return std::tie(r.name, r.vorname, r.matrnr, r.fachbereichCode, r.studiengang, r.studiengangIndex, r.wohnort,
                    r.strasse, r.fahrt, r.fahrtIndex);
}

using StdioTextRecordFile = RecordFileTest;

TEST_F(StdioTextRecordFile, WritesTheExamplesByteForByte)
{
    const std::string sevenLines = "Brenkow\r\nTalmino\r\n31999\r\nAI\r\nRechnerbau\r\n2\r\n0\r\n";
    ASSERT_EQ(sevenLines.size(), 47u);
    // The shorter file saved over the longer one must be cut to its length.
    const std::pair<StdioTextRecord, std::string> cases[] = {
        {Example(true), "Brenkow\r\nTalmino\r\n31999\r\nAI\r\nRechnerbau\r\n2\r\n1\r\n\r\nBus\r\n1\r\n"},
        {Example(false), sevenLines},
    };
    for (const auto& [record, bytes] : cases) {
        ASSERT_EQ(SaveStdioTextRecord(PathOf("test.txt").c_str(), record), SaveResult::Saved);
        EXPECT_EQ(ReadBytes(PathOf("test.txt")), bytes);
    }
}

TEST_F(StdioTextRecordFile, RoundTripsWithEitherLineEnd)
{
    std::vector<StdioTextRecord> records = {Example(false), Example(true)};
    // Lengths around the reader's 1024-byte chunks, so that CR LF straddles them.
    for (std::size_t length : {1022, 1023, 1024, 1025, 5000}) {
        StdioTextRecord record = Example(true);
        record.name.assign(length, 'n');
        record.strasse.assign(length, 's');
        records.push_back(record);
    }
    StdioTextRecord umlauts = Example(true);
    umlauts.name = "M\xFCller";
    umlauts.vorname = "J\xE4nne";
    umlauts.strasse = "Hauptstra\xDF" "e 1";
    umlauts.fahrt = "Zu Fu\xDF";
    records.push_back(umlauts);
    StdioTextRecord extremes = Example(true);
    extremes.matrnr = INT_MIN;
    extremes.studiengangIndex = INT_MAX;
    extremes.fahrtIndex = INT_MIN;
    records.push_back(extremes);
    StdioTextRecord empty;  // no matrnr: an empty line 3
    empty.wohnort = true;
    records.push_back(empty);

    const std::string path = PathOf("test.txt");
    for (const StdioTextRecord& record : records) {
        SCOPED_TRACE(record.name.substr(0, 20) + " " + std::to_string(record.name.size()));
        ASSERT_EQ(SaveStdioTextRecord(path.c_str(), record), SaveResult::Saved);
        StdioTextRecord loaded = Example(false);
        ASSERT_EQ(LoadStdioTextRecord(path.c_str(), loaded), LoadResult::Loaded);
        EXPECT_EQ(Fields(loaded), Fields(AsLoaded(record)));

        std::string bareLineFeeds = ReadBytes(path);
        bareLineFeeds.erase(std::remove(bareLineFeeds.begin(), bareLineFeeds.end(), '\r'), bareLineFeeds.end());
        WriteBytes(path, bareLineFeeds);
        loaded = Example(false);
        ASSERT_EQ(LoadStdioTextRecord(path.c_str(), loaded), LoadResult::Loaded);
        EXPECT_EQ(Fields(loaded), Fields(AsLoaded(record)));
    }
}

TEST_F(StdioTextRecordFile, LoadsLinesTheWayTheFormExpects)
{
    const std::string head = "Brenkow\r\nTalmino\r\n";
    const std::string tail = "Rechnerbau\r\n2\r\n";
    auto expect = [](std::function<void(StdioTextRecord&)> change) {
        StdioTextRecord record = AsLoaded(Example(false));
        change(record);
        return record;
    };
    const std::pair<std::string, StdioTextRecord> cases[] = {
        {head + "none\r\nAI\r\n" + tail + "0\r\n", expect([](auto& r) { r.matrnr.reset(); })},
        {head + " +12 apples\r\nAI\r\n" + tail + "0\r\n", expect([](auto& r) { r.matrnr = 12; })},
        {head + "31999\r\nai \r\n" + tail + "0\r\n", expect([](auto& r) { r.fachbereichCode = "ai "; })},
        {head + "31999\r\nAI\r\n" + tail + "2\r\nnot read\r\n", expect([](auto&) {})},
        {head + "31999\r\nAI\r\n" + tail + "0", expect([](auto&) {})},
    };
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(bytes);
        WriteBytes(PathOf("test.txt"), bytes);
        StdioTextRecord loaded = Example(true);
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
        StdioTextRecord record = Example(true);
        EXPECT_EQ(LoadStdioTextRecord(PathOf("test.txt").c_str(), record), LoadResult::Malformed);
        EXPECT_EQ(Fields(record), Fields(Example(true)));
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
    ASSERT_EQ(SaveStdioTextRecord(path.c_str(), Example(false)), SaveResult::Saved);
    const std::string old = ReadBytes(path);
    for (const auto& breakRecord : breakers) {
        StdioTextRecord record = Example(true);
        breakRecord(record);
        EXPECT_EQ(SaveStdioTextRecord(path.c_str(), record), SaveResult::WriteFailed);
        EXPECT_EQ(ReadBytes(path), old);
    }
    // Street and travel mode are not written without the residence flag.
    StdioTextRecord record = Example(false);
    record.strasse = "Haupt\nstr";
    EXPECT_EQ(SaveStdioTextRecord(path.c_str(), record), SaveResult::Saved);
}

}  // namespace
