#include <gtest/gtest.h>

#include <string>

#include "framework/CString.h"

TEST(CString, HoldsBytesExactly)
{
    const std::string bytes("Zu Fu\xDF \x80\xFF", 9);
    CString text(bytes);
    EXPECT_EQ(text.GetLength(), 9);
    EXPECT_EQ(text.ToStdString(), bytes);
    EXPECT_EQ(std::string(text.GetString()), bytes);
}

TEST(CString, NullAndEmptyAreTheEmptyString)
{
    CString fromNull(static_cast<const char*>(nullptr));
    EXPECT_TRUE(fromNull.IsEmpty());
    EXPECT_STREQ(fromNull, "");

    CString text("Brenkow");
    text = nullptr;
    EXPECT_TRUE(text.IsEmpty());

    CString other("Talmino");
    other.Empty();
    EXPECT_EQ(other, CString());
}

TEST(CString, ComparesByContent)
{
    CString a("Bahn"), b("Bahn"), c("bahn");
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
    EXPECT_TRUE(a == "Bahn");
    EXPECT_FALSE(a == "Bahn ");
}
