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

#include <charconv>
#include <cmath>
#include <ctime>

#include <sys/stat.h>

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
    std::tm tm{};
    localtime_r(&now, &tm);
    return report::makeDay(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday).value_or(0);
}

// A date option: "2026-10-01", "2026/10/1" or "2026年10月1日" (a time of day is ignored).
std::optional<Day> dateOption(const std::string& name, const std::string& text) {
    const auto value = jet::parseDateText(std::string_view(text));
    const auto day = value ? report::dayOfDateValue(*value) : std::nullopt;
    if (!day)
        fail(name + " 的日期无效：" + text + "（应为存在的日期，如 2026-10-01）");
    return day;
}

std::optional<Day> todayOption(const Args& args) {
    if (auto t = args.option(kTodayOption.name))
        return dateOption(kTodayOption.name, *t);
    return localToday();
}

// The range the options name: --month, --from with --to, --all, or the month of `today`.
std::optional<DateRange> rangeOption(const Args& args, const jet::Database& db, Day today) {
    const auto month = args.option(kMonthOption.name);
    const auto from = args.option(kFromOption.name);
    const auto to = args.option(kToOption.name);
    const bool all = args.flag(kAllOption.name);
    if (int(bool(month)) + int(from || to) + int(all) > 1) {
        fail("--month、--from/--to 和 --all 只能选用一种");
        return std::nullopt;
    }
    if (month) {
        const auto r = report::parseMonth(*month);
        if (!r)
            fail("月份无效：" + *month + "（应为 YYYY-MM，月份 1 到 12，如 2026-10）");
        return r;
    }
    if (from || to) {
        if (!from || !to) {
            fail("--from 和 --to 需要一起给出");
            return std::nullopt;
        }
        const auto f = dateOption(kFromOption.name, *from);
        if (!f)
            return std::nullopt;
        const auto t = dateOption(kToOption.name, *to);
        if (!t)
            return std::nullopt;
        if (*f > *t) {
            fail("--from " + report::isoDate(*f) + " 晚于 --to " + report::isoDate(*t));
            return std::nullopt;
        }
        return DateRange{*f, *t};
    }
    if (all) {
        auto r = report::entryDateRange(db);
        if (!r) {
            fail(r.error());
            return std::nullopt;
        }
        if (*r)
            return **r;
    }
    return report::monthOf(today);
}

// ---- Output ----

std::string number(double v) {
    char buf[32];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}
std::string number(int64_t v) {
    return std::to_string(v);
}

struct Cell {
    std::string text;
    bool isNumber = false;
};
Cell num(double v) {
    return {number(v), true};
}
Cell num(int64_t v) {
    return {number(v), true};
}

struct Table {
    std::string title; // shown above the table in text; empty for the main table
    std::vector<std::string> header;
    std::vector<std::vector<Cell>> rows;
};

std::vector<Cell> totalCells(const report::Totals& t, bool withDays) {
    std::vector<Cell> c = {num(t.hours), num(t.entries)};
    if (withDays) {
        c.push_back(num(int64_t(t.daysWorked)));
        c.push_back(num(int64_t(t.workdays)));
    }
    for (double o : {t.overtime.workday, t.overtime.restday, t.overtime.holiday})
        c.push_back(num(o));
    return c;
}

