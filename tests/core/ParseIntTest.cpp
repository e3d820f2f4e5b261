#include "core/ParseInt.h"

#include <gtest/gtest.h>
#include <string>

namespace {

struct Case {
    const char* text;
    bool ok;
    int value;
};

TEST(ParseDecimalInt, AcceptsWholeSignedDecimalsWithinInt)
{
    const Case cases[] = {
        { "0", true, 0 },
        { "31999", true, 31999 },
        { "-17", true, -17 },
        { "+5", true, 5 },
        { "  42\t", true, 42 },
        { "007", true, 7 },
        { "2147483647", true, 2147483647 },
        { "-2147483648", true, -2147483647 - 1 },
    };
    for (const Case& c : cases) {
        int value = -999;
        EXPECT_TRUE(ParseDecimalInt(c.text, value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(ParseDecimalInt, RejectsAnythingElseAndKeepsTheValue)
{
    const char* rejected[] = {
        "",    "   ", "abc", "12a",  "a12",        "1 2",         "-",           "+",
        "--1", "+-1", "1.5", "0x10", "2147483648", "-2147483649", "99999999999", "99999999999999999999999",
    };
    for (const char* text : rejected) {
        int value = 123;
        EXPECT_FALSE(ParseDecimalInt(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 123) << text;
    }
}

// The reader under both wrappers: it stops at the end it is given, not at a
// zero byte, and leaves the position alone unless it read a number.
TEST(ReadDecimalInt, ReadsTheNumberAtTheStartOfARange)
{
    struct RangeCase {
        std::string text;
        size_t length;  // of the range given to the reader
        DecimalRead result;
        int value;
        size_t consumed;
    };
    const RangeCase cases[] = {
        { "12a", 3, DecimalRead::Number, 12, 2 },
        { "-7 apples", 9, DecimalRead::Number, -7, 2 },
        { "12345", 2, DecimalRead::Number, 12, 2 },
        { std::string("4\0"
                      "2",
                      3),
          3, DecimalRead::Number, 4, 1 },
        { "+", 1, DecimalRead::NoDigits, -1, 0 },
        { "12", 0, DecimalRead::NoDigits, -1, 0 },
        { " 1", 2, DecimalRead::NoDigits, -1, 0 },
        { "-2147483649", 11, DecimalRead::OutOfRange, -1, 0 },
    };
    for (const RangeCase& c : cases) {
        const char* position = c.text.data();
        int value = -1;
        EXPECT_EQ(ReadDecimalInt(position, c.text.data() + c.length, value), c.result) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(static_cast<size_t>(position - c.text.data()), c.consumed) << c.text;
    }
}

}  // namespace
