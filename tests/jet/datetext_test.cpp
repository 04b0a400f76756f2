#include "jet/datetext.h"
#include "jet/value.h"

#include <gtest/gtest.h>

using jet::formatDateText;
using jet::formatIsoDateTime;
using jet::parseDateLiteral;
using jet::parseDateText;

namespace {

std::string text(double d) {
    return jet::toUtf8(formatDateText(d));
}
std::string iso(double d) {
    return jet::toUtf8(formatIsoDateTime(d));
}
double at(int h, int m, int s) {
    return (h * 3600 + m * 60 + s) / 86400.0;
}

const double k20100720 = 40379; // 2010-07-20

} // namespace

TEST(DateText, FormatsDateAndOnlyTheTimePartsThatAreNotZero) {
    EXPECT_EQ(text(0), "1899年12月30日");
    EXPECT_EQ(text(k20100720), "2010年7月20日");
    EXPECT_EQ(text(k20100720 + at(9, 0, 0)), "2010年7月20日9时");
    EXPECT_EQ(text(k20100720 + at(16, 7, 0)), "2010年7月20日16时7分");
    EXPECT_EQ(text(k20100720 + at(16, 7, 26)), "2010年7月20日16时7分26秒");
    EXPECT_EQ(text(k20100720 + at(8, 0, 5)), "2010年7月20日8时0分5秒");
    EXPECT_EQ(text(k20100720 + at(0, 7, 0)), "2010年7月20日0时7分");
    EXPECT_EQ(text(k20100720 - 15), "2010年7月5日");
}

TEST(DateText, FormatsIso) {
    EXPECT_EQ(iso(0), "1899-12-30 00:00:00");
    EXPECT_EQ(iso(k20100720 + at(16, 7, 26)), "2010-07-20 16:07:26");
}

TEST(DateText, DatesBeforeTheEpochKeepTheTimeAsAbsoluteFraction) {
    EXPECT_EQ(iso(-1.25), "1899-12-29 06:00:00");
    EXPECT_EQ(iso(-0.5), "1899-12-30 12:00:00"); // day 0 either side
    EXPECT_EQ(iso(-36522), "1800-01-01 00:00:00");
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("1899-12-29 06:00")), -1.25);
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("1800年1月1日")), -36522);
}

TEST(DateText, RoundsToTheSecondAndCarriesIntoTheNextDay) {
    EXPECT_EQ(iso(k20100720 + at(23, 59, 59) + 0.7 / 86400), "2010-07-21 00:00:00");
    EXPECT_EQ(iso(k20100720 + at(16, 7, 26) + 0.2 / 86400), "2010-07-20 16:07:26");
}

TEST(DateText, ClampsToTheYears100To9999) {
    EXPECT_EQ(iso(1e9), "9999-12-31 23:59:59");
    EXPECT_EQ(iso(-1e9), "0100-01-01 00:00:00");
    // The first and the last day themselves keep their time of day.
    EXPECT_EQ(iso(2958465.5), "9999-12-31 12:00:00");
    EXPECT_EQ(iso(-657434.5), "0100-01-01 12:00:00");
}

TEST(DateText, ReadsTheChineseForms) {
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("2010年7月20日")), k20100720);
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("2010年7月20日9时")), k20100720 + at(9, 0, 0));
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("2010年7月20日16时7分")), k20100720 + at(16, 7, 0));
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("2010年7月20日16时7分26秒")), k20100720 + at(16, 7, 26));
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("2010年07月05日")), k20100720 - 15);
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view(" 2010年7月20日 ")), k20100720);
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("1899年12月30日")), 0);
}

TEST(DateText, ReadsTheIsoForms) {
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("2010-07-20")), k20100720);
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("2010-7-20")), k20100720);
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("2010/7/20")), k20100720);
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("2010-07-20 16:07:26")), k20100720 + at(16, 7, 26));
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("2010-07-20T16:07")), k20100720 + at(16, 7, 0));
    EXPECT_DOUBLE_EQ(*parseDateText(std::string_view("2010/7/20 9:05:00")), k20100720 + at(9, 5, 0));
}

