// The report window: the month's report computed over the main window's connection and shown as
// chart, totals, missing days and employers; month navigation; staying current; opening a day's
// entry and adding a missing day in the main window; export and the timesheet.
#include "ui/report/report_window.h"

#include "report/calendar.h"
#include "report/export.h"
#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/display.h"
#include "runtime/filedialog.h"
#include "runtime/form.h"
#include "runtime/kernel.h"
#include "runtime/msgbox.h"
#include "ui/list/list_window.h"
#include "ui/main/main_window.h"
#include "ui/main/parts.h"
#include "ui/report/timesheet.h"

#include "platform/file.h"


#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ui {

namespace {

const char* const kReportForm = "统计报表";
const char* const kMainForm = "主窗口";
const char* const kNotConnected = "数据库未连接，请在主窗口打开数据库。";
const char* const kDayGone = "这一天的记录已不存在，报表已刷新。";

// What the window shows now. One window at a time, so one state; emptied when the window goes.
struct WindowState {
    int year = 0, month = 0;
    std::optional<report::Report> report;
    uint64_t version = 0; // the connection's data version the report was computed at
    report::Day today = 0;
};

WindowState& state() {
    static WindowState s;
    return s;
}

std::optional<report::Day>& todayOverride() {
    static std::optional<report::Day> d;
    return d;
}

report::Day today() {
    if (todayOverride())
        return *todayOverride();
    return report::Day(std::floor(rt::datePart(rt::now())));
}

report::DateRange monthRange(int year, int month) {
    return report::monthOf(report::makeDay(year, month, 1).value_or(0));
}

rt::Text utf16Text(const std::u16string& s) {
    return rt::Text::fromBytes(rt::gbkOfUtf16(s));
}

rt::Text errorText(const jet::Error& e) {
    return rt::Text::fromUtf8(e.describe());
}

rt::Text join(const std::vector<rt::Text>& parts, const char* separator) {
    rt::Text out;
    for (const rt::Text& p : parts) {
        if (p.empty())
            continue;
        if (!out.empty())
            out += separator;
        out += p;
    }
    return out;
}

rt::CommonConnection& connection() {
    return rt::form(kMainForm).connection("数据库连接1");
}

// The path the save dialog gave as the file system takes it (UTF-8), taken as it is (unlike
// rt::fileSystemPath, a '\' is part of a file name here, as the dialog showed it).
std::string chosenPath(const rt::Text& path) {
    return path.toUtf8();
}

// Whether `path` ends with `suffix` (ASCII), whatever the case of its letters.
bool endsWithIgnoringCase(const std::string& path, const std::string& suffix) {
    if (path.size() < suffix.size())
        return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < suffix.size(); ++i)
        if (lower(path[path.size() - suffix.size() + i]) != lower(suffix[i]))
            return false;
    return true;
}

// ---- computing and showing ----

