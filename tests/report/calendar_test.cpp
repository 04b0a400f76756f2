// The working calendar on days the State Council announced, and the user's holidays.tsv.
#include "report/calendar.h"

#include "testutil.h"
#include "writeutil.h"

#include <cmath>
#include <fstream>

using namespace report;

namespace {

Day day(const char* iso) {
    const auto d = parseIsoDate(iso);
    EXPECT_TRUE(d) << iso;
    return d.value_or(0);
}

} // namespace

TEST(Calendar, DatesAndWeekdays) {
    EXPECT_EQ(day("1899-12-30"), 0);
    EXPECT_EQ(day("2026-10-01"), 46296);
    EXPECT_EQ(isoDate(46296), "2026-10-01");
    EXPECT_EQ(isoDate(day("0100-01-01")), "0100-01-01");
    EXPECT_STREQ(weekdayName(day("2026-10-01")), "星期四");
    EXPECT_STREQ(weekdayName(day("1899-12-30")), "星期六");
    EXPECT_STREQ(weekdayName(day("1899-12-24")), "星期日");
    EXPECT_FALSE(parseIsoDate("2026-02-29"));
    EXPECT_FALSE(parseIsoDate("2026-13-01"));
    EXPECT_FALSE(parseIsoDate("2026-1-01"));
    EXPECT_EQ(day("2024-02-29") + 1, day("2024-03-01"));
    // The date part of stored values, also just before midnight and before 1899-12-30.
    EXPECT_EQ(dayOfDateValue(46296.75), 46296);
    EXPECT_EQ(dayOfDateValue(46296.999999), 46297); // rounds to the next second: midnight
    EXPECT_EQ(dayOfDateValue(-1.25), -1);
    EXPECT_FALSE(dayOfDateValue(std::nan("")));
}

TEST(Calendar, AnnouncedDays) {
    const WorkCalendar c = WorkCalendar::builtIn();
    // National Day 2026: 10-01 to 10-07 off, Saturday 10-10 a make-up working day.
    for (const char* d :
         {"2026-10-01", "2026-10-02", "2026-10-03", "2026-10-04", "2026-10-05", "2026-10-06", "2026-10-07"}) {
        EXPECT_EQ(c.kind(day(d)), DayKind::Holiday) << d;
        EXPECT_EQ(c.day(day(d)).name, "国庆节") << d;
    }
    EXPECT_EQ(c.kind(day("2026-10-08")), DayKind::Workday);
    const CalendarDay saturday = c.day(day("2026-10-10"));
    EXPECT_EQ(saturday.kind, DayKind::Workday);
    EXPECT_TRUE(saturday.makeUp);
    EXPECT_EQ(saturday.name, "国庆节");
    EXPECT_EQ(c.kind(day("2026-10-11")), DayKind::RestDay);
    // Spring Festival 2026: Saturday 02-14 worked, the days off include a Monday.
    EXPECT_EQ(c.kind(day("2026-02-14")), DayKind::Workday);
    EXPECT_EQ(c.kind(day("2026-02-16")), DayKind::Holiday);
    EXPECT_EQ(c.kind(day("2026-02-21")), DayKind::Holiday); // a Saturday inside the holiday
    // The first year and the names with quotation marks.
    EXPECT_EQ(c.day(day("2007-05-01")).name, "“五一”");
    EXPECT_EQ(c.kind(day("2006-12-30")), DayKind::Workday); // a Saturday worked for 2007's New Year

    // Covered: 2007–2026; 2006 has only make-up days, 2027 is not announced.
    EXPECT_FALSE(c.covers(2006));
    EXPECT_TRUE(c.covers(2007));
    EXPECT_TRUE(c.covers(2026));
    EXPECT_FALSE(c.covers(2027));
    EXPECT_EQ(c.uncoveredYears(day("2025-12-01"), day("2027-01-31")), std::vector<int>{2027});
    EXPECT_EQ(uncoveredNotice(2027), "2027 年的节假日安排未收录，按周一至周五计算");
    // Outside the covered years: Monday to Friday.
    EXPECT_EQ(c.kind(day("2027-01-01")), DayKind::Workday);
    EXPECT_EQ(c.kind(day("2027-01-02")), DayKind::RestDay);

    // What is compiled in is the file in the repository, byte for byte.
    EXPECT_EQ(std::string(builtInCalendarText()),
              testutil::readText(std::string(LEDRIMO_SOURCE_DIR) + "/resources/calendar/cn-holidays.tsv"));
}

