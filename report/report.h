// Where the hours went: the work log of a date range, day by day, against the working calendar.
//
// computeReport reads table `data` of a Ledrimo database with the engine's cursor (one pass in
// table order) and groups the entries by the date part of 上班日期. For every calendar day of the
// range it keeps the calendar's kind, the hours (the sum of 上班时间), the entries in table order
// and the overtime: on a 工作日 the hours above the daily standard are 工作日加班, every hour of a
// 休息日 is 休息日加班, every hour of a 节假日 is 节假日加班. The totals count 出勤天数 (days with
// hours), 应出勤天数 (工作日 up to and including "today") and the 缺记录的工作日 (工作日 up to today
// without any entry).
//
// One rule for hours that cannot be right, on the day: a day's hours are the sum of its entries'
// 上班时间 (an empty one counts 0), and a day whose sum is above 24 or below 0 is 可疑 — none of its
// hours count (not in the totals, the overtime or the employers' hours), every entry of it is
// listed as suspicious, and the totals say how many hours and days were left out. So an entry of
// 25 hours alone, two entries adding up to 34, and a lone −4 are left out; an entry of 24, a day of
// 24, and 8 with a −4 correction (4) count. Entries with an empty 上班时间 are listed too (they
// count 0 and leave nothing out).
// Entries without a 上班日期 belong to no day and are not part of any range.
//
// The same structures serve ledrimo-db report and the program's report window. Texts from the
// database are UTF-16 as the engine hands them out; calendar names are UTF-8.
#pragma once

#include "jet/database.h"
#include "report/calendar.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace report {

// A range of days, both ends included.
struct DateRange {
    Day from = 0, to = 0;
    int64_t days() const { return int64_t(to) - from + 1; }
    bool contains(Day d) const { return d >= from && d <= to; }
};

// The calendar month holding `d`.
DateRange monthOf(Day d);
// The month "YYYY-MM" (also "YYYY-M"); nullopt for anything else or a month outside 1–12.
std::optional<DateRange> parseMonth(std::string_view text);

// Ranges longer than this are refused (about 270 years), so that a mistyped year cannot make a
// report of millions of days.
inline constexpr int64_t kMaxRangeDays = 100000;

struct ReportOptions {
    // The days to report on; nullopt: from the earliest to the latest 上班日期 of the log (the
    // month of `today` when no entry has one).
    std::optional<DateRange> range;
    Day today = 0;            // the last day that counts for 应出勤天数 and 缺记录的工作日
    double standardHours = 8; // the daily standard of a 工作日, 0–24
    bool withNotes = true;    // keep every entry's 工作备注 (EntryRef::notes); false saves reading them
};

// One entry of the range, as the report window shows and opens it.
struct EntryRef {
    Day date = 0;                 // the day of its 上班日期
    uint64_t position = 0;        // 0-based position of the row in table order (the record sets' order)
    jet::RowId rowId;             // the engine's stable id of the row
    std::u16string id;            // column ID ("GZ-00001"); empty when NULL
    std::optional<int32_t> hours; // 上班时间; nullopt when NULL
    bool counted = true;          // false for empty hours and the entries of a 可疑 day (not summed)
    uint32_t company = 0;         // 公司名称, as an index into Report::byCompany
    std::u16string notes;         // 工作备注 (empty unless ReportOptions::withNotes)
};

struct Overtime {
    double workday = 0; // 工作日加班
    double restday = 0; // 休息日加班
    double holiday = 0; // 节假日加班
    double total() const { return workday + restday + holiday; }
};

struct DayReport {
    Day date = 0;
    DayKind kind = DayKind::Workday;
    std::string holiday;   // the holiday's name for a 节假日 (UTF-8), else empty
    std::string makeUpFor; // for a make-up working day (班): the holiday it makes up for, else empty
    int64_t hours = 0;     // the counted hours of the day's entries (0 for a 可疑 day)
    bool suspicious = false; // 可疑: its entries add up to more than 24 or less than 0
    int64_t leftOut = 0;     // the sum of a 可疑 day's entries (left out of every total), else 0
    // The day's entries, in table order: Report::entries[firstEntry, firstEntry + entryCount)
    // (Report::entriesOf gives them).
    uint32_t firstEntry = 0, entryCount = 0;
    Overtime overtime;
    bool missing = false; // a 工作日 up to today with no entry at all
};