void showReport(rt::Form& f, const std::vector<rt::Text>& problems) {
    WindowState& s = state();
    const report::Report* r = s.report ? &*s.report : nullptr;

    rt::Text title = monthText(s.year, s.month);
    if (r && !r->personName.empty())
        title += "　" + utf16Text(r->personName);
    if (r && !r->entries.empty()) // every employer of the month; the list below has them all
        title += "　" + rt::Text::fromUtf8(report::employersText(*r, 3));
    f.control("标题标签").setCaption(title);
    std::vector<rt::Text> notices = problems;
    if (r)
        notices.push_back(reportNotice(*r));
    f.control("提示标签").setCaption(join(notices, "；"));

    rt::Chart& chart = f.chart("图表1");
    std::vector<rt::Chart::Bar> bars;
    if (r) {
        bars.reserve(r->days.size());
        for (const report::DayReport& d : r->days)
            bars.push_back({double(d.hours), int(d.kind), rt::toText(report::splitDay(d.date).day),
                            dayTooltip(*r, d), d.missing});
        chart.setReferenceLine(r->standardHours, hoursText(r->standardHours) + " 小时");
    } else {
        chart.setReferenceLine(-1, "");
    }
    chart.setBars(std::move(bars));

    const rt::Text none = "—";
    const report::Totals* t = r ? &r->totals : nullptr;
    f.control("合计工时").setCaption(t ? hoursText(double(t->hours)) + " 小时" : none);
    f.control("出勤天数").setCaption(t ? rt::toText(t->daysWorked) + " / " + rt::toText(t->workdays) : none);
    f.control("工作日加班").setCaption(t ? hoursText(t->overtime.workday) + " 小时" : none);
    f.control("休息日加班").setCaption(t ? hoursText(t->overtime.restday) + " 小时" : none);
    f.control("节假日加班").setCaption(t ? hoursText(t->overtime.holiday) + " 小时" : none);
    f.control("缺记录天数").setCaption(t ? rt::toText(t->missing) + " 天" : none);
    rt::setTextColor(f.control("缺记录天数"), t && t->missing > 0 ? rt::Color{192, 32, 32} : rt::Color{0, 0, 0});

    rt::ListView& missing = f.listView("缺记录列表");
    {
        rt::ListView::Batch batch(missing);
        missing.clear();
        if (r)
            for (report::Day d : r->missingWorkdays)
                missing.addItem(shortDayText(d));
    }

    rt::ListView& companies = f.listView("公司表");
    const bool several = r && r->byCompany.size() > 1;
    {
        rt::ListView::Batch batch(companies);
        companies.clear();
        if (several) {
            for (const report::CompanyTotal& c : r->byCompany) {
                const int row =
                    companies.addItem(c.company.empty() ? rt::Text("（未填公司）") : utf16Text(c.company));
                companies.setItemText(row, 1, hoursText(double(c.hours)));
                companies.setItemText(row, 2, rt::toText(c.days));
            }
        }
    }
    rt::ListView& suspicious = f.listView("可疑列表");
    {
        rt::ListView::Batch batch(suspicious);
        suspicious.clear();
        if (r) {
            for (const report::SuspiciousEntry& e : r->suspicious) {
                // The day, the entry's ID and hours, and the day's sum that made it 可疑 (the
                // notice line above says the rule).
                const report::YearMonthDay d = report::splitDay(e.date);
                const int row = suspicious.addItem(rt::toText(d.month) + "月" + rt::toText(d.day) + "日 " +
                                                   (e.id.empty() ? rt::Text("（无工作序号）") : utf16Text(e.id)));
                suspicious.setItemText(row, 1, e.hours ? rt::toText(*e.hours) : rt::Text("空"));
                const report::DayReport& day = r->days[size_t(e.date - r->range.from)];
                suspicious.setItemText(row, 2, day.suspicious ? rt::toText(int(day.leftOut)) : rt::Text("按 0 计"));
            }
        }
    }
    // The employers and the suspicious entries share the corner on the right, one above the other
    // when there are both.
    const bool anySuspicious = r && !r->suspicious.empty();
    const int top = 368, height = 158, gap = 6;
    if (several && anySuspicious) {
        companies.move(rt::kKeep, top, rt::kKeep, (height - gap) / 2);
        suspicious.move(rt::kKeep, top + (height + gap) / 2, rt::kKeep, (height - gap) / 2);
    } else {
        companies.move(rt::kKeep, top, rt::kKeep, height);
        suspicious.move(rt::kKeep, top, rt::kKeep, height);
    }
    companies.setVisible(several);
    suspicious.setVisible(anySuspicious);

    for (const char* button : {"导出Excel", "导出CSV", "打印"})
        f.control(button).setDisabled(r == nullptr);
}

// Computes the chosen month over the main window's connection and shows it.
void refresh(rt::Form& f) {
    WindowState& s = state();
    s.today = today();
    s.report.reset();
    std::vector<rt::Text> problems;
    if (!rt::isLoaded(kMainForm)) {
        problems.push_back(kNotConnected);
        showReport(f, problems);
        return;
    }
    rt::CommonConnection& c = connection();
    s.version = c.dataVersion();
    const bool read = c.readDatabase([&](const jet::Database& db, const std::string& path) {
        auto calendar = report::loadCalendar(path);
        if (!calendar) {
            problems.push_back("节假日文件有误，已按程序自带的日历计算：" + errorText(calendar.error()));
            calendar = report::WorkCalendar::builtIn();
        }
        report::ReportOptions options;
        options.range = monthRange(s.year, s.month);
        options.today = s.today;
        options.withNotes = true;
        auto r = report::computeReport(db, *calendar, options);
        if (r)
            s.report = std::move(*r);
        else
            problems.push_back("无法统计这个月的工时：" + errorText(r.error()));
    });
    if (!read)
        problems.push_back(c.isOpen() ? "无法读取数据库：" + failureReason(c) : rt::Text(kNotConnected));
    showReport(f, problems);
}