TEST(DateText, RejectsDatesThatDoNotExistAndEverythingElse) {
    for (const char* bad : {"2010年2月30日",
                            "2010年13月1日",
                            "2010年0月1日",
                            "2010年7月0日",
                            "2010年7月32日",
                            "1900年2月29日",
                            "2010年7月20日24时",
                            "2010年7月20日9时60分",
                            "2010年7月20日9时5分60秒",
                            "2010年7月20日9分",
                            "2010年7月20",
                            "2010年7月20日9时5",
                            "abc",
                            "",
                            "   ",
                            "2010",
                            "20100720",
                            "2010-07-20 25:00",
                            "2010-07-20 16:07:26 PM",
                            "7/20/2010",
                            "2010-07/20",
                            "99年7月20日",
                            "10000年1月1日",
                            "2010年7月20日x",
                            "2010-07-20x",
                            "２０１０年7月20日"}) {
        EXPECT_FALSE(parseDateText(std::string_view(bad)).has_value()) << bad;
    }
    EXPECT_TRUE(parseDateText(std::string_view("2000年2月29日")).has_value());
    EXPECT_TRUE(parseDateText(std::string_view("2012-02-29")).has_value());
}

TEST(DateText, LiteralsAlsoTakeMonthDayYearAmPmAndTimeAlone) {
    auto lit = [](const char* s) { return parseDateLiteral(jet::fromUtf8(s)); };
    EXPECT_DOUBLE_EQ(*lit("7/20/2010"), k20100720);
    EXPECT_DOUBLE_EQ(*lit("7/20/10"), k20100720);
    EXPECT_DOUBLE_EQ(*lit("7/20/95"), k20100720 - 5479);
    EXPECT_DOUBLE_EQ(*lit("2010-07-20"), k20100720);
    EXPECT_DOUBLE_EQ(*lit("2010年7月20日16时7分"), k20100720 + at(16, 7, 0));
    EXPECT_DOUBLE_EQ(*lit("7/20/2010 4:07:26 PM"), k20100720 + at(16, 7, 26));
    EXPECT_DOUBLE_EQ(*lit("7/20/2010 12:00 AM"), k20100720);
    EXPECT_DOUBLE_EQ(*lit("7/20/2010 12:30 pm"), k20100720 + at(12, 30, 0));
    EXPECT_DOUBLE_EQ(*lit("16:07"), at(16, 7, 0));
    EXPECT_FALSE(lit("13/20/2010").has_value());
    EXPECT_FALSE(lit("7/20/2010 13:00 PM").has_value());
    EXPECT_FALSE(lit("").has_value());
}

TEST(DateText, EveryDayRoundTripsThroughBothForms) {
    for (double d = -700000; d < 2958466; d += 997.25) {
        const double whole = static_cast<double>(static_cast<long long>(d));
        if (whole < jet::kMinDateNumber)
            continue;
        const auto back = parseDateText(formatDateText(d));
        ASSERT_TRUE(back.has_value()) << d;
        EXPECT_EQ(jet::dateSeconds(*back), jet::dateSeconds(d)) << d;
        const auto backIso = parseDateText(formatIsoDateTime(d));
        ASSERT_TRUE(backIso.has_value()) << d;
        EXPECT_EQ(jet::dateSeconds(*backIso), jet::dateSeconds(d)) << d;
    }
}

TEST(DateText, PartsAndSecondsFollowTheCalendar) {
    const jet::DateParts p = jet::splitDate(k20100720 + at(16, 7, 26));
    EXPECT_EQ(p, (jet::DateParts{2010, 7, 20, 16, 7, 26}));
    EXPECT_FALSE(jet::makeDate({2010, 2, 29}).has_value());
    EXPECT_TRUE(jet::makeDate({2008, 2, 29}).has_value());
    // Straight time line across the epoch: 1899-12-29 18:00 comes before 1899-12-30 00:00.
    EXPECT_LT(jet::dateSeconds(-1.75), jet::dateSeconds(0));
    EXPECT_LT(jet::dateSeconds(-1.25), jet::dateSeconds(-1.75));
}
