// Verbs over the work log's hours: report (days, totals, overtime, missing working days) and
// export (the entries of a range as xlsx, csv or json). The computation and the file writing are
// ledrimo_report's (report/); this file reads the options and prints.
//
// All printing is in the "Output" part below: the report becomes a list of tables (cells that are
// text or numbers), which are then laid out for a terminal or as CSV; JSON is written from the
// report directly.
#include "report/report.h"
#include "jet/datetext.h"
#include "report/calendar.h"
#include "report/export.h"
#include "tools/ledrimo-db/format.h"
#include "tools/ledrimo-db/verbs.h"
#include "platform/file.h"
#include "platform/local_time.h"

#include <charconv>
#include <ctime>


namespace dbtool {

namespace {

using report::DateRange;
using report::Day;

constexpr OptionSpec kMonthOption{"--month", true};
constexpr OptionSpec kFromOption{"--from", true};
constexpr OptionSpec kToOption{"--to", true};
constexpr OptionSpec kAllOption{"--all", false};
constexpr OptionSpec kTodayOption{"--today", true};
constexpr OptionSpec kStandardOption{"--standard-hours", true};
constexpr OptionSpec kByOption{"--by", true};
constexpr OptionSpec kForceOption{"--force", false};

// ---- Options ----

Day localToday() {
    const std::time_t now = std::time(nullptr);
    const std::tm tm = platform::localTime(now);
    return report::makeDay(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday).value_or(0);
}

// A date option: "2026-10-01", "2026/10/1" or "2026年10月1日" (a time of day is ignored).
std::optional<Day> dateOption(const std::string& name, const std::string& text) {
    const auto value = jet::parseDateText(std::string_view(text));
    const auto day = value ? report::dayOfDateValue(*value) : std::nullopt;
    if (!day)
        failDateOption(name, text);
    return day;
}

std::optional<Day> todayOption(const Args& args) {
    if (auto t = args.option(kTodayOption.name))
        return dateOption(kTodayOption.name, *t);
    return localToday();
}

// The range the options name: --month, --from with --to, or the month of `today`; with --all,
// nullopt in `range` (every entry).
bool rangeOption(const Args& args, Day today, std::optional<DateRange>& range) {
    const auto month = args.option(kMonthOption.name);
    const auto from = args.option(kFromOption.name);
    const auto to = args.option(kToOption.name);
    const bool all = args.flag(kAllOption.name);
    if (int(bool(month)) + int(from || to) + int(all) > 1) {
        fail("--month、--from/--to 和 --all 只能选用一种");
        return false;
    }
    range.reset();
    if (all)
        return true;
    if (month) {
        range = report::parseMonth(*month);
        if (!range)
            fail("月份无效：" + *month + "（应为 YYYY-MM，月份 1 到 12，如 2026-10）");
        return bool(range);
    }
    if (from || to) {
        if (!from || !to) {
            fail("--from 和 --to 需要一起给出");
            return false;
        }
        const auto f = dateOption(kFromOption.name, *from);
        if (!f)
            return false;
        const auto t = dateOption(kToOption.name, *to);
        if (!t)
            return false;
        if (*f > *t) {
            fail("--from " + report::isoDate(*f) + " 晚于 --to " + report::isoDate(*t));
            return false;
        }
        range = DateRange{*f, *t};
        return true;
    }
    range = report::monthOf(today);
    return true;
}

// ---- Output ----

void appendNumber(std::string& s, double v) {
    char buf[32];
    s.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}
void appendNumber(std::string& s, int64_t v) {
    char buf[24];
    s.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

// A table of cells, each text or a number; the cells' texts are kept one after the other.
class Table {
public:
    Table(std::string title, std::vector<std::string> header)
        : title(std::move(title)), header(std::move(header)) {}

    std::string title; // shown above the table in text; empty for the main table
    std::vector<std::string> header;

    Table& text(std::string_view t) {
        text_ += t;
        return close(false);
    }
    Table& date(report::Day d) {
        report::appendIsoDate(text_, d);
        return close(false);
    }
    Table& num(int64_t v) {
        appendNumber(text_, v);
        return close(true);
    }
    Table& num(double v) {
        appendNumber(text_, v);
        return close(true);
    }
    Table& noNumber() { return close(true); } // an empty number: blank in text, an empty CSV field
    Table& totals(const report::Totals& t, bool withDays) {
        num(t.hours).num(t.entries);
        if (withDays)
            num(int64_t(t.daysWorked)).num(int64_t(t.workdays));
        return num(t.overtime.workday).num(t.overtime.restday).num(t.overtime.holiday);
    }

    void reserve(size_t rows, size_t bytesPerRow) {
        cells_.reserve(rows * columns());
        text_.reserve(rows * bytesPerRow);
    }
    size_t columns() const { return header.size(); }
    size_t rows() const { return cells_.size() / header.size(); }
    std::string_view cell(size_t row, size_t column) const {
        const size_t k = row * columns() + column;
        const size_t begin = k ? cells_[k - 1].end : 0;
        return std::string_view(text_).substr(begin, cells_[k].end - begin);
    }
    bool isNumber(size_t row, size_t column) const { return cells_[row * columns() + column].number; }
    size_t width(size_t row, size_t column) const { return cells_[row * columns() + column].width; }

private:
    struct Cell {
        uint32_t end;   // where its text ends in text_
        uint16_t width; // columns it takes in a terminal
        bool number;
    };
    Table& close(bool number) {
        const size_t begin = cells_.empty() ? 0 : cells_.back().end;
        size_t w = text_.size() - begin;
        for (size_t i = begin; i < text_.size(); ++i)
            if (uint8_t(text_[i]) >= 0x80) {
                w = displayWidth(std::string_view(text_).substr(begin));
                break;
            }
        cells_.push_back({uint32_t(text_.size()), uint16_t(std::min<size_t>(w, 0xFFFF)), number});
        return *this;
    }
    std::string text_;
    std::vector<Cell> cells_;
};

void appendDayNote(std::string& note, const report::DayReport& d) {
    note = d.holiday;
    if (!d.makeUpFor.empty())
        note = d.makeUpFor + "补班";
    if (d.missing)
        note += note.empty() ? "缺记录" : "，缺记录";
    if (d.suspicious)
        note += (note.empty() ? "可疑，未计入 " : "，可疑，未计入 ") + std::to_string(d.leftOut) + " 小时";
}

std::string yearsText(const std::vector<int>& years, size_t& i) {
    size_t j = i;
    while (j + 1 < years.size() && years[j + 1] == years[j] + 1)
        ++j;
    std::string s = std::to_string(years[i]);
    if (j > i)
        s += "–" + std::to_string(years[j]);
    i = j;
    return s;
}

// The notices about years the calendar does not cover; a run of years is named once.
std::vector<std::string> notices(const report::Report& r) {
    std::vector<std::string> out;
    for (size_t i = 0; i < r.uncoveredYears.size(); ++i) {
        const int first = r.uncoveredYears[i];
        const std::string years = yearsText(r.uncoveredYears, i);
        out.push_back(report::uncoveredNotice(first).replace(0, std::to_string(first).size(), years));
    }
    return out;
}

// The report as tables: the main one (by day, week, month or company, with a 合计 row), the
// summary, the missing working days, the employers and the suspicious entries.
std::vector<Table> reportTables(const report::Report& r, const std::string& by) {
    std::vector<Table> tables;
    auto withAmounts = [](std::vector<std::string> first, bool withDays) {
        for (const char* h : {"工时", "记录数"})
            first.push_back(h);
        if (withDays) {
            first.push_back("出勤天数");
            first.push_back("应出勤天数");
        }
        for (const char* h : {"工作日加班", "休息日加班", "节假日加班"})
            first.push_back(h);
        return first;
    };
    auto companyRows = [&](Table& t) {
        for (const auto& c : r.byCompany)
            t.text(jet::toUtf8(c.company)).num(c.hours).num(int64_t(c.days)).num(c.entries);
    };
    if (by == "company") {
        Table main("", {"公司", "工时", "天数", "记录数"});
        companyRows(main);
        main.text("合计").num(r.totals.hours).num(int64_t(r.totals.daysWorked)).num(r.totals.entries);
        tables.push_back(std::move(main));
    } else if (by == "week") {
        Table main("", withAmounts({"开始", "结束"}, true));
        for (const auto& p : report::byWeek(r))
            main.date(p.range.from).date(p.range.to).totals(p.totals, true);
        main.text("合计").text("").totals(r.totals, true);
        tables.push_back(std::move(main));
    } else if (by == "month") {
        Table main("", withAmounts({"月份"}, true));
        for (const auto& p : report::byMonth(r))
            main.text(report::isoDate(p.range.from).substr(0, 7)).totals(p.totals, true);
        main.text("合计").totals(r.totals, true);
        tables.push_back(std::move(main));
    } else {
        Table main("", withAmounts({"日期", "星期", "类型", "说明"}, false));
        main.reserve(r.days.size() + 1, 48);
        std::string note;
        for (const auto& d : r.days) {
            appendDayNote(note, d);
            main.date(d.date).text(report::weekdayName(d.date)).text(report::dayKindName(d.kind)).text(note);
            main.num(d.hours).num(int64_t(d.entryCount));
            main.num(d.overtime.workday).num(d.overtime.restday).num(d.overtime.holiday);
        }
        main.text("合计").text("").text("").text("").totals(r.totals, false);
        tables.push_back(std::move(main));
    }

    Table summary("汇总", {"项目", "数值"});
    summary.text("合计工时").num(r.totals.hours);
    summary.text("出勤天数").num(int64_t(r.totals.daysWorked));
    summary.text("应出勤天数").num(int64_t(r.totals.workdays));
    summary.text("工作日加班").num(r.totals.overtime.workday);
    summary.text("休息日加班").num(r.totals.overtime.restday);
    summary.text("节假日加班").num(r.totals.overtime.holiday);
    summary.text("缺记录的工作日").num(int64_t(r.missingWorkdays.size()));
    summary.text("可疑未计入的工时").num(r.totals.leftOutHours);
    summary.text("可疑的天数").num(int64_t(r.totals.leftOutDays));
    tables.push_back(std::move(summary));

    if (!r.missingWorkdays.empty()) {
        Table missing("缺记录的工作日（截至 " + report::isoDate(r.today) + "）", {"日期", "星期"});
        for (report::Day d : r.missingWorkdays)
            missing.date(d).text(report::weekdayName(d));
        tables.push_back(std::move(missing));
    }
    if (by != "company" && !r.byCompany.empty()) {
        Table companies("按公司", {"公司", "工时", "天数", "记录数"});
        companyRows(companies);
        tables.push_back(std::move(companies));
    }
    if (!r.suspicious.empty()) {
        Table suspicious(std::string("可疑记录（") + report::suspicionRuleText() + "）", {"ID", "日期", "工时", "原因"});
        for (const auto& s : r.suspicious) {
            suspicious.text(jet::toUtf8(s.id)).date(s.date);
            if (s.hours)
                suspicious.num(int64_t(*s.hours));
            else
                suspicious.noNumber();
            suspicious.text(report::suspicionText(s.reason));
        }
        tables.push_back(std::move(suspicious));
    }
    return tables;
}

// Each table as aligned columns (numbers to the right, text to the left, by display width),
// with its title above it.
void renderText(const std::vector<Table>& tables, Output& out) {
    std::string s;
    for (const Table& t : tables) {
        if (!t.title.empty())
            s += "\n" + t.title + "\n";
        const size_t n = t.columns(), rows = t.rows();
        std::vector<size_t> width(n);
        std::vector<bool> right(n);
        for (size_t i = 0; i < n; ++i) {
            width[i] = displayWidth(t.header[i]);
            right[i] = rows && t.isNumber(0, i);
        }
        for (size_t row = 0; row < rows; ++row)
            for (size_t i = 0; i < n; ++i)
                width[i] = std::max(width[i], t.width(row, i));
        auto put = [&](std::string_view text, size_t w, size_t i) {
            const size_t pad = width[i] - w;
            if (i)
                s += "  ";
            if (right[i])
                s.append(pad, ' ');
            s += text;
            if (!right[i] && i + 1 < n)
                s.append(pad, ' ');
        };
        for (size_t i = 0; i < n; ++i)
            put(t.header[i], displayWidth(t.header[i]), i);
        for (size_t row = 0; row < rows; ++row) {
            while (!s.empty() && s.back() == ' ')
                s.pop_back();
            s += '\n';
            if (s.size() > (1u << 16)) {
                out.put(s);
                s.clear();
            }
            for (size_t i = 0; i < n; ++i)
                put(t.cell(row, i), t.width(row, i), i);
        }
        while (!s.empty() && s.back() == ' ')
            s.pop_back();
        s += '\n';
    }
    out.put(s);
}

// Each table with its header row, a blank line between tables; then the notices.
void renderCsv(const report::Report& r, const std::vector<Table>& tables, const std::vector<std::string>& notes,
               Output& out) {
    out.put("\xEF\xBB\xBF");
    csvQuoted(out, report::reportTitle(r));
    out.put("\r\n");
    if (const std::string person = report::personLine(r); !person.empty()) {
        csvQuoted(out, person);
        out.put("\r\n");
    }
    out.put("\r\n");
    bool first = true;
    for (const Table& t : tables) {
        if (!first)
            out.put("\r\n");
        first = false;
        if (!t.title.empty()) {
            csvQuoted(out, t.title);
            out.put("\r\n");
        }
        for (size_t i = 0; i < t.columns(); ++i) {
            if (i)
                out.put(',');
            csvQuoted(out, t.header[i]);
        }
        out.put("\r\n");
        for (size_t row = 0; row < t.rows(); ++row) {
            for (size_t i = 0; i < t.columns(); ++i) {
                if (i)
                    out.put(',');
                if (t.isNumber(row, i))
                    out.put(t.cell(row, i));
                else
                    csvQuoted(out, t.cell(row, i));
            }
            out.put("\r\n");
        }
    }
    if (!notes.empty()) {
        out.put("\r\n");
        csvQuoted(out, "说明");
        out.put("\r\n");
        for (const auto& n : notes) {
            csvQuoted(out, n);
            out.put("\r\n");
        }
    }
}

void jsonOvertime(Output& out, const report::Overtime& o) {
    out.put("{\"workday\":");
    out.number(o.workday);
    out.put(",\"restday\":");
    out.number(o.restday);
    out.put(",\"holiday\":");
    out.number(o.holiday);
    out.put('}');
}

void jsonDate(Output& out, report::Day d) {
    out.put('"');
    out.put(report::isoDate(d));
    out.put('"');
}

void jsonNameOrNull(Output& out, const std::string& name) {
    if (name.empty())
        out.put("null");
    else
        out.jsonText(jet::fromUtf8(name));
}

// The report as one JSON object; the key names are kept stable for scripts.
void renderJson(const report::Report& r, const std::string& by, Output& out) {
    out.put("{\"from\":");
    jsonDate(out, r.range.from);
    out.put(",\"to\":");
    jsonDate(out, r.range.to);
    out.put(",\"today\":");
    jsonDate(out, r.today);
    out.put(",\"standardHours\":");
    out.number(r.standardHours);
    out.put(",\n\"days\":[");
    for (size_t i = 0; i < r.days.size(); ++i) {
        const auto& d = r.days[i];
        out.put(i ? ",\n{\"date\":" : "\n{\"date\":");
        jsonDate(out, d.date);
        out.put(",\"weekday\":\""); // the program's own words: nothing to escape
        out.put(report::weekdayName(d.date));
        out.put("\",\"kind\":\"");
        out.put(report::dayKindName(d.kind));
        out.put("\",\"holiday\":");
        jsonNameOrNull(out, d.holiday);
        out.put(",\"makeUpFor\":");
        jsonNameOrNull(out, d.makeUpFor);
        out.put(",\"hours\":");
        out.number(d.hours);
        out.put(",\"entries\":");
        out.number(int64_t(d.entryCount));
        if (d.suspicious) {
            out.put(",\"leftOut\":");
            out.number(d.leftOut);
        }
        out.put(",\"overtime\":");
        jsonOvertime(out, d.overtime);
        out.put('}');
    }
    out.put("],\n\"totals\":{\"hours\":");
    out.number(r.totals.hours);
    out.put(",\"daysWorked\":");
    out.number(int64_t(r.totals.daysWorked));
    out.put(",\"workdays\":");
    out.number(int64_t(r.totals.workdays));
    out.put(",\"overtime\":");
    jsonOvertime(out, r.totals.overtime);
    out.put(",\"leftOutHours\":");
    out.number(r.totals.leftOutHours);
    out.put(",\"leftOutDays\":");
    out.number(int64_t(r.totals.leftOutDays));
    out.put("},\n\"missingWorkdays\":[");
    for (size_t i = 0; i < r.missingWorkdays.size(); ++i) {
        if (i)
            out.put(',');
        jsonDate(out, r.missingWorkdays[i]);
    }
    out.put("],\n\"byCompany\":[");
    for (size_t i = 0; i < r.byCompany.size(); ++i) {
        out.put(i ? ",{\"company\":" : "{\"company\":");
        out.jsonText(r.byCompany[i].company);
        out.put(",\"hours\":");
        out.number(r.byCompany[i].hours);
        out.put(",\"days\":");
        out.number(int64_t(r.byCompany[i].days));
        out.put('}');
    }
    out.put("],\n\"suspicious\":[");
    for (size_t i = 0; i < r.suspicious.size(); ++i) {
        const auto& e = r.suspicious[i];
        out.put(i ? ",{\"id\":" : "{\"id\":");
        out.jsonText(e.id);
        out.put(",\"date\":");
        jsonDate(out, e.date);
        out.put(",\"hours\":");
        if (e.hours)
            out.number(int64_t(*e.hours));
        else
            out.put("null");
        out.put(",\"reason\":");
        out.jsonText(jet::fromUtf8(report::suspicionText(e.reason)));
        out.put('}');
    }
    out.put("],\n\"uncoveredYears\":[");
    for (size_t i = 0; i < r.uncoveredYears.size(); ++i) {
        if (i)
            out.put(',');
        out.number(int64_t(r.uncoveredYears[i]));
    }
    out.put(']');
    if (by == "week" || by == "month") {
        out.put(by == "week" ? ",\n\"weeks\":[" : ",\n\"months\":[");
        const auto periods = by == "week" ? report::byWeek(r) : report::byMonth(r);
        for (size_t i = 0; i < periods.size(); ++i) {
            const auto& p = periods[i];
            out.put(i ? ",\n{\"from\":" : "\n{\"from\":");
            jsonDate(out, p.range.from);
            out.put(",\"to\":");
            jsonDate(out, p.range.to);
            out.put(",\"hours\":");
            out.number(p.totals.hours);
            out.put(",\"entries\":");
            out.number(p.totals.entries);
            out.put(",\"daysWorked\":");
            out.number(int64_t(p.totals.daysWorked));
            out.put(",\"workdays\":");
            out.number(int64_t(p.totals.workdays));
            out.put(",\"overtime\":");
            jsonOvertime(out, p.totals.overtime);
            out.put('}');
        }
        out.put(']');
    }
    out.put("}\n");
}

void renderReport(const report::Report& r, const std::string& format, const std::string& by, Output& out) {
    if (format == "json")
        return renderJson(r, by, out);
    const auto tables = reportTables(r, by);
    const auto notes = notices(r);
    if (format == "csv")
        return renderCsv(r, tables, notes, out);
    std::string head;
    for (const auto& n : notes)
        head += "注意：" + n + "\n";
    head += report::reportTitle(r) + "\n";
    if (const std::string person = report::personLine(r); !person.empty())
        head += person + "\n";
    out.put(head + "\n");
    renderText(tables, out);
}

// ---- Verbs ----

int runReport(const Args& args, Output& out) {
    const auto format = formatOption(args, {"text", "csv", "json"});
    if (!format)
        return 1;
    const std::string by = args.option(kByOption.name).value_or("day");
    if (by != "day" && by != "week" && by != "month" && by != "company")
        return fail("--by 的值无效：" + by + "（可用 day、week、month 或 company）");
    double standard = 8;
    if (auto s = args.option(kStandardOption.name)) {
        const char* end = s->data() + s->size();
        const auto parsed = std::from_chars(s->data(), end, standard);
        if (parsed.ec != std::errc() || parsed.ptr != end || !(standard >= 0 && standard <= 24))
            return fail("--standard-hours 的值无效：" + *s + "（应为 0 到 24 之间的小时数，如 8 或 7.5）");
    }
    const auto today = todayOption(args);
    if (!today)
        return 1;
    std::optional<DateRange> range;
    if (!rangeOption(args, *today, range))
        return 1;
    auto db = openDatabase(args);
    if (!db)
        return fail(db.error());
    auto calendar = report::loadCalendar(args.positional[0]);
    if (!calendar)
        return fail(calendar.error());
    auto r = report::computeReport(**db, *calendar, {range, *today, standard, /*withNotes=*/false});
    if (!r)
        return fail(r.error());
    renderReport(*r, *format, by, out);
    return 0;
}

int runExport(const Args& args, Output& out) {
    const std::string& target = args.positional[1];
    report::ExportFormat format = report::formatForPath(target);
    if (args.option(kFormatOption.name)) {
        const auto f = formatOption(args, {"xlsx", "csv", "json"});
        if (!f)
            return 1;
        format = *f == "csv"    ? report::ExportFormat::Csv
                 : *f == "json" ? report::ExportFormat::Json
                                : report::ExportFormat::Xlsx;
    }
    const bool force = args.flag(kForceOption.name);
    if (!force && platform::pathExists(target))
        return fail("文件已存在：" + target + "（要覆盖请加 --force）");
    const auto today = todayOption(args);
    if (!today)
        return 1;
    std::optional<DateRange> range;
    if (!rangeOption(args, *today, range))
        return 1;
    auto db = openDatabase(args);
    if (!db)
        return fail(db.error());
    auto written = report::exportEntries(**db, target, {range, format, force});
    if (!written)
        return fail(written.error());
    const std::string which =
        range ? report::isoDate(range->from) + " 至 " + report::isoDate(range->to) : std::string("全部");
    out.put("已导出 " + std::to_string(*written) + " 条记录（" + which + "）到 " + target + "\n");
    return 0;
}

const char kRangeHelp[] = "  --month YYYY-MM         一个月（默认：今天所在的月）\n"
                          "  --from DATE --to DATE   从 DATE 到 DATE（含两端；DATE 如 2026-10-01）\n"
                          "  --all                   从最早一条记录的上班日期到最晚一条\n"
                          "  --today DATE            把 DATE 当作今天（默认：今天）\n"
                          "  --password P            数据库密码\n";

} // namespace

const std::vector<Verb>& reportVerbs() {
    static const std::string reportHelp =
        std::string("按上班日期汇总表 data 中的工时：每天的类型（工作日、休息日、节假日，按中国大陆的\n"
                    "节假日安排）、工时、记录数和加班；合计、出勤天数、应出勤天数（截至今天的工作日）、\n"
                    "缺记录的工作日、按公司的工时和天数，以及可疑记录：一天的工时合计超过 24 小时或为负数时，\n"
                    "这一天记为可疑，它的工时不计入合计（汇总中给出未计入的小时数和天数）；工时为空的记录\n"
                    "按 0 计，也列出。\n"
                    "加班：工作日超出每日标准的部分为工作日加班；休息日和节假日的工时全部计为加班。\n"
                    "程序自带 2007–2026 年的节假日安排；数据库所在目录中的 holidays.tsv（同样的三列：\n"
                    "日期、名称、休或班，以制表符分隔，# 开头的行为注释）可补充年份或更改某一天。\n"
                    "  --standard-hours N      工作日的每日标准工时（默认 8）\n"
                    "  --by day|week|month|company\n"
                    "                          主表按天（默认）、按周、按月或按公司\n"
                    "  --format text           （默认）对齐的表格，下面是汇总、缺记录的工作日等\n"
                    "  --format csv            同样的表格，UTF-8 带 BOM，行尾 CRLF，各表之间空一行\n"
                    "  --format json           一个对象：from、to、today、standardHours、days、totals、\n"
                    "                          missingWorkdays、byCompany、suspicious、uncoveredYears\n"
                    "                          （--by week 或 month 时另有 weeks 或 months；totals 的\n"
                    "                          leftOutHours、leftOutDays 是可疑未计入的工时和天数，\n"
                    "                          可疑的一天另有 leftOut）\n") +
        kRangeHelp;
    static const std::string exportHelp =
        std::string("把日期范围内的每条记录（表 data 的所有列，按表中的顺序）写入 OUT。\n"
                    "  --format xlsx           Excel 工作簿：日期为日期单元格，工时为数字，首行冻结\n"
                    "  --format csv            UTF-8 带 BOM，行尾 CRLF，文本总带引号\n"
                    "  --format json           对象数组，每行一条记录\n"
                    "                          不给 --format 时按 OUT 的扩展名（.csv、.json，否则 xlsx）\n"
                    "  日期为 YYYY-MM-DD，带时刻时为 YYYY-MM-DD HH:MM:SS。\n"
                    "  --force                 OUT 已存在时覆盖（否则拒绝）\n") +
        kRangeHelp;
    static const std::vector<Verb> verbs = {
        {"report",
         "ledrimo-db report FILE [--month YYYY-MM | --from DATE --to DATE | --all] [--standard-hours N] "
         "[--by day|week|month|company] [--format text|csv|json]",
         reportHelp.c_str(),
         {kPasswordOption, kFormatOption, kMonthOption, kFromOption, kToOption, kAllOption, kTodayOption,
          kStandardOption, kByOption},
         1,
         1,
         runReport},
        {"export",
         "ledrimo-db export FILE OUT [--format xlsx|csv|json] [--month YYYY-MM | --from DATE --to DATE | "
         "--all] "
         "[--force]",
         exportHelp.c_str(),
         {kPasswordOption, kFormatOption, kMonthOption, kFromOption, kToOption, kAllOption, kTodayOption,
          kForceOption},
         2,
         2,
         runExport},
    };
    return verbs;
}

} // namespace dbtool
