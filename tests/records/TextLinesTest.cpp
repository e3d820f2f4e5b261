#include "records/TextLines.h"

#include <cstdio>
#include <vector>

#include "RecordFileTest.h"

namespace {

constexpr int untouched = 4711;

struct ScanCase {
    std::string line;
    NumberScan scan;
    int value;
};

TEST(ScanNumber, ReadsLikePercentDWithinThirtyTwoBits)
{
    const ScanCase cases[] = {
        { "31999", NumberScan::Number, 31999 },
        { " \t+7 apples", NumberScan::Number, 7 },
        { "-0", NumberScan::Number, 0 },
        { "000000000000000000012", NumberScan::Number, 12 },
        { "2147483647", NumberScan::Number, 2147483647 },
        { "-2147483648", NumberScan::Number, -2147483647 - 1 },
        { Bytes("5\0"
                "9"),
          NumberScan::Number, 5 },
        { "", NumberScan::NoNumber, untouched },
        { "   ", NumberScan::NoNumber, untouched },
        { "-", NumberScan::NoNumber, untouched },
        { "+-1", NumberScan::NoNumber, untouched },
        { "- 1", NumberScan::NoNumber, untouched },
        { "AI", NumberScan::NoNumber, untouched },
        { Bytes("\0"
                "5"),
          NumberScan::NoNumber, untouched },
        { "2147483648", NumberScan::OutOfRange, untouched },
        { "-2147483649", NumberScan::OutOfRange, untouched },
        { "99999999999999999999999", NumberScan::OutOfRange, untouched },
    };
    for (const ScanCase& c : cases) {
        int value = untouched;
        EXPECT_EQ(ScanNumber(c.line, value), c.scan) << '"' << c.line << '"';
        EXPECT_EQ(value, c.value) << '"' << c.line << '"';
    }
}

}  // namespace

template <typename Source>
std::vector<std::string> AllLines(Source&& source)
{
    std::vector<std::string> lines;
    std::string line;
    while (ReadTextLine(source, line)) lines.push_back(line);
    return lines;
}

using TextLines = RecordFileTest;

TEST_F(TextLines, ReadWholeLinesAndRemoveOnlyTheirLineEnds)
{
    const std::string longLine(3000, 'x');
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        { "a\r\nb\nc", { "a", "b", "c" } },
        { "\r\n\n", { "", "" } },
        { "a\r\r\n", { "a\r" } },
        { "a\r", { "a\r" } },
        { Bytes("a\0b\r\n\0\nc\0"), { Bytes("a\0b"), Bytes("\0"), Bytes("c\0") } },
        { longLine + "\r\n" + longLine, { longLine, longLine } },
    };
    const std::string path = PathOf("lines.txt");
    for (const auto& [bytes, lines] : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes.substr(0, 20)));
        WriteBytes(path, bytes);
        std::FILE* file = std::fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(AllLines(file), lines);
        std::fclose(file);
        EXPECT_EQ(AllLines(std::ifstream(path, std::ios::binary)), lines);
    }
}

// A line longer than a field is refused once it is known to be too long: what
// follows is never read, however much there is.
TEST_F(TextLines, StopReadingALineLongerThanAField)
{
    const std::string longest(kMaxFieldLength, 'x');
    const std::string path = PathOf("lines.txt");
    const std::pair<std::string, bool> cases[] = {
        { longest + "\r\n", true },
        { longest + "\n", true },
        { longest, true },
        { longest + "x\r\n", false },
        { longest + "\r\r\n", false },
        { longest + "x", false },
        { longest + std::string(1000000, 'x') + "\r\n", false },
    };
    for (const auto& [bytes, fits] : cases) {
        SCOPED_TRACE(bytes.size());
        WriteBytes(path, bytes);
        std::string line;
        std::FILE* file = std::fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(ReadTextLine(file, line), fits);
        EXPECT_LE(std::ftell(file), static_cast<long>(kMaxFieldLength + 2048));
        std::fclose(file);

        std::ifstream in(path, std::ios::binary);
        EXPECT_EQ(ReadTextLine(in, line), fits);
        in.clear();
        EXPECT_LE(static_cast<std::size_t>(in.tellg()), kMaxFieldLength + 2);
        if (fits) {
            EXPECT_EQ(line, longest);
        }
    }
}