struct Totals {
    int64_t hours = 0;
    int64_t entries = 0;
    int daysWorked = 0; // 出勤天数: days with hours > 0
    int workdays = 0;   // 应出勤天数: 工作日 up to today
    int missing = 0;    // 缺记录的工作日
    Overtime overtime;
    int64_t leftOutHours = 0; // the sum of the 可疑 days' entries, not counted above
    int leftOutDays = 0;      // the 可疑 days
};

// Hours and days per employer (公司名称; NULL counts as empty).
struct CompanyTotal {
    std::u16string company;
    int64_t hours = 0;
    int days = 0; // days with hours > 0 for this employer
    int64_t entries = 0;
};

enum class Suspicion : uint8_t {
    EmptyHours,  // 上班时间 is NULL (counted as 0)
    DayOver24,   // an entry of a day whose entries add up to more than 24 (not counted)
    DayNegative, // an entry of a day whose entries add up to less than 0 (not counted)
};
// "工时为空，按 0 计", "当天合计超过 24 小时，未计入", "当天合计为负数，未计入".
const char* suspicionText(Suspicion s);

struct SuspiciousEntry {
    std::u16string id;
    Day date = 0;
    std::optional<int32_t> hours;
    Suspicion reason = Suspicion::EmptyHours;
    uint64_t position = 0; // as EntryRef::position
};

struct Report {
    DateRange range;
    Day today = 0;
    double standardHours = 8;
    std::vector<DayReport> days;   // every calendar day of the range, in order
    std::vector<EntryRef> entries; // every entry of the range, by day, then in table order
    Totals totals;
    std::vector<Day> missingWorkdays;        // ascending
    std::vector<CompanyTotal> byCompany;     // most hours first; equal hours in order of first appearance
    std::vector<SuspiciousEntry> suspicious; // by date, then table order
    std::vector<int> uncoveredYears;         // years of the range the calendar does not cover

    // The person and employer of the range: those of its latest entry (by 上班日期, then table
    // order), which is the one a monthly sheet is handed to. Empty when the range has no entries.
    std::u16string personName;
    std::u16string employer;
    std::u16string employerAddress;

    std::span<const EntryRef> entriesOf(const DayReport& d) const {
        return std::span<const EntryRef>(entries).subspan(d.firstEntry, d.entryCount);
    }
};

// ---- texts every view of a report shares (the window, the PDF, ledrimo-db report) ----

// The rule above in one sentence, for the reader of a report with 可疑 entries.
const char* suspicionRuleText();
// "可疑未计入：34 小时（1 天）"; empty when nothing was left out.
std::string leftOutText(const Totals& t);
// The report's employers, most hours first ("（未填公司）" for an empty name), joined by "、";
// with more than `listed` of them the first `listed` and "等 N 家". Empty without entries.
std::string employersText(const Report& r, size_t listed = SIZE_MAX);
// The title line: "工时报表：2026-10-01 至 2026-10-31，每日标准 8 小时".
std::string reportTitle(const Report& r);
// "姓名：张三　公司：甲公司、乙公司"; empty when the range has no entries.
std::string personLine(const Report& r);

// The report of `options.range` over table `data` of `db`. Errors: NotFound when the database has
// no table `data`; Invalid when `data` lacks one of the columns 上班日期 (Date/Time) or 上班时间
// (Long) — not a Ledrimo database — or when the range is reversed or longer than kMaxRangeDays, or
// the standard is not within 0–24; Corrupt (naming the page) for damage met while reading.
jet::Result<Report> computeReport(const jet::Database& db, const WorkCalendar& calendar,
                                  const ReportOptions& options);

// A stretch of the report's days summed up: a week (Monday to Sunday) or a calendar month, cut to
// the report's range.
struct PeriodTotal {
    DateRange range;
    Totals totals;
};
std::vector<PeriodTotal> byWeek(const Report& r);
std::vector<PeriodTotal> byMonth(const Report& r);

} // namespace report
