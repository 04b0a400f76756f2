// The report of a hand-made October 2026 on a real database: kinds, hours, overtime, missing
// working days, employers and suspicious entries, worked out by hand below.
#include "report/report.h"

#include "work_log.h"
#include "writeutil.h"

using namespace report;

namespace {

Day day(const char* iso) {
    return parseIsoDate(iso).value();
}

const char* const kA = "甲公司";
const char* const kB = "乙公司";

// October 2026: 10-01 to 10-07 National Day (节假日), Saturday 10-10 a make-up working day.
std::vector<worklog::Entry> october() {
    return {
        {"2026-09-30", 8, "GZ-00001", kA},            // before the range
        {"2026-10-01", 8, "GZ-00002", kA},            // 节假日: 8 节假日加班
        {"2026-10-09", 6, "GZ-00003", kA, "上午"},    // Friday, with the next but one: 10 hours
        {"2026-10-10", 9, "GZ-00004", kB},            // the 班 Saturday: a 工作日, 1 over
        {"2026-10-09", 4, "GZ-00005", kB, "下午"},    // Friday: 2 over
        {"2026-10-11", 5, "GZ-00006", kA},            // Sunday: 5 休息日加班
        {"2026-10-12", std::nullopt, "GZ-00007", kA}, // NULL: counts 0, listed
        {"2026-10-13", -3, "GZ-00008", kA},           // a day below 0: not counted, listed
        {"2026-10-14", 30, "GZ-00009", kA},           // a day over 24: not counted, listed
        {"2026-10-15", 20, "GZ-00010", kA},           // 26 in one day: neither counted, both listed
        {"2026-10-15 23:30", 6, "GZ-00011", kB, "", "李四"},
        {"", 8, "GZ-00012", kA},           // no date: in no range
        {"2026-11-01", 8, "GZ-00013", kA}, // after the range
    };
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override {
        worklog::writeLog(path, october());
        auto opened = jet::Database::open(path);
        ASSERT_TRUE(opened) << opened.error().describe();
        db = std::move(*opened);
    }
    Report run(std::optional<DateRange> range, double standard = 8, bool withNotes = true) {
        auto r = computeReport(*db, calendar, {range, day("2026-10-16"), standard, withNotes});
        EXPECT_TRUE(r) << r.error().describe();
        return r ? std::move(*r) : Report{};
    }
    const DayReport& at(const Report& r, const char* iso) {
        return r.days.at(size_t(day(iso) - r.range.from));
    }

    writeutil::TempDir dir;
    std::string path = dir.file("db");
    std::unique_ptr<jet::Database> db;
    WorkCalendar calendar = WorkCalendar::builtIn();
};

} // namespace

