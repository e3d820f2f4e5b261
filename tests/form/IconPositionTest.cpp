#include "form/IconPosition.h"

#include <gtest/gtest.h>
#include <type_traits>

#include "form/Korva1Dlg.h"

// The message map's declaration keeps the access of the section it stands
// in: the icon handle, declared after it among the protected members, is not
// reachable from outside the form.
template <typename T, typename = void>
struct HasPublicIcon : std::false_type {
};
template <typename T>
struct HasPublicIcon<T, std::void_t<decltype(&T::m_hIcon)>> : std::true_type {
};
struct PublicIcon {
    HICON m_hIcon;
};
static_assert(HasPublicIcon<PublicIcon>::value, "the probe sees a public member");
static_assert(!HasPublicIcon<CKorva1Dlg>::value, "the form's icon handle is protected");

TEST(CenteredIconOffset, CentresAndTruncatesTowardZero)
{
    struct Case {
        int client, icon, offset;
    };
    const Case cases[] = {
        { 100, 32, 34 },                                   // (100 - 32 + 1) / 2
        { 32, 32, 0 },   { 33, 32, 1 },   { 20, 32, -5 },  // -11 / 2 truncates toward zero, not down to -6
        { 0, 32, -15 },  { 160, 16, 72 },
    };
    for (const Case& c : cases) EXPECT_EQ(CenteredIconOffset(c.client, c.icon), c.offset) << c.client;
}
