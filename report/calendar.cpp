#include "report/calendar.h"

#include "jet/datetext.h"
#include "platform/file.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fstream>


namespace report {

namespace {

int digits(std::string_view s, size_t at, size_t count) {
    int v = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (s[i] < '0' || s[i] > '9')
            return -1;
        v = v * 10 + (s[i] - '0');
    }
    return v;
}

std::string lineError(const std::string& fileName, size_t line, const std::string& what) {
    return fileName + " 第 " + std::to_string(line) + " 行：" + what;
}

} // namespace

YearMonthDay splitDay(Day d) {
    YearMonthDay ymd;
    jet::dayParts(d, ymd.year, ymd.month, ymd.day);
    return ymd;
}

int daysInMonth(int year, int month) {
    return jet::daysInMonth(year, month);
}

std::optional<Day> makeDay(int year, int month, int day) {
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
        return std::nullopt;
    return Day(jet::dayNumber(year, month, day));
}

int weekday(Day d) {
    // Day 0, 1899-12-30, was a Saturday.
    return int(((int64_t(d) + 5) % 7 + 7) % 7) + 1;
}

const char* weekdayName(Day d) {
    static const char* const names[] = {"星期一", "星期二", "星期三", "星期四", "星期五", "星期六", "星期日"};
    return names[weekday(d) - 1];
}

void appendIsoDate(std::string& out, Day d) {
    const YearMonthDay p = splitDay(d);
    char buf[10];
    int y = p.year;
    for (int i = 3; i >= 0; --i, y /= 10)
        buf[i] = char('0' + y % 10);
    buf[4] = buf[7] = '-';
    buf[5] = char('0' + p.month / 10);
    buf[6] = char('0' + p.month % 10);
    buf[8] = char('0' + p.day / 10);
    buf[9] = char('0' + p.day % 10);
    out.append(buf, sizeof buf);
}

std::string isoDate(Day d) {
    std::string s;
    appendIsoDate(s, d);
    return s;
}

std::optional<Day> parseIsoDate(std::string_view s) {
    if (s.size() != 10 || s[4] != '-' || s[7] != '-')
        return std::nullopt;
    const int y = digits(s, 0, 4), m = digits(s, 5, 2), d = digits(s, 8, 2);
    if (y < 0 || m < 0 || d < 0)
        return std::nullopt;
    return makeDay(y, m, d);
}

std::optional<Day> dayOfDateValue(double accessDate) {
    if (std::isnan(accessDate) || accessDate < jet::kMinDateNumber || accessDate >= jet::kMaxDateNumber + 1)
        return std::nullopt;
    const int64_t s = jet::dateSeconds(accessDate);
    return Day(s >= 0 ? s / 86400 : -((-s + 86399) / 86400));
}

const char* dayKindName(DayKind kind) {
    switch (kind) {
    case DayKind::Workday:
        return "工作日";
    case DayKind::RestDay:
        return "休息日";
    case DayKind::Holiday:
        return "节假日";
    }
    return "";
}

WorkCalendar WorkCalendar::builtIn() {
    WorkCalendar c;
    if (!c.addText(builtInCalendarText(), "cn-holidays.tsv"))
        return WorkCalendar();
    return c;
}

jet::Status WorkCalendar::addText(std::string_view text, const std::string& fileName) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    std::map<Day, std::pair<Mark, size_t>> found; // with the line it came from
    size_t lineNo = 0;
    while (!text.empty()) {
        ++lineNo;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string_view> fields;
        for (size_t at = 0;;) {
            const size_t tab = line.find('\t', at);
            fields.push_back(
                line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
            if (tab == std::string_view::npos)
                break;
            at = tab + 1;
        }
        if (fields.size() != 3)
            return jet::makeError(jet::ErrorKind::Invalid,
                                  lineError(fileName, lineNo,
                                            "应为以制表符分隔的三列（日期、名称、休或班），实际有 " +
                                                std::to_string(fields.size()) + " 列"));
        const auto date = parseIsoDate(fields[0]);
        if (!date)
            return jet::makeError(jet::ErrorKind::Invalid,
                                  lineError(fileName, lineNo,
                                            "日期“" + std::string(fields[0]) +
                                                "”无效（应为存在的日期，写成 YYYY-MM-DD，如 2027-01-01）"));
        if (fields[2] != "休" && fields[2] != "班")
            return jet::makeError(
                jet::ErrorKind::Invalid,
                lineError(fileName, lineNo, "第三列应为“休”或“班”，而不是“" + std::string(fields[2]) + "”"));
        const auto [it, fresh] =
            found.try_emplace(*date, Mark{fields[2] == "休", std::string(fields[1])}, lineNo);
        if (!fresh)
            return jet::makeError(jet::ErrorKind::Invalid,
                                  lineError(fileName, lineNo,
                                            "日期 " + std::string(fields[0]) + " 已在第 " +
                                                std::to_string(it->second.second) + " 行出现过"));
    }
    for (auto& [d, mark] : found)
        marks_[d] = std::move(mark.first);
    recount();
    return jet::okStatus();
}

void WorkCalendar::recount() {
    coveredYears_.clear();
    for (const auto& [d, mark] : marks_)
        if (mark.off)
            coveredYears_.insert(splitDay(d).year);
}

CalendarDay WorkCalendar::day(Day d) const {
    const auto it = marks_.find(d);
    if (it != marks_.end()) {
        if (it->second.off)
            return {DayKind::Holiday, it->second.name, false};
        return {DayKind::Workday, it->second.name, weekday(d) >= 6};
    }
    return {weekday(d) >= 6 ? DayKind::RestDay : DayKind::Workday, {}, false};
}

std::vector<int> WorkCalendar::uncoveredYears(Day from, Day to) const {
    std::vector<int> years;
    if (from > to)
        return years;
    for (int y = splitDay(from).year, last = splitDay(to).year; y <= last; ++y)
        if (!covers(y))
            years.push_back(y);
    return years;
}

std::string holidayFilePath(const std::string& databasePath) {
    // Beside the database: its folder with the separator after it.
    const size_t folderEnd = databasePath.size() - platform::baseNameOf(databasePath).size();
    return databasePath.substr(0, folderEnd) + "holidays.tsv";
}

jet::Result<WorkCalendar> loadCalendar(const std::string& databasePath) {
    WorkCalendar calendar = WorkCalendar::builtIn();
    const std::string path = holidayFilePath(databasePath);
    platform::FileInfo st;
    if (platform::pathInfo(path, st) != 0) {
        if (errno == ENOENT)
            return calendar;
        return jet::makeError(jet::ErrorKind::Io, "无法读取节假日文件：" + std::string(std::strerror(errno)),
                              path);
    }
    if (!st.regular)
        return jet::makeError(jet::ErrorKind::Io, "节假日文件不是普通文件", path);
    if (st.size > (1 << 20))
        return jet::makeError(jet::ErrorKind::Invalid, "节假日文件太大（超过 1 MB），不像是节假日列表", path);
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || !in.is_open())
        return jet::makeError(jet::ErrorKind::Io, "无法读取节假日文件", path);
    JET_TRY(calendar.addText(text, path));
    return calendar;
}

std::string uncoveredNotice(int year) {
    return std::to_string(year) + " 年的节假日安排未收录，按周一至周五计算";
}

} // namespace report