TEST_F(ReportTest, HandMadeMonth) {
    const Report r = run(parseMonth("2026-10"));
    ASSERT_EQ(r.days.size(), 31u);
    EXPECT_EQ(r.range.from, day("2026-10-01"));

    // Kinds and names.
    EXPECT_EQ(at(r, "2026-10-01").kind, DayKind::Holiday);
    EXPECT_EQ(at(r, "2026-10-01").holiday, "国庆节");
    EXPECT_EQ(at(r, "2026-10-10").kind, DayKind::Workday);
    EXPECT_EQ(at(r, "2026-10-10").makeUpFor, "国庆节");
    EXPECT_EQ(at(r, "2026-10-11").kind, DayKind::RestDay);

    // Hours and overtime, day by day.
    struct Expected {
        const char* date;
        int64_t hours;
        size_t entries;
        double workday, restday, holiday;
    };
    for (const Expected& e : {Expected{"2026-10-01", 8, 1, 0, 0, 8}, Expected{"2026-10-09", 10, 2, 2, 0, 0},
                              Expected{"2026-10-10", 9, 1, 1, 0, 0}, Expected{"2026-10-11", 5, 1, 0, 5, 0},
                              Expected{"2026-10-12", 0, 1, 0, 0, 0}, Expected{"2026-10-13", 0, 1, 0, 0, 0},
                              Expected{"2026-10-14", 0, 1, 0, 0, 0}, Expected{"2026-10-15", 0, 2, 0, 0, 0},
                              Expected{"2026-10-16", 0, 0, 0, 0, 0}}) {
        const DayReport& d = at(r, e.date);
        EXPECT_EQ(d.hours, e.hours) << e.date;
        EXPECT_EQ(d.entryCount, e.entries) << e.date;
        EXPECT_EQ(d.overtime.workday, e.workday) << e.date;
        EXPECT_EQ(d.overtime.restday, e.restday) << e.date;
        EXPECT_EQ(d.overtime.holiday, e.holiday) << e.date;
    }

    // Totals: 应出勤 are the 工作日 up to today (10-08, 09, 10, 12, 13, 14, 15, 16).
    EXPECT_EQ(r.totals.hours, 32);
    EXPECT_EQ(r.totals.entries, 10);
    EXPECT_EQ(r.totals.daysWorked, 4);
    EXPECT_EQ(r.totals.workdays, 8);
    EXPECT_EQ(r.totals.overtime.workday, 3);
    EXPECT_EQ(r.totals.leftOutHours, -3 + 30 + 26);
    EXPECT_EQ(r.totals.leftOutDays, 3);
    EXPECT_EQ(at(r, "2026-10-15").leftOut, 26);
    EXPECT_EQ(r.totals.overtime.restday, 5);
    EXPECT_EQ(r.totals.overtime.holiday, 8);
    EXPECT_EQ(r.missingWorkdays, (std::vector<Day>{day("2026-10-08"), day("2026-10-16")}));
    EXPECT_TRUE(at(r, "2026-10-16").missing);
    EXPECT_FALSE(at(r, "2026-10-19").missing); // after today
    EXPECT_TRUE(r.uncoveredYears.empty());

    // A day's entries in table order, with what the window needs to open them.
    const auto friday = r.entriesOf(at(r, "2026-10-09"));
    ASSERT_EQ(friday.size(), 2u);
    EXPECT_EQ(friday[0].id, u"GZ-00003");
    EXPECT_EQ(friday[0].position, 2u);
    EXPECT_EQ(friday[0].notes, u"上午");
    EXPECT_EQ(friday[1].id, u"GZ-00005");
    EXPECT_EQ(friday[1].position, 4u);
    EXPECT_EQ(friday[1].date, day("2026-10-09"));
    EXPECT_EQ(r.byCompany[friday[1].company].company, u"乙公司");
    EXPECT_EQ(r.entriesOf(at(r, "2026-10-15"))[1].id, u"GZ-00011"); // 23:30 is still the 15th
    auto stored = db->openTable(u"data").value()->readRow(friday[1].rowId);
    ASSERT_TRUE(stored);
    EXPECT_EQ(std::get<std::u16string>((*stored)[8]), u"GZ-00005");

    // Employers, most hours first; days count only days with hours for that employer.
    ASSERT_EQ(r.byCompany.size(), 2u);
    EXPECT_EQ(r.byCompany[0].company, u"甲公司");
    EXPECT_EQ(r.byCompany[0].hours, 19);
    EXPECT_EQ(r.byCompany[0].days, 3);
    EXPECT_EQ(r.byCompany[0].entries, 7);
    EXPECT_EQ(r.byCompany[1].hours, 13);
    EXPECT_EQ(r.byCompany[1].days, 2);
    // The person and employer are those of the latest entry.
    EXPECT_EQ(r.personName, u"李四");
    EXPECT_EQ(r.employer, u"乙公司");

    // Suspicious entries by date, then table order.
    ASSERT_EQ(r.suspicious.size(), 5u);
    const std::pair<const char16_t*, Suspicion> why[] = {{u"GZ-00007", Suspicion::EmptyHours},
                                                         {u"GZ-00008", Suspicion::DayNegative},
                                                         {u"GZ-00009", Suspicion::DayOver24},
                                                         {u"GZ-00010", Suspicion::DayOver24},
                                                         {u"GZ-00011", Suspicion::DayOver24}};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(r.suspicious[i].id, why[i].first);
        EXPECT_EQ(r.suspicious[i].reason, why[i].second) << i;
    }
    EXPECT_FALSE(r.suspicious[0].hours);
    EXPECT_EQ(r.suspicious[1].hours, -3);
    EXPECT_EQ(r.suspicious[4].date, day("2026-10-15"));
    EXPECT_EQ(leftOutText(r.totals), "可疑未计入：53 小时（3 天）");
    EXPECT_EQ(employersText(r), "甲公司、乙公司");
    EXPECT_EQ(employersText(r, 1), "甲公司 等 2 家");
    EXPECT_EQ(personLine(r), "姓名：李四　公司：甲公司、乙公司");
}

