// The field length limit is exact in every text field of the three files: a
// value of kMaxFieldLength bytes is saved and loaded back, one byte more is
// neither saved nor loaded.
#include <functional>
#include <optional>

#include "RecordFileTest.h"
#include "records/BinaryRecord.h"
#include "records/StdioTextRecord.h"
#include "records/StreamTextRecord.h"
#include "records/TextLines.h"

namespace {

using Value = std::optional<std::string>;  // the field as loaded; empty when the load failed

struct TextField {
    const char* what;
    const char* fileName;
    std::function<SaveResult(const char* path, const std::string& value)> save;
    std::function<Value(const char* path)> load;
    bool loadsBack;  // false for the texts whose index alone is read
};

template <typename Record>
Record WithResidence()
{
    Record record{};
    record.wohnort = 1;
    return record;
}

template <typename Record, typename Member>
TextField Field(const char* what, const char* fileName, SaveResult (*save)(const char*, const Record&),
                LoadResult (*load)(const char*, Record&), Member member, bool loadsBack = true)
{
    return { what, fileName,
             [=](const char* path, const std::string& value) {
                 Record record = WithResidence<Record>();
                 if constexpr (std::is_same_v<Record, StdioTextRecord>) record.fachbereichCode = "AI";
                 record.*member = value;
                 return save(path, record);
             },
             [=](const char* path) -> Value {
                 Record record;
                 return load(path, record) == LoadResult::Loaded ? Value(record.*member) : std::nullopt;
             },
             loadsBack };
}

const TextField fields[] = {
    Field("test.txt surname", "test.txt", SaveStdioTextRecord, LoadStdioTextRecord, &StdioTextRecord::name),
    Field("test.txt first name", "test.txt", SaveStdioTextRecord, LoadStdioTextRecord, &StdioTextRecord::vorname),
    Field("test.txt programme", "test.txt", SaveStdioTextRecord, LoadStdioTextRecord, &StdioTextRecord::studiengang,
          false),
    Field("test.txt street", "test.txt", SaveStdioTextRecord, LoadStdioTextRecord, &StdioTextRecord::strasse),
    Field("test.txt travel mode", "test.txt", SaveStdioTextRecord, LoadStdioTextRecord, &StdioTextRecord::fahrt, false),
    Field("test2.txt surname", "test2.txt", SaveStreamTextRecord, LoadStreamTextRecord, &StreamTextRecord::name),
    Field("test2.txt first name", "test2.txt", SaveStreamTextRecord, LoadStreamTextRecord, &StreamTextRecord::vorname),
    Field("test2.txt street", "test2.txt", SaveStreamTextRecord, LoadStreamTextRecord, &StreamTextRecord::strasse),
    Field("test.bin surname", "test.bin", SaveBinaryRecord, LoadBinaryRecord, &BinaryRecord::name),
    Field("test.bin first name", "test.bin", SaveBinaryRecord, LoadBinaryRecord, &BinaryRecord::vorname),
};

// The saved file with the value one byte longer, its length field included.
std::string OneByteLonger(std::string bytes, const std::string& value)
{
    const std::size_t at = bytes.find(value);
    bytes.insert(at, 1, value[0]);
    if (at >= 4 && bytes.compare(at - 4, 4, Bytes("\xFF\x7F\0\0")) == 0) bytes.replace(at - 4, 4, Bytes("\0\x80\0\0"));
    return bytes;
}

using FieldLimit = RecordFileTest;

TEST_F(FieldLimit, IsExactInEveryTextField)
{
    const std::string longest(kMaxFieldLength, 'n');
    for (const TextField& field : fields) {
        SCOPED_TRACE(field.what);
        const std::string path = PathOf(field.fileName);
        ASSERT_EQ(field.save(path.c_str(), longest), SaveResult::Saved);
        const Value loaded = field.load(path.c_str());
        ASSERT_TRUE(loaded.has_value());
        if (field.loadsBack) {
            EXPECT_EQ(loaded->size(), kMaxFieldLength);
        }

        const std::string saved = ReadBytes(path);
        EXPECT_EQ(field.save(path.c_str(), longest + "n"), SaveResult::WriteFailed);
        EXPECT_EQ(ReadBytes(path), saved);

        WriteBytes(path, OneByteLonger(saved, longest));
        EXPECT_EQ(field.load(path.c_str()), std::nullopt);
        std::filesystem::remove(path);
    }
}

}  // namespace