TEST(Calendar, HolidayFileAddsAndOverrides) {
    WorkCalendar c = WorkCalendar::builtIn();
    ASSERT_TRUE(c.addText("\xEF\xBB\xBF# 2027 年的安排（自己补的）\r\n"
                          "2027-01-01\t元旦\t休\r\n"
                          "\r\n"
                          "2027-02-06\t春节\t班\r\n"
                          "2026-10-08\t公司年假\t休\n"
                          "2026-10-10\t国庆节\t休\n",
                          "holidays.tsv"));
    EXPECT_TRUE(c.covers(2027));
    EXPECT_EQ(c.kind(day("2027-01-01")), DayKind::Holiday);
    EXPECT_EQ(c.kind(day("2027-02-06")), DayKind::Workday); // a Saturday
    EXPECT_EQ(c.day(day("2026-10-08")).name, "公司年假");
    EXPECT_EQ(c.kind(day("2026-10-10")), DayKind::Holiday); // was a make-up day
    EXPECT_EQ(c.kind(day("2026-10-01")), DayKind::Holiday); // untouched days stay

    // A bad line names the file and the line, and nothing of that text is taken.
    const std::pair<const char*, const char*> bad[] = {
        {"2027-10-01\t国庆节\t休\n2027-10-02\t国庆节\n", "h.tsv 第 2 行：应为以制表符分隔的三列"},
        {"# x\n2027-02-30\t春节\t休\n", "h.tsv 第 2 行：日期“2027-02-30”无效"},
        {"2027-10-01 国庆节 休\n", "h.tsv 第 1 行：应为以制表符分隔的三列"},
        {"2027-10-01\t国庆节\t假\n", "h.tsv 第 1 行：第三列应为“休”或“班”，而不是“假”"},
        {"2027-10-01\t国庆节\t休\n2027-10-01\t国庆节\t班\n",
         "h.tsv 第 2 行：日期 2027-10-01 已在第 1 行出现过"},
    };
    for (const auto& [text, message] : bad) {
        WorkCalendar fresh = WorkCalendar::builtIn();
        auto st = fresh.addText(text, "h.tsv");
        ASSERT_FALSE(st) << text;
        EXPECT_EQ(st.error().kind, jet::ErrorKind::Invalid);
        EXPECT_EQ(st.error().describe().rfind(message, 0), 0u) << st.error().describe();
        EXPECT_FALSE(fresh.covers(2027)) << text;
    }
}

TEST(Calendar, LoadsTheFileBesideTheDatabase) {
    writeutil::TempDir dir;
    const std::string db = dir.file("db");
    EXPECT_EQ(holidayFilePath(db), dir.file("holidays.tsv"));
    auto plain = loadCalendar(db); // no holidays.tsv: the carried calendar
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->covers(2027));

    std::ofstream(dir.file("holidays.tsv")) << "2027-01-01\t元旦\t休\n";
    auto added = loadCalendar(db);
    ASSERT_TRUE(added);
    EXPECT_TRUE(added->covers(2027));
    EXPECT_TRUE(added->covers(2026));

    std::ofstream(dir.file("holidays.tsv")) << "2027-01-01\t元旦\n";
    auto bad = loadCalendar(db);
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().describe().rfind(dir.file("holidays.tsv") + " 第 1 行：", 0), 0u);
}