// One rule for hours that cannot be right, on the day's sum: above 24 or below 0 and the whole
// day is left out; 24 itself, alone or added up, counts.
TEST(ReportRule, DaysAboveTwentyFourOrBelowZeroAreLeftOut) {
    writeutil::TempDir dir;
    const std::string path = dir.file("db");
    worklog::writeLog(path, {
                                {"2026-11-02", 24, "GZ-00001", kA}, // an entry of exactly 24
                                {"2026-11-03", 16, "GZ-00002", kA}, // a day of exactly 24
                                {"2026-11-03", 8, "GZ-00003", kB},
                                {"2026-11-04", 25, "GZ-00004", kA}, // one entry of 25
                                {"2026-11-05", 20, "GZ-00005", kA}, // a day of 34
                                {"2026-11-05", 14, "GZ-00006", kB},
                                {"2026-11-06", 8, "GZ-00007", kA}, // a −4 correction: 4
                                {"2026-11-06", -4, "GZ-00008", kA},
                                {"2026-11-09", -4, "GZ-00009", kA}, // a day of −4
                            });
    auto db = jet::Database::open(path).value();
    const auto r = computeReport(*db, WorkCalendar::builtIn(), {parseMonth("2026-11"), day("2026-11-30")});
    ASSERT_TRUE(r) << r.error().describe();
    auto at = [&](const char* iso) { return r->days.at(size_t(day(iso) - r->range.from)); };

    EXPECT_EQ(at("2026-11-02").hours, 24) << "an entry of exactly 24 hours counts";
    EXPECT_FALSE(at("2026-11-02").suspicious);
    EXPECT_EQ(at("2026-11-02").overtime.workday, 16);
    EXPECT_EQ(at("2026-11-03").hours, 24) << "a day of exactly 24 hours counts";
    EXPECT_FALSE(at("2026-11-03").suspicious);
    EXPECT_EQ(at("2026-11-06").hours, 4);
    EXPECT_FALSE(at("2026-11-06").suspicious);
    for (const auto& [iso, sum] : {std::pair{"2026-11-04", 25}, {"2026-11-05", 34}, {"2026-11-09", -4}}) {
        EXPECT_TRUE(at(iso).suspicious) << iso;
        EXPECT_EQ(at(iso).hours, 0) << iso;
        EXPECT_EQ(at(iso).leftOut, sum) << iso;
        EXPECT_EQ(at(iso).overtime.total(), 0) << iso;
    }
    EXPECT_EQ(r->totals.hours, 24 + 24 + 4);
    EXPECT_EQ(r->totals.overtime.workday, 16 + 16);
    EXPECT_EQ(r->totals.leftOutHours, 25 + 34 - 4);
    EXPECT_EQ(r->totals.leftOutDays, 3);
    EXPECT_EQ(r->byCompany[0].hours, 24 + 16 + 4); // 甲公司: what was counted only
    EXPECT_EQ(r->byCompany[1].hours, 8);

    // Listed: every entry of the left-out days, and nothing of the days that count.
    std::vector<std::u16string> ids;
    for (const SuspiciousEntry& e : r->suspicious)
        ids.push_back(e.id);
    EXPECT_EQ(ids, (std::vector<std::u16string>{u"GZ-00004", u"GZ-00005", u"GZ-00006", u"GZ-00009"}));
    EXPECT_EQ(r->suspicious[1].reason, Suspicion::DayOver24);
    EXPECT_EQ(r->suspicious[3].reason, Suspicion::DayNegative);
    EXPECT_STREQ(suspicionText(r->suspicious[3].reason), "当天合计为负数，未计入");
    for (const EntryRef& e : r->entries)
        EXPECT_EQ(e.counted, e.date != day("2026-11-04") && e.date != day("2026-11-05") && e.date != day("2026-11-09"))
            << jet::toUtf8(e.id);
}

