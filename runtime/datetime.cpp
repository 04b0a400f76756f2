#include "runtime/datetime.h"

#include <QDate>

#include <cmath>
#include <cstdio>

namespace rt {

namespace {

constexpr qint64 kJulianDayOfZero = 2415019; // 1899-12-30

double clampDate(double d) {
    if (std::isnan(d))
        return 0;
    if (d > kMaxDate)
        return kMaxDate;
    if (d < kMinDate)
        return kMinDate;
    return d;
}

// Whole day number and seconds since midnight, rounded to the nearest second.
void dayAndSeconds(double d, qint64& dayNumber, int& seconds) {
    d = clampDate(d);
    double whole = std::trunc(d);
    double frac = std::fabs(d - whole);
    auto secs = static_cast<qint64>(std::llround(frac * 86400.0));
    dayNumber = static_cast<qint64>(whole);
    if (secs >= 86400) { // rounding reached the next midnight
        secs -= 86400;
        dayNumber += d < 0 ? -1 : 1;
    }
    seconds = static_cast<int>(secs);
}

} // namespace

DateParts splitDate(double d) {
    qint64 dayNumber;
    int secs;
    dayAndSeconds(d, dayNumber, secs);
    QDate date = QDate::fromJulianDay(kJulianDayOfZero + dayNumber);
    DateParts p;
    p.year = date.year();
    p.month = date.month();
    p.day = date.day();
    p.hour = secs / 3600;
    p.minute = secs / 60 % 60;
    p.second = secs % 60;
    p.weekday = date.dayOfWeek() % 7 + 1; // Qt: Monday 1 .. Sunday 7
    return p;
}

double makeDate(int y, int m, int d, int h, int mi, int s) {
    QDate date(y, m, d);
    if (!date.isValid())
        return 0;
    double dayNumber = static_cast<double>(date.toJulianDay() - kJulianDayOfZero);
    double frac = (h * 3600.0 + mi * 60.0 + s) / 86400.0;
    return dayNumber >= 0 ? dayNumber + frac : dayNumber - frac;
}

double now() {
    QDateTime t = QDateTime::currentDateTime();
    QDate d = t.date();
    QTime tm = t.time();
    return makeDate(d.year(), d.month(), d.day(), tm.hour(), tm.minute(), tm.second());
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
    DateParts p = splitDate(d);
    char buf[96];
    int n = std::snprintf(buf, sizeof buf, "%d年%d月%d日", p.year, p.month, p.day);
    if (p.second != 0)
        std::snprintf(buf + n, sizeof buf - n, "%d时%d分%d秒", p.hour, p.minute, p.second);
    else if (p.minute != 0)
        std::snprintf(buf + n, sizeof buf - n, "%d时%d分", p.hour, p.minute);
    else if (p.hour != 0)
        std::snprintf(buf + n, sizeof buf - n, "%d时", p.hour);
    return Text(buf);
}

QDateTime toQDateTime(double d) {
    DateParts p = splitDate(d);
    return QDateTime(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second));
}

double fromQDateTime(const QDateTime& t) {
    if (!t.isValid())
        return 0;
    return makeDate(t.date().year(), t.date().month(), t.date().day(), t.time().hour(), t.time().minute(),
                    t.time().second());
}

} // namespace rt
