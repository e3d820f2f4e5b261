#include <gtest/gtest.h>

#include "framework/ParseInt.h"

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
        "", "   ", "abc", "12a", "a12", "1 2", "-", "+", "--1", "+-1", "1.5", "0x10",
        "2147483648", "-2147483649", "99999999999", "99999999999999999999999",
    };
    for (const char* text : rejected) {
        int value = 123;
        EXPECT_FALSE(ParseDecimalInt(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 123) << text;
    }
}

}  // namespace