// Brings the report up to date before acting on it.
void ensureCurrent(rt::Form& f) {
    if (rt::isLoaded(kMainForm) && connection().dataVersion() != state().version)
        refresh(f);
}

// Shows that month; `month` may run past either end of the year (0 is December of the year before).
void chooseMonth(rt::Form& f, int year, int month) {
    while (month < 1) {
        month += 12;
        --year;
    }
    while (month > 12) {
        month -= 12;
        ++year;
    }
    if (year < 100 || year > 9999)
        return; // before 100 or after 9999: the month shown stays
    WindowState& s = state();
    s.year = year;
    s.month = month;
    f.dateBox("年月框").setValue(rt::makeDate(year, month, 1));
    refresh(f);
}

// The centre pixel of a rectangle (rounded towards its top-left).
rt::Point centreOf(const rt::Rect& r) {
    return rt::Point{(2 * r.left + r.width - 1) / 2, (2 * r.top + r.height - 1) / 2};
}

// Puts the window wholly on the screen the main window is on (its available area, without panels),
// level with the main window's top where it can: beside the main window on the side with room
// (the right first), and over it only where neither side has room, then against the edge of the
// side with more room, so that it covers as little of the main window as the screen allows.
void placeBesideMain(rt::Form& f) {
    if (!rt::isLoaded(kMainForm))
        return;
    rt::Form& main = rt::form(kMainForm);
    const rt::Rect m{main.left(), main.top(), main.width(), main.height()};
    const rt::Point c = centreOf(m);
    const rt::Rect area = rt::availableArea(c.x, c.y);
    if (area.isEmpty())
        return;
    // Right and bottom ends are exclusive here: the first column and row past the rectangle.
    const int mEnd = m.left + m.width, areaEnd = area.left + area.width, areaBottom = area.top + area.height;
    const int w = f.width(), h = f.height(), gap = 8;
    int left;
    if (mEnd - 1 + gap + w <= areaEnd)
        left = mEnd + gap;
    else if (m.left - gap - w >= area.left)
        left = m.left - gap - w;
    else if (areaEnd - mEnd >= m.left - area.left)
        left = areaEnd - w;
    else
        left = area.left;
    left = std::max(area.left, std::min(left, areaEnd - w));
    const int top = std::max(area.top, std::min(m.top, areaBottom - h));
    f.move(left, top);
}

// Whether the whole window is on the available area of the screen it is on.
bool wholeOnScreen(rt::Form& f) {
    const rt::Rect r{f.left(), f.top(), f.width(), f.height()};
    const rt::Point c = centreOf(r);
    const rt::Rect a = rt::availableArea(c.x, c.y);
    return !a.isEmpty() && !r.isEmpty() && r.left >= a.left && r.top >= a.top &&
           r.left + r.width <= a.left + a.width && r.top + r.height <= a.top + a.height;
}

// ---- export ----

// Asks where to save, starting in the documents folder with `name`. Adds the extension when the
// chosen name lacks it, and then asks before replacing a file of that name (the dialog asked only
// about the name as typed). Empty when the user cancels.
rt::Text askPath(rt::Form& f, const rt::Text& caption, const rt::Text& name, const rt::Text& filter,
                 const char* extension) {
    rt::Text path = rt::saveFileName(caption, rt::documentsDirectory() + "/" + name, filter, &f);
    if (path.empty())
        return {};
    const std::string suffix = std::string(".") + extension;
    if (!endsWithIgnoringCase(chosenPath(path), suffix)) {
        path = path + suffix.c_str();
        platform::FileInfo existing;
        if (platform::pathInfo(chosenPath(path), existing) == 0 &&
            rt::messageBox("文件“" + path + "”已存在，要替换它吗？", rt::MbOkCancel | rt::MbIconQuestion,
                           caption, &f) != rt::MbOk)
            return {};
    }
    return path;
}