std::string dayNote(const report::DayReport& d) {
    std::string note = d.holiday;
    if (!d.makeUpFor.empty())
        note = d.makeUpFor + "补班";
    if (d.missing)
        note += note.empty() ? "缺记录" : "，缺记录";
    return note;
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
    const std::vector<std::string> amounts = {"工时", "记录数"};
    const std::vector<std::string> overtime = {"工作日加班", "休息日加班", "节假日加班"};
    Table main;
    auto header = [&](std::vector<std::string> first, bool withDays) {
        main.header = std::move(first);
        main.header.insert(main.header.end(), amounts.begin(), amounts.end());
        if (withDays) {
            main.header.push_back("出勤天数");
            main.header.push_back("应出勤天数");
        }
        main.header.insert(main.header.end(), overtime.begin(), overtime.end());
    };
    auto totalRow = [&](size_t leading, bool withDays) {
        std::vector<Cell> row(leading);
        row[0].text = "合计";
        for (auto& c : totalCells(r.totals, withDays))
            row.push_back(std::move(c));
        main.rows.push_back(std::move(row));
    };
    if (by == "company") {
        main.header = {"公司", "工时", "天数", "记录数"};
        for (const auto& c : r.byCompany)
            main.rows.push_back(
                {{jet::toUtf8(c.company)}, num(c.hours), num(int64_t(c.days)), num(c.entries)});
        main.rows.push_back(
            {{"合计"}, num(r.totals.hours), num(int64_t(r.totals.daysWorked)), num(r.totals.entries)});
    } else if (by == "week" || by == "month") {
        const bool week = by == "week";
        header(week ? std::vector<std::string>{"开始", "结束"} : std::vector<std::string>{"月份"}, true);
        for (const auto& p : week ? report::byWeek(r) : report::byMonth(r)) {
            std::vector<Cell> row;
            if (week) {
                row = {{report::isoDate(p.range.from)}, {report::isoDate(p.range.to)}};
            } else {
                row = {{report::isoDate(p.range.from).substr(0, 7)}};
            }
            for (auto& c : totalCells(p.totals, true))
                row.push_back(std::move(c));
            main.rows.push_back(std::move(row));
        }
        totalRow(week ? 2 : 1, true);
    } else {
        header({"日期", "星期", "类型", "说明"}, false);
        for (const auto& d : r.days)
            main.rows.push_back({{report::isoDate(d.date)},
                                 {report::weekdayName(d.date)},
                                 {report::dayKindName(d.kind)},
                                 {dayNote(d)},
                                 num(d.hours),
                                 num(int64_t(d.entries.size())),
                                 num(d.overtime.workday),
                                 num(d.overtime.restday),
                                 num(d.overtime.holiday)});
        totalRow(4, false);
    }
    tables.push_back(std::move(main));

    Table summary{"汇总", {"项目", "数值"}, {}};
    auto item = [&](const char* name, Cell value) { summary.rows.push_back({{name}, std::move(value)}); };
    item("合计工时", num(r.totals.hours));
    item("出勤天数", num(int64_t(r.totals.daysWorked)));
    item("应出勤天数", num(int64_t(r.totals.workdays)));
    item("工作日加班", num(r.totals.overtime.workday));
    item("休息日加班", num(r.totals.overtime.restday));
    item("节假日加班", num(r.totals.overtime.holiday));
    item("缺记录的工作日", num(int64_t(r.missingWorkdays.size())));
    tables.push_back(std::move(summary));

    if (!r.missingWorkdays.empty()) {
        Table missing{"缺记录的工作日（截至 " + report::isoDate(r.today) + "）", {"日期", "星期"}, {}};
        for (Day d : r.missingWorkdays)
            missing.rows.push_back({{report::isoDate(d)}, {report::weekdayName(d)}});
        tables.push_back(std::move(missing));
    }
    if (by != "company" && !r.byCompany.empty()) {
        Table companies{"按公司", {"公司", "工时", "天数", "记录数"}, {}};
        for (const auto& c : r.byCompany)
            companies.rows.push_back(
                {{jet::toUtf8(c.company)}, num(c.hours), num(int64_t(c.days)), num(c.entries)});
        tables.push_back(std::move(companies));
    }
    if (!r.suspicious.empty()) {
        Table suspicious{"可疑记录", {"ID", "日期", "工时", "原因"}, {}};
        for (const auto& s : r.suspicious)
            suspicious.rows.push_back({{jet::toUtf8(s.id)},
                                       {report::isoDate(s.date)},
                                       s.hours ? num(int64_t(*s.hours)) : Cell{"（空）"},
                                       {report::suspicionText(s.reason)}});
        tables.push_back(std::move(suspicious));
    }
    return tables;
}

