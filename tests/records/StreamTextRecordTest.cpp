#include "RecordFileTest.h"

#include "records/StreamTextRecord.h"

#include <algorithm>
#include <climits>
#include <tuple>
#include <vector>

namespace {

StreamTextRecord Example(int wohnort)
{
    StreamTextRecord record;
    record.name = "Brenkow";
    record.vorname = "Talmino";
    record.matrnr = 31999;
    record.fachbereich = 0;
    record.studiengangIndex = 2;
    record.wohnort = wohnort;
    if (wohnort)
        record.fahrtIndex = 1;
    return record;
}

auto Fields(const StreamTextRecord& r)
{
    return std::tie(r.name, r.vorname, r.matrnr, r.fachbereich, r.studiengangIndex, r.wohnort, r.strasse, r.fahrtIndex);
}

using StreamTextRecordFile = RecordFileTest;

TEST_F(StreamTextRecordFile, WritesTheExamplesByteForByte)
{
    const std::string sixLines = "Brenkow\r\nTalmino\r\n31999\r\n0\r\n2\r\n0\r\n";
    ASSERT_EQ(sixLines.size(), 34u);
    // The shorter file saved over the longer one must be cut to its length.
    const std::pair<StreamTextRecord, std::string> cases[] = {
        {Example(1), "Brenkow\r\nTalmino\r\n31999\r\n0\r\n2\r\n1\r\n\r\n1\r\n"},
        {Example(0), sixLines},
    };
    for (const auto& [record, bytes] : cases) {
        ASSERT_EQ(SaveStreamTextRecord(PathOf("test2.txt").c_str(), record), SaveResult::Saved);
        EXPECT_EQ(ReadBytes(PathOf("test2.txt")), bytes);
    }
}

TEST_F(StreamTextRecordFile, RoundTripsWithEitherLineEnd)
{
    std::vector<StreamTextRecord> records = {Example(0), Example(1), StreamTextRecord{}};
    StreamTextRecord values = Example(1);
    values.name.assign(5000, 'n');
    values.vorname = "J\xE4nne";
    values.strasse = "Hauptstra\xDF" "e 1";
    records.push_back(values);
    StreamTextRecord extremes = Example(1);
    extremes.matrnr = INT_MIN;
    extremes.fachbereich = INT_MAX;
    extremes.studiengangIndex = INT_MIN;
    extremes.fahrtIndex = INT_MAX;
    records.push_back(extremes);

    const std::string path = PathOf("test2.txt");
    for (const StreamTextRecord& record : records) {
        SCOPED_TRACE(record.name.substr(0, 20));
        ASSERT_EQ(SaveStreamTextRecord(path.c_str(), record), SaveResult::Saved);
        StreamTextRecord loaded = Example(1);
        ASSERT_EQ(LoadStreamTextRecord(path.c_str(), loaded), LoadResult::Loaded);
        EXPECT_EQ(Fields(loaded), Fields(record));

        std::string bareLineFeeds = ReadBytes(path);
        bareLineFeeds.erase(std::remove(bareLineFeeds.begin(), bareLineFeeds.end(), '\r'), bareLineFeeds.end());
        WriteBytes(path, bareLineFeeds);
        loaded = Example(1);
        ASSERT_EQ(LoadStreamTextRecord(path.c_str(), loaded), LoadResult::Loaded);
        EXPECT_EQ(Fields(loaded), Fields(record));
    }
}

TEST_F(StreamTextRecordFile, TakesOnlyOneAsTheResidenceFlag)
{
    StreamTextRecord record = Example(2);
    record.strasse = "Hauptstr";
    ASSERT_EQ(SaveStreamTextRecord(PathOf("test2.txt").c_str(), record), SaveResult::Saved);
    StreamTextRecord loaded = Example(1);
    ASSERT_EQ(LoadStreamTextRecord(PathOf("test2.txt").c_str(), loaded), LoadResult::Loaded);
    EXPECT_EQ(Fields(loaded), Fields(Example(0)));
}

TEST_F(StreamTextRecordFile, RejectsMalformedFilesAndKeepsTheRecord)
{
    const std::string cases[] = {
        "",
        "Brenkow\r\nTalmino\r\n31999\r\n0\r\n2\r\n",
        "Brenkow\r\nTalmino\r\n31999\r\n0\r\n2\r\n1\r\nHauptstr\r\n",
        "Brenkow\r\nTalmino\r\n\r\n0\r\n2\r\n0\r\n",
        "Brenkow\r\nTalmino\r\n31999\r\nAI\r\n2\r\n0\r\n",
        "Brenkow\r\nTalmino\r\n31999\r\n0\r\n-\r\n0\r\n",
        "Brenkow\r\nTalmino\r\n31999\r\n0\r\n2\r\nyes\r\n",
        "Brenkow\r\nTalmino\r\n31999\r\n0\r\n2\r\n1\r\n\r\nBus\r\n",
        "Brenkow\r\nTalmino\r\n2147483648\r\n0\r\n2\r\n0\r\n",
        "Brenkow\r\nTalmino\r\n31999\r\n-2147483649\r\n2\r\n0\r\n",
        "Brenkow\r\nTalmino\r\n31999\r\n0\r\n2\r\n1\r\n\r\n99999999999\r\n",
        Bytes("Brenkow\r\nTal\0mino\r\n31999\r\n0\r\n2\r\n0\r\n"),
        "Bren\rkow\r\nTalmino\r\n31999\r\n0\r\n2\r\n0\r\n",
        "Brenkow\r\nTalmino\r\n31999\r\n0\r\n2\r\n1\r\nHaupt\rstr\r\n1\r\n",
    };
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes);
        WriteBytes(PathOf("test2.txt"), bytes);
        StreamTextRecord record = Example(1);
        EXPECT_EQ(LoadStreamTextRecord(PathOf("test2.txt").c_str(), record), LoadResult::Malformed);
        EXPECT_EQ(Fields(record), Fields(Example(1)));
    }
    StreamTextRecord record;
    EXPECT_EQ(LoadStreamTextRecord(PathOf("missing.txt").c_str(), record), LoadResult::CannotOpen);
}

}  // namespace
