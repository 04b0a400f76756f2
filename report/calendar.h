// The working calendar of mainland China: which days are 工作日, 休息日 and 节假日.
//
// The program carries the State Council's announced holidays and make-up working days from 2007
// on (resources/calendar/cn-holidays.tsv, compiled in). A file `holidays.tsv` beside the database,
// with the same three tab-separated columns (date YYYY-MM-DD, name, 休 or 班; lines starting with
// `#` and empty lines are skipped), adds years that are not carried yet or overrides single days.
//
// A day is a 节假日 when it is listed as 休, a 工作日 when it is listed as 班 or is Monday to Friday
// and not listed, and a 休息日 otherwise (Saturday or Sunday not listed as 班). A year counts as
// covered when at least one 休 day of it is known; for any other year the days are simply
// Monday–Friday working days, and callers say so (uncoveredNotice) instead of guessing silently.
//
// Plain C++ on the engine's error type; no Qt.
#pragma once

#include "jet/error.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace report {

// A calendar day as an Access day number: days since 1899-12-30 (day 0), the integer part of the
// date values in the database.
using Day = int32_t;

struct YearMonthDay {
    int year = 1899, month = 12, day = 30;
};

// The day's year, month and day (proleptic Gregorian, any Day).
YearMonthDay splitDay(Day d);
// The Day of a date; nullopt when it does not exist or lies outside the years 100–9999.
std::optional<Day> makeDay(int year, int month, int day);
// 1 = Monday … 7 = Sunday.
int weekday(Day d);
// "星期一" … "星期日".
const char* weekdayName(Day d);
// "2026-10-01" (the years 100–9999, which is every day a report handles).
std::string isoDate(Day d);
void appendIsoDate(std::string& out, Day d);
// Reads exactly "YYYY-MM-DD" (four-digit year, two-digit month and day); nullopt for anything
// else or a date that does not exist.
std::optional<Day> parseIsoDate(std::string_view text);
// The Day a stored date value falls on (its date part, to the second as the engine rounds it);
// nullopt for NaN or a value outside the years 100–9999.
std::optional<Day> dayOfDateValue(double accessDate);
// The number of days in a month (1–12).
int daysInMonth(int year, int month);

enum class DayKind : uint8_t {
    Workday, // 工作日
    RestDay, // 休息日
    Holiday, // 节假日
};
// "工作日", "休息日", "节假日".
const char* dayKindName(DayKind kind);

// What the calendar says about one day.
struct CalendarDay {
    DayKind kind = DayKind::Workday;
    // For a 节假日: the holiday's name ("国庆节"). For a make-up working day (班): the holiday it
    // makes up for. Empty for an ordinary day. UTF-8.
    std::string name;
    bool makeUp = false; // a weekend day made a working day (班)
};

class WorkCalendar {
public:
    // An empty calendar: every year uncovered, Monday–Friday working days.
    WorkCalendar() = default;

    // The calendar the program carries (the compiled-in data). Its data is checked by the tests;
    // were it ever unreadable this returns an empty calendar rather than failing.
    static WorkCalendar builtIn();

    // Adds the lines of a holiday file (UTF-8, optionally with a byte-order mark; LF or CRLF).
    // Each listed day replaces what the calendar knew about that date. On a bad line (wrong number
    // of columns, a date that is not YYYY-MM-DD or does not exist, a kind other than 休 or 班, a
    // date listed twice in this text) nothing is added and the Invalid error names `fileName` and
    // the line: "holidays.tsv 第 3 行：……".
    jet::Status addText(std::string_view text, const std::string& fileName);

    // What the calendar says about day `d`.
    CalendarDay day(Day d) const;
    DayKind kind(Day d) const { return day(d).kind; }

    // Whether any 休 day of `year` is known.
    bool covers(int year) const { return coveredYears_.count(year) != 0; }
    // The years of the days `from`…`to` (inclusive) that are not covered, ascending.
    std::vector<int> uncoveredYears(Day from, Day to) const;

private:
    struct Mark {
        bool off; // 休 (else 班)
        std::string name;
    };
    std::map<Day, Mark> marks_;
    std::set<int> coveredYears_;
    void recount();
};

// The program's calendar for the database at `databasePath`: the carried data, then
// `holidays.tsv` in the same directory when there is one. Errors: Invalid for a bad line of that
// file (naming it and the line), Io when it exists but cannot be read, Invalid when it is larger
// than 1 MB (no holiday list is).
jet::Result<WorkCalendar> loadCalendar(const std::string& databasePath);

// The path of the optional holiday file for the database at `databasePath`.
std::string holidayFilePath(const std::string& databasePath);

// "2027 年的节假日安排未收录，按周一至周五计算".
std::string uncoveredNotice(int year);

// The carried data, as compiled in (the bytes of cn-holidays.tsv).
std::string_view builtInCalendarText();

} // namespace report