void exportMonth(rt::Form& f, report::ExportFormat format) {
    ensureCurrent(f);
    WindowState& s = state();
    const bool xlsx = format == report::ExportFormat::Xlsx;
    const rt::Text caption = xlsx ? "导出Excel" : "导出CSV";
    if (!s.report) {
        rt::messageBox(kNotConnected, rt::MbIconInformation, caption, &f);
        return;
    }
    const char* extension = xlsx ? "xlsx" : "csv";
    const rt::Text path = askPath(f, caption, exportFileName(s.year, s.month, extension),
                                  xlsx ? "Excel 工作簿 (*.xlsx)" : "CSV 文件 (*.csv)", extension);
    if (path.empty() || !f.isLoaded() || !rt::isLoaded(kMainForm))
        return;
    rt::CommonConnection& c = connection();
    std::optional<jet::Result<uint64_t>> written;
    const bool read = c.readDatabase([&](const jet::Database& db, const std::string&) {
        report::ExportOptions options;
        options.range = monthRange(s.year, s.month);
        options.format = format;
        options.replace = true; // the dialog has asked
        written = report::exportEntries(db, chosenPath(path), options);
    });
    if (!read || !written) {
        rt::messageBox("导出失败：" + (c.isOpen() ? failureReason(c) : rt::Text(kNotConnected)),
                       rt::MbIconError, caption, &f);
        return;
    }
    if (!*written) {
        rt::messageBox("导出失败：" + errorText(written->error()), rt::MbIconError, caption, &f);
        return;
    }
    rt::messageBox("已导出 " + rt::toText((long long)**written) + " 条记录到\r\n" + path,
                   rt::MbIconInformation, caption, &f);
}

} // namespace

// ---- texts ----

rt::Text hoursText(double hours) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.2f", hours);
    std::string s = buf;
    while (s.find('.') != std::string::npos && (s.back() == '0' || s.back() == '.'))
        s.pop_back();
    if (s == "-0")
        s = "0";
    return rt::Text(s.c_str());
}

rt::Text monthText(int year, int month) {
    return rt::toText(year) + "年" + rt::toText(month) + "月";
}

rt::Text shortDayText(report::Day d) {
    const report::YearMonthDay ymd = report::splitDay(d);
    return rt::toText(ymd.month) + "月" + rt::toText(ymd.day) + "日 " + report::weekdayName(d);
}

rt::Text fullDayText(report::Day d) {
    return rt::toText(report::splitDay(d).year) + "年" + shortDayText(d);
}

rt::Text dayKindText(const report::DayReport& d) {
    const rt::Text kind = report::dayKindName(d.kind);
    if (d.kind == report::DayKind::Holiday && !d.holiday.empty())
        return kind + "（" + rt::Text::fromUtf8(d.holiday) + "）";
    if (d.kind == report::DayKind::Workday && !d.makeUpFor.empty())
        return kind + "（" + rt::Text::fromUtf8(d.makeUpFor) + "调休）";
    return kind;
}

rt::Text dayTooltip(const report::Report& r, const report::DayReport& d) {
    std::vector<rt::Text> lines{fullDayText(d.date), dayKindText(d)};
    if (d.entryCount == 0) {
        lines.push_back(d.missing ? "缺记录" : "没有记录");
        return join(lines, "\n");
    }
    rt::Text hours = hoursText(double(d.hours)) + " 小时";
    if (d.overtime.total() > 0)
        hours += "（加班 " + hoursText(d.overtime.total()) + " 小时）";
    lines.push_back(hours);
    std::vector<rt::Text> ids;
    const auto entries = r.entriesOf(d);
    const size_t shown = std::min<size_t>(entries.size(), 8);
    for (size_t i = 0; i < shown; ++i)
        ids.push_back(entries[i].id.empty() ? rt::Text("（无工作序号）") : utf16Text(entries[i].id));
    rt::Text idLine = "记录：" + join(ids, "、");
    if (entries.size() > shown)
        idLine += " 等 " + rt::toText(int(entries.size())) + " 条";
    lines.push_back(idLine);
    return join(lines, "\n");
}

rt::Text reportNotice(const report::Report& r) {
    std::vector<rt::Text> parts;
    for (int year : r.uncoveredYears)
        parts.push_back(rt::Text::fromUtf8(report::uncoveredNotice(year)));
    if (r.totals.leftOutDays > 0)
        parts.push_back(rt::Text::fromUtf8(report::leftOutText(r.totals)) + "（" + report::suspicionRuleText() + "）");
    const auto empty = std::count_if(r.suspicious.begin(), r.suspicious.end(), [](const report::SuspiciousEntry& e) {
        return e.reason == report::Suspicion::EmptyHours;
    });
    if (empty > 0)
        parts.push_back("工时为空的记录 " + rt::toText(int(empty)) + " 条，按 0 计");
    return join(parts, "；");
}

