#include "records/BinaryRecord.h"

#include <climits>
#include <vector>

#include "RecordFields.h"
#include "RecordFileTest.h"

namespace {

const BinaryRecord example = { "Brenkow", "Talmino", 31999, 1 };

using BinaryRecordFile = RecordFileTest;

TEST_F(BinaryRecordFile, WritesLittleEndianLengthsAndNumbers)
{
    // Each file is saved over the one before, so a shorter one shows it is cut to its length.
    const std::pair<BinaryRecord, std::string> cases[] = {
        { example, Bytes("\x07\0\0\0"
                         "Brenkow"
                         "\x07\0\0\0"
                         "Talmino"
                         "\xFF\x7C\0\0"
                         "\x01\0\0\0") },
        { BinaryRecord{}, std::string(16, '\0') },
        { { "A", "", INT_MIN, -2 },
          Bytes("\x01\0\0\0"
                "A"
                "\0\0\0\0"
                "\0\0\0\x80"
                "\xFE\xFF\xFF\xFF") },
    };
    for (const auto& [record, bytes] : cases) {
        ASSERT_EQ(SaveBinaryRecord(PathOf("test.bin").c_str(), record), SaveResult::Saved);
        EXPECT_EQ(ReadBytes(PathOf("test.bin")), bytes);
        BinaryRecord loaded = example;
        ASSERT_EQ(LoadBinaryRecord(PathOf("test.bin").c_str(), loaded), LoadResult::Loaded);
        EXPECT_EQ(Fields(loaded), Fields(record));
    }
}

TEST_F(BinaryRecordFile, RoundTrips)
{
    const BinaryRecord records[] = {
        example,
        { std::string(5000, 'n'), std::string(3000, 'v'), INT_MAX, 0 },
        { "M\xFCller", "J\xE4nne \xDF", INT_MIN, INT_MIN },
        { "", "Talmino", 0, INT_MAX },
    };
    for (const BinaryRecord& record : records) {
        ASSERT_EQ(SaveBinaryRecord(PathOf("test.bin").c_str(), record), SaveResult::Saved);
        BinaryRecord loaded = example;
        ASSERT_EQ(LoadBinaryRecord(PathOf("test.bin").c_str(), loaded), LoadResult::Loaded);
        EXPECT_EQ(Fields(loaded), Fields(record));
    }
}

TEST_F(BinaryRecordFile, IgnoresBytesAfterTheResidenceFlag)
{
    ASSERT_EQ(SaveBinaryRecord(PathOf("test.bin").c_str(), example), SaveResult::Saved);
    WriteBytes(PathOf("test.bin"), ReadBytes(PathOf("test.bin")) + "trailing");
    BinaryRecord loaded;
    ASSERT_EQ(LoadBinaryRecord(PathOf("test.bin").c_str(), loaded), LoadResult::Loaded);
    EXPECT_EQ(Fields(loaded), Fields(example));
}

TEST_F(BinaryRecordFile, RejectsMalformedFilesAndKeepsTheRecord)
{
    const std::string numbers = Bytes("\xFF\x7C\0\0\x01\0\0\0");
    const std::string cases[] = {
        "",
        Bytes("\x07\0\0"),
        Bytes("\xFF\xFF\xFF\xFF") + numbers,
        Bytes("\x07\0\0\0"
              "Brenkow"
              "\0\0\0\x80") +
            numbers,
        Bytes("\xFF\xFF\xFF\x7F"
              "Brenkow") +
            numbers,
        Bytes("\x08\0\0\0"
              "Brenkow"),
        Bytes("\x07\0\0\0"
              "Brenkow"
              "\x07\0\0\0"
              "Talmino"
              "\xFF\x7C\0\0"
              "\x01\0\0"),
        Bytes("\x07\0\0\0"
              "Bren\0ow"
              "\0\0\0\0") +
            numbers,
        Bytes("\x07\0\0\0"
              "Bren\row"
              "\0\0\0\0") +
            numbers,
        Bytes("\0\0\0\0"
              "\x07\0\0\0"
              "Tal\nino") +
            numbers,
    };
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        WriteBytes(PathOf("test.bin"), bytes);
        BinaryRecord record = example;
        EXPECT_EQ(LoadBinaryRecord(PathOf("test.bin").c_str(), record), LoadResult::Malformed);
        EXPECT_EQ(Fields(record), Fields(example));
    }
    BinaryRecord record;
    EXPECT_EQ(LoadBinaryRecord(PathOf("missing.bin").c_str(), record), LoadResult::CannotOpen);
}

}  // namespace
