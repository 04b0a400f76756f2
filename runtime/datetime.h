// Date values: OLE automation dates, days since 1899-12-30 00:00:00 as a double with the time of day
// as fraction. For negative values the fraction still counts forward from midnight of the day
// (-1.25 is 1899-12-29 06:00). The date 0 is the empty date.
#pragma once

#include "runtime/text.h"

namespace rt {

constexpr double kMaxDate = 2958465; // 9999-12-31
constexpr double kMinDate = -657434; // 0100-01-01

struct DateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    int weekday = 7; // 1 = Sunday ... 7 = Saturday
};

// Clamps into [0100-01-01, 9999-12-31], rounds to the nearest second and splits.
DateParts splitDate(double d);
double makeDate(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

double now(); // local date and time, whole seconds
double datePart(double d);
int weekday(double d); // 1 = Sunday ... 7 = Saturday
int hour(double d);
int minute(double d);
int second(double d);
int year(double d);
int month(double d);
int day(double d);

// "%d年%d月%d日" followed by "%d时%d分%d秒", "%d时%d分" or "%d时" when the time is not midnight.
Text dateText(double d);

} // namespace rt