rt::Text exportFileName(int year, int month, const char* extension) {
    return "工时_" + monthText(year, month) + "." + extension;
}

rt::Text timesheetFileName(int year, int month) {
    return "工作时间月报表_" + monthText(year, month) + ".pdf";
}

// ---- tests ----

void setReportTodayForTests(std::optional<report::Day> d) {
    todayOverride() = d;
}

const report::Report* shownReport() {
    return state().report ? &*state().report : nullptr;
}

// ---- handlers ----

void reportChosen(rt::Form& main) {
    rt::loadForm(kReportForm, &main, false); // a loaded window is shown and raised
    if (!rt::isLoaded(kReportForm))
        return;
    rt::Form& f = rt::form(kReportForm);
    if (f.position() == 2) // minimised by the user
        f.setPosition(0);
    if (!wholeOnScreen(f)) // stood aside partly off the screen to uncover the main window
        placeBesideMain(f);
    f.setFocus();
}

void reportCreated(rt::Form& f) {
    state() = WindowState{};
    f.setIcon(rt::programIcon());
    placeBesideMain(f);
    const report::YearMonthDay now = report::splitDay(today());
    chooseMonth(f, now.year, now.month);
}

bool reportCloseRequested(rt::Form&) {
    return true;
}

void reportDestroyed(rt::Form&) {
    state() = WindowState{};
}

void previousMonthClicked(rt::Form& f) {
    chooseMonth(f, state().year, state().month - 1);
}

void nextMonthClicked(rt::Form& f) {
    chooseMonth(f, state().year, state().month + 1);
}

void thisMonthClicked(rt::Form& f) {
    const report::YearMonthDay now = report::splitDay(today());
    chooseMonth(f, now.year, now.month);
}

void monthChanged(rt::Form& f) {
    const double value = f.dateBox("年月框").value();
    if (rt::year(value) != state().year || rt::month(value) != state().month)
        chooseMonth(f, rt::year(value), rt::month(value));
}

void reportTick(rt::Form& f) {
    if (!rt::isLoaded(kMainForm))
        return;
    if (connection().dataVersion() != state().version || today() != state().today)
        refresh(f);
}

// Shows the entry at `position` of table order (its ID `id`) in the main window. The report
// window stays where it is.
static void openEntry(rt::Form& f, uint64_t position, const std::u16string& id) {
    rt::Form& main = rt::form(kMainForm);
    rt::RecordSet& browsing = main.recordSet("记录集1");
    if (!browsing.isOpen()) {
        rt::messageBox(kNotConnected, rt::MbIconInformation, "信息：", &f);
        return;
    }
    const bool found =
        id.empty() ? browsing.Move(int(position)) : positionOnEntry(browsing, int(position) + 1, utf16Text(id));
    if (!found) {
        // The browsing set stands nowhere now; put it back on the entry the main window shows.
        if (!positionOnEntry(browsing, 0, main.control("序号标签").caption()))
            browsing.MoveFirst();
        rt::messageBox(kDayGone, rt::MbIconInformation, "信息：", &f);
        if (f.isLoaded())
            refresh(f);
        return;
    }
    showEntry();
    main.setFocus();
}

void barDoubleClicked(rt::Form& f, int bar) {
    ensureCurrent(f);
    const WindowState& s = state();
    if (!s.report || bar < 0 || size_t(bar) >= s.report->days.size())
        return;
    const auto entries = s.report->entriesOf(s.report->days[size_t(bar)]);
    if (entries.empty())
        return;
    const report::EntryRef first = entries[0];
    openEntry(f, first.position, first.id);
}

void suspiciousClicked(rt::Form& f, int row) {
    ensureCurrent(f);
    const WindowState& s = state();
    if (!s.report || row < 0 || size_t(row) >= s.report->suspicious.size())
        return;
    const report::SuspiciousEntry e = s.report->suspicious[size_t(row)];
    openEntry(f, e.position, e.id);
}