void renderText(const std::vector<Table>& tables, Output& out) {
    std::string s;
    for (const Table& t : tables) {
        if (!t.title.empty())
            s += "\n" + t.title + "\n";
        const size_t n = t.header.size();
        std::vector<size_t> width(n);
        for (size_t i = 0; i < n; ++i)
            width[i] = displayWidth(t.header[i]);
        for (const auto& row : t.rows)
            for (size_t i = 0; i < n; ++i)
                width[i] = std::max(width[i], displayWidth(row[i].text));
        auto line = [&](const std::vector<Cell>& cells) {
            std::string l;
            for (size_t i = 0; i < n; ++i) {
                const size_t pad = width[i] - displayWidth(cells[i].text);
                if (i)
                    l += "  ";
                if (cells[i].isNumber)
                    l.append(pad, ' ');
                l += cells[i].text;
                if (!cells[i].isNumber)
                    l.append(pad, ' ');
            }
            while (!l.empty() && l.back() == ' ')
                l.pop_back();
            s += l + "\n";
        };
        std::vector<Cell> head;
        for (size_t i = 0; i < n; ++i)
            head.push_back({t.header[i], !t.rows.empty() && t.rows[0][i].isNumber});
        line(head);
        for (const auto& row : t.rows)
            line(row);
        out.put(s);
        s.clear();
    }
}

void renderCsv(const std::vector<Table>& tables, const std::vector<std::string>& notes, Output& out) {
    std::string s = "\xEF\xBB\xBF";
    auto field = [&](const Cell& c) {
        if (c.isNumber)
            s += c.text;
        else
            csvQuoted(s, c.text);
    };
    bool first = true;
    for (const Table& t : tables) {
        if (!first)
            s += "\r\n";
        first = false;
        for (size_t i = 0; i < t.header.size(); ++i) {
            if (i)
                s += ',';
            field({t.header[i]});
        }
        s += "\r\n";
        for (const auto& row : t.rows) {
            for (size_t i = 0; i < row.size(); ++i) {
                if (i)
                    s += ',';
                field(row[i]);
            }
            s += "\r\n";
        }
        out.put(s);
        s.clear();
    }
    if (!notes.empty()) {
        s += "\r\n";
        field({"说明"});
        s += "\r\n";
        for (const auto& n : notes) {
            field({n});
            s += "\r\n";
        }
    }
    out.put(s);
}

void jsonText(std::string& s, const std::string& utf8) {
    jsonString(s, std::u16string_view(jet::fromUtf8(utf8)));
}

void jsonOvertime(std::string& s, const report::Overtime& o) {
    s += "{\"workday\":" + number(o.workday) + ",\"restday\":" + number(o.restday) +
         ",\"holiday\":" + number(o.holiday) + "}";
}