TEST_F(ReportTest, StandardsPeriodsAndRanges) {
    // A standard of 7.5 hours.
    Report r = run(parseMonth("2026-10"), 7.5, false);
    EXPECT_EQ(r.totals.overtime.workday, 2.5 + 1.5); // the 26 hours of 10-15 are left out
    EXPECT_TRUE(r.entriesOf(at(r, "2026-10-09"))[0].notes.empty()); // notes not read

    // Weeks run Monday to Sunday, cut to the range; they add up to the totals.
    const auto weeks = byWeek(r);
    ASSERT_EQ(weeks.size(), 5u);
    EXPECT_EQ(weeks[0].range.from, day("2026-10-01"));
    EXPECT_EQ(weeks[0].range.to, day("2026-10-04"));
    EXPECT_EQ(weeks[1].range.from, day("2026-10-05"));
    EXPECT_EQ(weeks[4].range.to, day("2026-10-31"));
    int64_t hours = 0, workdays = 0;
    for (const auto& w : weeks) {
        hours += w.totals.hours;
        workdays += w.totals.workdays;
    }
    EXPECT_EQ(hours, r.totals.hours);
    EXPECT_EQ(workdays, r.totals.workdays);
    const auto months = byMonth(r);
    ASSERT_EQ(months.size(), 1u);
    EXPECT_EQ(months[0].totals.overtime.workday, r.totals.overtime.workday);

    // The whole log: from the earliest to the latest dated entry.
    r = run(std::nullopt);
    EXPECT_EQ(r.range.from, day("2026-09-30"));
    EXPECT_EQ(r.range.to, day("2026-11-01"));
    EXPECT_EQ(r.totals.entries, 12);
    EXPECT_EQ(byMonth(r).size(), 3u);

    // A month the calendar does not cover says so.
    r = run(parseMonth("2027-01"));
    EXPECT_EQ(r.uncoveredYears, std::vector<int>{2027});
    EXPECT_EQ(r.totals.workdays, 0); // after today

    // Bad ranges and standards.
    for (const ReportOptions& bad : {ReportOptions{DateRange{day("2026-10-31"), day("2026-10-01")}},
                                     ReportOptions{DateRange{day("0100-01-01"), day("9999-12-31")}},
                                     ReportOptions{parseMonth("2026-10"), 0, 25}}) {
        auto failed = computeReport(*db, calendar, bad);
        ASSERT_FALSE(failed);
        EXPECT_EQ(failed.error().kind, jet::ErrorKind::Invalid);
    }
    EXPECT_FALSE(parseMonth("2026-13"));
    EXPECT_FALSE(parseMonth("2026-00"));
    EXPECT_FALSE(parseMonth("26-10"));
    EXPECT_EQ(parseMonth("2024-2")->days(), 29);
}

TEST(ReportErrors, NotALedrimoLog) {
    writeutil::TempDir dir;
    const WorkCalendar calendar;
    auto make = [&](const std::string& name, std::vector<jet::TableSpec> tables) {
        auto bytes = jet::createDatabase({}, tables);
        EXPECT_TRUE(bytes) << bytes.error().describe();
        EXPECT_TRUE(jet::writeNewFile(dir.file(name), *bytes));
        return jet::Database::open(dir.file(name)).value();
    };
    const ReportOptions month{parseMonth("2026-10")};
    auto other = make("other", {{u"other", {{u"x", jet::ColumnType::Long}}, {}}});
    auto r = computeReport(*other, calendar, month);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().kind, jet::ErrorKind::NotFound);
    EXPECT_EQ(r.error().message, "数据库中没有表 data，不是 Ledrimo 的工作记录数据库");

    auto noDate = make("nodate", {{u"data", {{u"上班时间", jet::ColumnType::Long}}, {}}});
    r = computeReport(*noDate, calendar, month);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "表 data 没有列“上班日期”，不是 Ledrimo 的工作记录数据库");

    auto textHours = make(
        "texthours", {{u"data",
                       {{u"上班日期", jet::ColumnType::DateTime}, {u"上班时间", jet::ColumnType::Text, 10}},
                       {}}});
    r = computeReport(*textHours, calendar, month);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().message, "表 data 的列“上班时间”不是整数类型，不是 Ledrimo 的工作记录数据库");
}
