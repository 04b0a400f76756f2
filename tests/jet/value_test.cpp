#include "jet/error.h"
#include "jet/value.h"

#include <gtest/gtest.h>

TEST(Utf, RoundTripsAcrossPlanes) {
    const std::string s = "姓名 O'Brien 𠀀 €";
    EXPECT_EQ(jet::toUtf8(jet::fromUtf8(s)), s);
    EXPECT_EQ(jet::fromUtf8("𠀀").size(), 2u); // a surrogate pair
}

TEST(Utf, LoneSurrogateSurvivesTheTripToUtf8) {
    std::u16string lone = u"a";
    lone += char16_t(0xD800);
    const std::string u8 = jet::toUtf8(lone);
    EXPECT_EQ(u8.size(), 4u);
}

TEST(Error, DescribeNamesFileAndPage) {
    auto e = jet::makeError(jet::ErrorKind::Corrupt, "数据页损坏", "db", 7);
    EXPECT_EQ(e.describe(), "数据页损坏（文件 db，第 7 页）");
}
