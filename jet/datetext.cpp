#include "jet/datetext.h"

#include "jet/value.h"

#include <cmath>
#include <cstdio>

namespace jet {
namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (the usual era-of-400-years method).
int64_t daysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

const int64_t kEpoch = -25569; // day 0 of the Access calendar, 1899-12-30, from 1970-01-01

// Day number and second of the day of a date number, after clamping and rounding.
void dayAndSecond(double days, int64_t& day, int64_t& second) {
    if (std::isnan(days))
        days = 0;
    // The first and the last day keep their time of day (9999-12-31 12:00 is 2958465.5, and
    // 0100-01-01 12:00 is -657434.5); only what lies beyond them is clamped.
    constexpr double kLastSecond = 86399.0 / 86400.0;
    if (days >= kMaxDateNumber + 1)
        days = kMaxDateNumber + kLastSecond;
    if (days <= kMinDateNumber - 1)
        days = kMinDateNumber;
    // The conversions truncate toward zero (as trunc) and are exact in this range; the second
    // rounds half away from zero (as llround) without the library calls, which a 32-bit build
    // makes for every date. The product is stored as a double first (volatile): a 32-bit x87 build
    // would otherwise round a value with more bits than the double llround was given.
    day = int64_t(days);
    volatile double product = std::fabs(days - double(day)) * 86400.0;
    const double fraction = product;
    second = int64_t(fraction);
    if (fraction - double(second) >= 0.5)
        ++second;
    if (second >= 86400) { // 23:59:59.6 and later round into the next day
        second -= 86400;
        day += 1;
    }
}

// A cursor over a date text.
struct Reader {
    std::u16string_view s;
    size_t i = 0;

    bool atEnd() const { return i >= s.size(); }
    bool isSpace(char16_t c) const { return c == u' ' || c == u'\t' || c == 0x3000; }
    void skipSpaces() {
        while (!atEnd() && isSpace(s[i]))
            ++i;
    }
    bool eat(char16_t c) {
        if (!atEnd() && s[i] == c) {
            ++i;
            return true;
        }
        return false;
    }
    // Up to maxDigits ASCII digits; false if there is none.
    bool number(int& value, int maxDigits = 4, int* digits = nullptr) {
        int n = 0;
        value = 0;
        while (!atEnd() && n < maxDigits && s[i] >= u'0' && s[i] <= u'9') {
            value = value * 10 + (s[i] - u'0');
            ++i;
            ++n;
        }
        if (digits)
            *digits = n;
        return n > 0 && (atEnd() || !(s[i] >= u'0' && s[i] <= u'9'));
    }
    bool eatWordCI(std::u16string_view w) {
        if (s.size() - i < w.size())
            return false;
        for (size_t k = 0; k < w.size(); ++k) {
            char16_t c = s[i + k];
            if (c >= u'a' && c <= u'z')
                c = char16_t(c - 32);
            if (c != w[k])
                return false;
        }
        i += w.size();
        return true;
    }
};

struct Options {
    bool monthDayYear = false; // 7/20/2010
    bool amPm = false;         // 4:07 PM
    bool timeOnly = false;     // 16:07
};

// "16时7分26秒", "16时7分", "9时" (the hour was already read).
bool chineseTime(Reader& r, DateParts& p) {
    if (!r.eat(u'时'))
        return false;
    if (r.atEnd())
        return true;
    if (!r.number(p.minute, 2) || !r.eat(u'分'))
        return false;
    if (r.atEnd())
        return true;
    return r.number(p.second, 2) && r.eat(u'秒');
}

// "16:07", "16:07:26", with AM/PM when allowed.
bool colonTime(Reader& r, DateParts& p, const Options& o) {
    if (!r.number(p.hour, 2) || !r.eat(u':') || !r.number(p.minute, 2))
        return false;
    if (r.eat(u':') && !r.number(p.second, 2))
        return false;
    if (o.amPm) {
        const size_t before = r.i;
        r.skipSpaces();
        bool pm = false, marked = true;
        if (r.eatWordCI(u"AM") || r.eatWordCI(u"上午"))
            pm = false;
        else if (r.eatWordCI(u"PM") || r.eatWordCI(u"下午"))
            pm = true;
        else {
            marked = false;
            r.i = before;
        }
        if (marked) {
            if (p.hour < 1 || p.hour > 12)
                return false;
            p.hour = p.hour % 12 + (pm ? 12 : 0);
        }
    }
    return true;
}

std::optional<double> parse(std::u16string_view text, const Options& o) {
    Reader r{text};
    r.skipSpaces();
    while (!r.s.empty() && r.isSpace(r.s.back()))
        r.s.remove_suffix(1);
    DateParts p;
    int first = 0, digits = 0;
    if (!r.number(first, 4, &digits))
        return std::nullopt;
    bool timeDone = false;
    if (r.eat(u'年')) {
        p.year = first;
        if (!r.number(p.month, 2) || !r.eat(u'月') || !r.number(p.day, 2) || !r.eat(u'日'))
            return std::nullopt;
        r.skipSpaces();
        if (!r.atEnd()) {
            const size_t at = r.i;
            if (r.number(p.hour, 2) && !r.atEnd() && r.s[r.i] == u'时') {
                if (!chineseTime(r, p))
                    return std::nullopt;
                timeDone = true;
            } else {
                r.i = at;
            }
        }
    } else if (r.atEnd() || r.s[r.i] == u':') {
        if (!o.timeOnly)
            return std::nullopt;
        r.i = 0;
        r.skipSpaces();
        if (!colonTime(r, p, o))
            return std::nullopt;
        timeDone = true;
    } else {
        const char16_t sep = r.s[r.i];
        if (sep != u'-' && sep != u'/')
            return std::nullopt;
        ++r.i;
        int second = 0, third = 0, thirdDigits = 0;
        if (!r.number(second, 2) || !r.eat(sep) || !r.number(third, 4, &thirdDigits))
            return std::nullopt;
        if (digits >= 3) { // year first
            p.year = first;
            p.month = second;
            p.day = third;
            if (thirdDigits > 2)
                return std::nullopt;
        } else {
            if (!o.monthDayYear || digits > 2)
                return std::nullopt;
            p.month = first;
            p.day = second;
            p.year = third;
            if (thirdDigits <= 2)
                p.year += third < 30 ? 2000 : 1900;
            else if (thirdDigits == 3)
                return std::nullopt;
        }
    }
    if (!timeDone && !r.atEnd()) {
        const size_t before = r.i;
        r.skipSpaces();
        if (r.i == before && !r.eat(u'T'))
            return std::nullopt;
        if (!colonTime(r, p, o))
            return std::nullopt;
    }
    if (!r.atEnd())
        return std::nullopt;
    return makeDate(p);
}

void appendNumber(std::u16string& out, int64_t v, int width = 0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lld", width, static_cast<long long>(v));
    for (const char* c = buf; *c; ++c)
        out += char16_t(*c);
}

} // namespace

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

