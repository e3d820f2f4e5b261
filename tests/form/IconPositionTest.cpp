#include <gtest/gtest.h>

#include "form/IconPosition.h"

TEST(CenteredIconOffset, CentresAndTruncatesTowardZero)
{
    struct Case {
        int client, icon, offset;
    };
    const Case cases[] = {
        { 100, 32, 34 },  // (100 - 32 + 1) / 2
        { 32, 32, 0 },
        { 33, 32, 1 },
        { 20, 32, -5 },   // -11 / 2 truncates toward zero, not down to -6
        { 0, 32, -15 },
        { 160, 16, 72 },
    };
    for (const Case& c : cases) EXPECT_EQ(CenteredIconOffset(c.client, c.icon), c.offset) << c.client;
}
