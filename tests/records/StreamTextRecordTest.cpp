#include "records/StreamTextRecord.h"

#include <algorithm>
#include <climits>

#include "RecordFields.h"
#include "RecordFileTest.h"

namespace {

const StreamTextRecord sixLines = { "Brenkow", "Talmino", 31999, 0, 2, 0, "", -1 };
const StreamTextRecord eightLines = { "Brenkow", "Talmino", 31999, 0, 2, 1, "", 1 };

using StreamTextRecordFile = RecordFileTest;

TEST_F(StreamTextRecordFile, WritesTheExamplesByteForByte)
{
    const std::string sixLineBytes = "Brenkow\r\nTalmino\r\n31999\r\n0\r\n2\r\n0\r\n";
    ASSERT_EQ(sixLineBytes.size(), 34u);
    // The shorter file saved over the longer one must be cut to its length.
    const std::pair<StreamTextRecord, std::string> cases[] = {
        { eightLines, "Brenkow\r\nTalmino\r\n31999\r\n0\r\n2\r\n1\r\n\r\n1\r\n" },
        { sixLines, sixLineBytes },
    };
    for (const auto& [record, bytes] : cases) {
        ASSERT_EQ(SaveStreamTextRecord(PathOf("test2.txt").c_str(), record), SaveResult::Saved);
        EXPECT_EQ(ReadBytes(PathOf("test2.txt")), bytes);
    }
}

TEST_F(StreamTextRecordFile, RoundTripsWithEitherLineEnd)
{
    const StreamTextRecord records[] = {
        sixLines,
        eightLines,
        { "", "", 0, 0, 0, 0, "", -1 },
        { std::string(5000, 'n'), "J\xE4nne", 1, 2, 3, 1,
          "Hauptstra\xDF"
          "e 1",
          5 },
        { "", "", INT_MIN, INT_MAX, INT_MIN, 1, "", INT_MAX },
    };

    const std::string path = PathOf("test2.txt");
    for (const StreamTextRecord& record : records) {
        SCOPED_TRACE(record.name.substr(0, 20));
        ASSERT_EQ(SaveStreamTextRecord(path.c_str(), record), SaveResult::Saved);
        StreamTextRecord loaded = eightLines;
        ASSERT_EQ(LoadStreamTextRecord(path.c_str(), loaded), LoadResult::Loaded);
        EXPECT_EQ(Fields(loaded), Fields(record));

        std::string bareLineFeeds = ReadBytes(path);
        bareLineFeeds.erase(std::remove(bareLineFeeds.begin(), bareLineFeeds.end(), '\r'), bareLineFeeds.end());
        WriteBytes(path, bareLineFeeds);
        loaded = eightLines;
        ASSERT_EQ(LoadStreamTextRecord(path.c_str(), loaded), LoadResult::Loaded);
        EXPECT_EQ(Fields(loaded), Fields(record));
    }
}

TEST_F(StreamTextRecordFile, TakesOnlyOneAsTheResidenceFlag)
{
    const StreamTextRecord flagTwo = { "Brenkow", "Talmino", 31999, 0, 2, 2, "Hauptstr", 1 };
    ASSERT_EQ(SaveStreamTextRecord(PathOf("test2.txt").c_str(), flagTwo), SaveResult::Saved);
    StreamTextRecord loaded = eightLines;
    ASSERT_EQ(LoadStreamTextRecord(PathOf("test2.txt").c_str(), loaded), LoadResult::Loaded);
    EXPECT_EQ(Fields(loaded), Fields(sixLines));
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
        StreamTextRecord record = eightLines;
        EXPECT_EQ(LoadStreamTextRecord(PathOf("test2.txt").c_str(), record), LoadResult::Malformed);
        EXPECT_EQ(Fields(record), Fields(eightLines));
    }
    StreamTextRecord record;
    EXPECT_EQ(LoadStreamTextRecord(PathOf("missing.txt").c_str(), record), LoadResult::CannotOpen);
}

}  // namespace
