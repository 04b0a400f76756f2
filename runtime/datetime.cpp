#include "runtime/datetime.h"

#include "jet/datetext.h"
#include "platform/local_time.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace rt {

namespace {

// Out-of-range values become the first or the last day itself (at midnight); NaN the empty date.
double clampDate(double d) {
    if (std::isnan(d))
        return 0;
    return std::clamp(d, kMinDate, kMaxDate);
}

} // namespace

// The calendar arithmetic is the engine's, so that the program and the database agree on every
// date; only the weekday is added here.
DateParts splitDate(double d) {
    d = clampDate(d);
    const jet::DateParts j = jet::splitDate(d);
    const int64_t seconds = jet::dateSeconds(d);
    const int64_t dayNumber = seconds / 86400 - (seconds % 86400 < 0 ? 1 : 0);
    DateParts p;
    p.year = j.year;
    p.month = j.month;
    p.day = j.day;
    p.hour = j.hour;
    p.minute = j.minute;
    p.second = j.second;
    p.weekday = int(((dayNumber % 7) + 7 + 6) % 7) + 1; // day 0, 1899-12-30, was a Saturday
    return p;
}

double makeDate(int y, int m, int d, int h, int mi, int s) {
    // Any valid day of the proleptic Gregorian calendar; there is no year 0 (1 BC is year -1).
    if (y == 0 || m < 1 || m > 12 || d < 1 || d > jet::daysInMonth(y < 0 ? y + 1 : y, m))
        return 0;
    double dayNumber = static_cast<double>(jet::dayNumber(y < 0 ? y + 1 : y, m, d));
    double frac = (h * 3600.0 + mi * 60.0 + s) / 86400.0;
    return dayNumber >= 0 ? dayNumber + frac : dayNumber - frac;
}

double now() {
    const std::tm t = platform::localTime(std::time(nullptr));
    return makeDate(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

double datePart(double d) {
    DateParts p = splitDate(d);
    return makeDate(p.year, p.month, p.day);
}

int weekday(double d) {
    return splitDate(d).weekday;
}
int hour(double d) {
    return splitDate(d).hour;
}
int minute(double d) {
    return splitDate(d).minute;
}
int second(double d) {
    return splitDate(d).second;
}
int year(double d) {
    return splitDate(d).year;
}
int month(double d) {
    return splitDate(d).month;
}
int day(double d) {
    return splitDate(d).day;
}

Text dateText(double d) {
    return Text::fromBytes(gbkOfUtf16(jet::formatDateText(clampDate(d))));
}

} // namespace rt