// The report as one JSON object; the key names are kept stable for scripts.
void renderJson(const report::Report& r, const std::string& by, Output& out) {
    std::string s = "{\"from\":\"" + report::isoDate(r.range.from) + "\",\"to\":\"" +
                    report::isoDate(r.range.to) + "\",\"today\":\"" + report::isoDate(r.today) +
                    "\",\"standardHours\":" + number(r.standardHours) + ",\n\"days\":[";
    for (size_t i = 0; i < r.days.size(); ++i) {
        const auto& d = r.days[i];
        s += i ? ",\n{" : "\n{";
        s += "\"date\":\"" + report::isoDate(d.date) + "\",\"weekday\":\"" + report::weekdayName(d.date) +
             "\",\"kind\":\"" + report::dayKindName(d.kind) + "\",\"holiday\":";
        if (d.holiday.empty())
            s += "null";
        else
            jsonText(s, d.holiday);
        s += ",\"makeUpFor\":";
        if (d.makeUpFor.empty())
            s += "null";
        else
            jsonText(s, d.makeUpFor);
        s += ",\"hours\":" + number(d.hours) + ",\"entries\":" + number(int64_t(d.entries.size())) +
             ",\"overtime\":";
        jsonOvertime(s, d.overtime);
        s += '}';
        if (s.size() > (1u << 16)) {
            out.put(s);
            s.clear();
        }
    }
    s += "],\n\"totals\":{\"hours\":" + number(r.totals.hours) +
         ",\"daysWorked\":" + number(int64_t(r.totals.daysWorked)) +
         ",\"workdays\":" + number(int64_t(r.totals.workdays)) + ",\"overtime\":";
    jsonOvertime(s, r.totals.overtime);
    s += "},\n\"missingWorkdays\":[";
    for (size_t i = 0; i < r.missingWorkdays.size(); ++i)
        s += (i ? ",\"" : "\"") + report::isoDate(r.missingWorkdays[i]) + "\"";
    s += "],\n\"byCompany\":[";
    for (size_t i = 0; i < r.byCompany.size(); ++i) {
        s += i ? ",{\"company\":" : "{\"company\":";
        jsonString(s, std::u16string_view(r.byCompany[i].company));
        s += ",\"hours\":" + number(r.byCompany[i].hours) +
             ",\"days\":" + number(int64_t(r.byCompany[i].days)) + "}";
    }
    s += "],\n\"suspicious\":[";
    for (size_t i = 0; i < r.suspicious.size(); ++i) {
        const auto& e = r.suspicious[i];
        s += i ? ",{\"id\":" : "{\"id\":";
        jsonString(s, std::u16string_view(e.id));
        s += ",\"date\":\"" + report::isoDate(e.date) +
             "\",\"hours\":" + (e.hours ? number(int64_t(*e.hours)) : std::string("null")) + ",\"reason\":";
        jsonText(s, report::suspicionText(e.reason));
        s += '}';
    }
    s += "],\n\"uncoveredYears\":[";
    for (size_t i = 0; i < r.uncoveredYears.size(); ++i)
        s += (i ? "," : "") + std::to_string(r.uncoveredYears[i]);
    s += "]";
    if (by == "week" || by == "month") {
        s += ",\n\"" + std::string(by == "week" ? "weeks" : "months") + "\":[";
        const auto periods = by == "week" ? report::byWeek(r) : report::byMonth(r);
        for (size_t i = 0; i < periods.size(); ++i) {
            const auto& p = periods[i];
            s += (i ? ",\n{\"from\":\"" : "\n{\"from\":\"") + report::isoDate(p.range.from) + "\",\"to\":\"" +
                 report::isoDate(p.range.to) + "\",\"hours\":" + number(p.totals.hours) +
                 ",\"entries\":" + number(p.totals.entries) +
                 ",\"daysWorked\":" + number(int64_t(p.totals.daysWorked)) +
                 ",\"workdays\":" + number(int64_t(p.totals.workdays)) + ",\"overtime\":";
            jsonOvertime(s, p.totals.overtime);
            s += '}';
        }
        s += "]";
    }
    s += "}\n";
    out.put(s);
}

void renderReport(const report::Report& r, const std::string& format, const std::string& by, Output& out) {
    if (format == "json")
        return renderJson(r, by, out);
    const auto tables = reportTables(r, by);
    const auto notes = notices(r);
    if (format == "csv")
        return renderCsv(tables, notes, out);
    std::string head;
    for (const auto& n : notes)
        head += "注意：" + n + "\n";
    head += "工时报表：" + report::isoDate(r.range.from) + " 至 " + report::isoDate(r.range.to) +
            "，每日标准 " + number(r.standardHours) + " 小时\n";
    if (!r.personName.empty() || !r.employer.empty())
        head += "姓名：" + jet::toUtf8(r.personName) + "　公司：" + jet::toUtf8(r.employer) + "\n";
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
    auto db = openDatabase(args);
    if (!db)
        return fail(db.error());
    const auto range = rangeOption(args, **db, *today);
    if (!range)
        return 1;
    auto calendar = report::loadCalendar(args.positional[0]);
    if (!calendar)
        return fail(calendar.error());
    auto r = report::computeReport(**db, *calendar, {*range, *today, standard});
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
    struct stat st {};
    if (!force && ::lstat(target.c_str(), &st) == 0)
        return fail("文件已存在：" + target + "（要覆盖请加 --force）");
    const auto today = todayOption(args);
    if (!today)
        return 1;
    auto db = openDatabase(args);
    if (!db)
        return fail(db.error());
    const auto range = rangeOption(args, **db, *today);
    if (!range)
        return 1;
    auto written = report::exportEntries(**db, target, {*range, format, force});
    if (!written)
        return fail(written.error());
    out.put("已导出 " + std::to_string(*written) + " 条记录（" + report::isoDate(range->from) + " 至 " +
            report::isoDate(range->to) + "）到 " + target + "\n");
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
                    "缺记录的工作日、按公司的工时和天数，以及工时为空、为负数或超过 24 小时的可疑记录。\n"
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
                    "                          （--by week 或 month 时另有 weeks 或 months）\n") +
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
