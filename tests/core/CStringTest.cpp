#include "core/CString.h"

#include <gtest/gtest.h>
#include <string>

TEST(CString, HoldsBytesExactly)
{
    const std::string bytes("Zu Fu\xDF \x80\xFF", 9);
    CString text(bytes);
    EXPECT_EQ(text.GetLength(), 9);
    EXPECT_EQ(text.ToStdString(), bytes);
    EXPECT_EQ(std::string(text.GetString()), bytes);

    // A counted text keeps a zero byte and stops at its length.
    CString counted("Bahn\0Bus", 6);
    EXPECT_EQ(counted.ToStdString(), std::string("Bahn\0B", 6));
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