int64_t dayNumber(int year, int month, int day) {
    return daysFromCivil(year, month, day) - kEpoch;
}

void dayParts(int64_t number, int& year, int& month, int& day) {
    civilFromDays(kEpoch + number, year, month, day);
}

DateParts splitDate(double days) {
    int64_t day = 0, second = 0;
    dayAndSecond(days, day, second);
    DateParts p;
    civilFromDays(kEpoch + day, p.year, p.month, p.day);
    p.hour = int(second / 3600);
    p.minute = int(second / 60 % 60);
    p.second = int(second % 60);
    return p;
}

std::optional<double> makeDate(const DateParts& p) {
    if (p.year < 100 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
        p.day > daysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 || p.minute > 59 ||
        p.second < 0 || p.second > 59)
        return std::nullopt;
    const double day = double(daysFromCivil(p.year, p.month, p.day) - kEpoch);
    const double time = double(p.hour * 3600 + p.minute * 60 + p.second) / 86400.0;
    return day >= 0 ? day + time : day - time;
}

int64_t dateSeconds(double days) {
    int64_t day = 0, second = 0;
    dayAndSecond(days, day, second);
    return day * 86400 + second;
}

std::optional<double> parseDateText(std::u16string_view text) {
    return parse(text, Options{});
}

std::optional<double> parseDateText(std::string_view utf8) {
    return parseDateText(std::u16string_view(fromUtf8(std::string(utf8))));
}

std::optional<double> parseDateLiteral(std::u16string_view text) {
    return parse(text, Options{true, true, true});
}

std::u16string formatDateText(double days) {
    const DateParts p = splitDate(days);
    std::u16string out;
    appendNumber(out, p.year);
    out += u'年';
    appendNumber(out, p.month);
    out += u'月';
    appendNumber(out, p.day);
    out += u'日';
    if (p.hour == 0 && p.minute == 0 && p.second == 0)
        return out;
    appendNumber(out, p.hour);
    out += u'时';
    if (p.minute == 0 && p.second == 0)
        return out;
    appendNumber(out, p.minute);
    out += u'分';
    if (p.second == 0)
        return out;
    appendNumber(out, p.second);
    out += u'秒';
    return out;
}

std::u16string formatIsoDateTime(double days) {
    const DateParts p = splitDate(days);
    std::u16string out;
    appendNumber(out, p.year, 4);
    out += u'-';
    appendNumber(out, p.month, 2);
    out += u'-';
    appendNumber(out, p.day, 2);
    out += u' ';
    appendNumber(out, p.hour, 2);
    out += u':';
    appendNumber(out, p.minute, 2);
    out += u':';
    appendNumber(out, p.second, 2);
    return out;
}

} // namespace jet
