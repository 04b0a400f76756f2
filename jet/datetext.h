// Date texts: the program's Chinese date form ("2010年7月20日16时7分26秒"), ISO forms and the
// contents of a #...# date literal, read into and written from Access date numbers.
//
// An Access date number counts days since 1899-12-30 00:00:00 with the time of day as fraction.
// Before that day the integer part is still the day and the absolute value of the fraction the
// time of day: -1.25 is 1899-12-29 06:00. All conversions work to whole seconds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace jet {

// Dates before 0100-01-01 or after 9999-12-31 are clamped to the first second of the one and the
// last second of the other before any part of them is taken.
inline constexpr double kMinDateNumber = -657434; // 0100-01-01
inline constexpr double kMaxDateNumber = 2958465; // 9999-12-31

struct DateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    bool operator==(const DateParts&) const = default;
};

// The number of days in a month of the proleptic Gregorian calendar (any year); 0 for a month
// outside 1-12.
int daysInMonth(int year, int month);

// The Access day number (days since 1899-12-30) of a proleptic Gregorian date, and back. Any
// year is accepted (the arithmetic works in eras of 400 years); range checks are the caller's.
int64_t dayNumber(int year, int month, int day);
void dayParts(int64_t dayNumber, int& year, int& month, int& day);

// The calendar parts of a date number, rounded to the second (NaN counts as 0).
DateParts splitDate(double days);
// The date number of the parts; nullopt when a part is out of range (year 100-9999, month 1-12,
// day within the month, hour 0-23, minute and second 0-59).
std::optional<double> makeDate(const DateParts& parts);

// Seconds since 1899-12-30 00:00:00 on a straight time line (negative before it), rounded to the
// second: what two dates are compared by.
int64_t dateSeconds(double days);

// Reads a date text: the Chinese forms "2010年7月20日", "2010年7月20日9时", "2010年7月20日16时7分",
// "2010年7月20日16时7分26秒" and the ISO forms "2010-07-20", "2010-07-20 16:07[:26]", "2010/7/20"
// (also with a time, and with "T" between date and time). Blanks around the text are allowed.
// nullopt for anything else, and for dates that do not exist (2010年2月30日).
std::optional<double> parseDateText(std::u16string_view text);
std::optional<double> parseDateText(std::string_view utf8);

// Reads the contents of a #...# literal: everything parseDateText reads, plus month/day/year
// ("7/20/2010", "7/20/10" with years 00-29 in 2000-2029 and 30-99 in 1930-1999), a time with
// AM/PM ("4:07:26 PM"), and a time alone ("16:07", on 1899-12-30).
std::optional<double> parseDateLiteral(std::u16string_view text);

// "2010年7月20日" followed by "16时7分26秒", "16时7分" or "9时" when the time is not midnight; the
// zero date reads "1899年12月30日".
std::u16string formatDateText(double days);
// "2010-07-20 16:07:26".
std::u16string formatIsoDateTime(double days);

} // namespace jet