void missingDayClicked(rt::Form& f, int row) {
    const WindowState& s = state();
    if (!s.report || row < 0 || size_t(row) >= s.report->missingWorkdays.size())
        return;
    const report::Day day = s.report->missingWorkdays[size_t(row)];
    rt::Form& main = rt::form(kMainForm);
    if (!main.connection("数据库连接1").isOpen()) {
        rt::messageBox(kNotConnected, rt::MbIconInformation, "信息：", &f);
        return;
    }
    // Already adding: only the working date changes, what was typed stays. Else the employer is
    // that of the nearest entry of the month before the day (the one the main window shows when
    // there is none).
    if (!isAdding(main)) {
        enterAdding(main);
        const report::EntryRef* before = nullptr;
        for (const report::EntryRef& e : s.report->entries)
            if (e.date < day)
                before = &e;
        if (before)
            main.control("公司名称编辑框").setText(utf16Text(s.report->byCompany[before->company].company));
    }
    main.dateBox("年编辑框").setValue(double(day));
    main.setFocus();
    main.control("上班时间编辑框").setFocus();
}

void exportExcelClicked(rt::Form& f) {
    exportMonth(f, report::ExportFormat::Xlsx);
}

void exportCsvClicked(rt::Form& f) {
    exportMonth(f, report::ExportFormat::Csv);
}

void printClicked(rt::Form& f) {
    ensureCurrent(f);
    WindowState& s = state();
    const rt::Text caption = "打印/PDF";
    if (!s.report) {
        rt::messageBox(kNotConnected, rt::MbIconInformation, caption, &f);
        return;
    }
    rt::Chart& chart = f.chart("图表1");
    if (rt::printsPages()) {
        // The system's print dialog and the chosen printer (a PDF printer makes the PDF).
        const rt::PrintOutcome outcome = printTimesheet(
            f, *s.report,
            [&chart](rt::Painter& p, const rt::RectF& area) {
                if (chart.isLoaded())
                    chart.render(p, area);
            },
            rt::now());
        if (outcome.kind == rt::PrintOutcome::Failed && f.isLoaded())
            rt::messageBox(outcome.reason, rt::MbIconError, caption, &f);
        return;
    }
    const rt::Text path = askPath(f, caption, timesheetFileName(s.year, s.month), "PDF 文件 (*.pdf)", "pdf");
    if (path.empty() || !f.isLoaded() || !state().report)
        return;
    const rt::Bytes pdf = timesheetPdf(
        *s.report, [&chart](rt::Painter& p, const rt::RectF& area) { chart.render(p, area); }, rt::now());
    const rt::Text failure = placeFile(chosenPath(path), pdf);
    if (!failure.empty()) {
        rt::messageBox("保存 PDF 失败：" + failure, rt::MbIconError, caption, &f);
        return;
    }
    rt::messageBox("工作时间月报表已保存到\r\n" + path + "\r\n打开它即可打印。", rt::MbIconInformation,
                   caption, &f);
}

void registerReportWindowHandlers() {
    const auto on = [](const char* key, void (*handler)(rt::Form&)) {
        rt::registerHandler(key, [handler](rt::Event& e) { handler(e.form); });
    };
    on("统计报表.created", reportCreated);
    rt::registerHandler("统计报表.closeRequested", [](rt::Event& e) { return reportCloseRequested(e.form); });
    on("统计报表.destroyed", reportDestroyed);
    on("统计报表.上一月.clicked", previousMonthClicked);
    on("统计报表.下一月.clicked", nextMonthClicked);
    on("统计报表.本月.clicked", thisMonthClicked);
    on("统计报表.年月框.valueChanged", monthChanged);
    on("统计报表.刷新时钟.tick", reportTick);
    rt::registerHandler("统计报表.图表1.doubleClicked",
                        [](rt::Event& e) { barDoubleClicked(e.form, e.row); });
    rt::registerHandler("统计报表.可疑列表.clicked",
                        [](rt::Event& e) { suspiciousClicked(e.form, e.row); });
    rt::registerHandler("统计报表.缺记录列表.clicked",
                        [](rt::Event& e) { missingDayClicked(e.form, e.row); });
    on("统计报表.导出Excel.clicked", exportExcelClicked);
    on("统计报表.导出CSV.clicked", exportCsvClicked);
    on("统计报表.打印.clicked", printClicked);
}

} // namespace ui
