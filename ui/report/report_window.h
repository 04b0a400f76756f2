// The report window 统计报表: a month of the work log at a glance. Modeless, owned by 主窗口 (menu
// item 统计报表, Ctrl+T, usable exactly when 查询 is), one at a time.
//
// For the chosen month (the month of today at first; 上一月, 下一月, 本月 and the year-month box
// choose another) it shows a bar chart of the hours per calendar day coloured by the kind of day
// (工作日, 休息日, 节假日) with the daily standard as a dashed line and the 缺记录的工作日 marked
// under the axis; the totals (合计工时, 出勤天数 / 应出勤天数, the three kinds of overtime and the
// number of missing working days) and the list of missing working days; the hours and days per
// employer when the month has more than one; and a notice when the working calendar does not
// cover the month, when entries have hours that cannot be right, or when the database cannot be
// read. A bar's tooltip tells the day, its kind (with the holiday's name), the hours and the
// entries' identifiers; double-clicking a bar shows that day's first entry in the main window;
// clicking a missing day puts the main window into Adding with that working date (and the
// employer of the nearest entry before it); the 可疑 entries (report.h has the rule) are listed,
// and clicking one shows it in the main window to be corrected. The window opens wholly on the
// screen's available area, beside the main window where there is room, and stays where it is.
//
// The window reads the database the main window is connected to (数据库连接1) with the report
// module, and stays current: its timer asks the connection a few times a second whether the data
// changed (an add, modify or delete in the main or list window, or another program writing the
// file) and computes the month again only then, so a burst of edits costs one report.
//
// 导出Excel and 导出CSV write the month's entries (report::exportEntries); 打印/PDF writes the
// month's timesheet (ui/report/timesheet.h). Each asks for the file through the runtime's save
// dialog, starting in the documents folder with a Chinese file name, writes it whole or not at
// all, and says what came of it in a message box.
#pragma once

#include "report/report.h"
#include "runtime/text.h"

#include <optional>

namespace rt {
class Form;
}

namespace ui {

// ---- texts the window and the timesheet show ----

// Hours with at most two decimals and no trailing zeros: "8", "2.5".
rt::Text hoursText(double hours);
// "2026年10月".
rt::Text monthText(int year, int month);
// "10月8日 星期四" and "2026年10月8日 星期四".
rt::Text shortDayText(report::Day d);
rt::Text fullDayText(report::Day d);
// The kind of a day as the window names it: "工作日", "休息日", "节假日（国庆节）",
// "工作日（国庆节调休）".
rt::Text dayKindText(const report::DayReport& d);
// The tooltip of a day's bar: the day, its kind, the hours (and the overtime in them) or
// "缺记录" / "没有记录", and the identifiers of its entries.
rt::Text dayTooltip(const report::Report& r, const report::DayReport& d);
// The notice line: the years the calendar does not cover, the hours left out as 可疑 (with the
// rule), and how many entries have no hours. Empty when there is nothing to say.
rt::Text reportNotice(const report::Report& r);
// "工时_2026年10月.xlsx" (extension without the dot), "工作时间月报表_2026年10月.pdf".
rt::Text exportFileName(int year, int month, const char* extension);
rt::Text timesheetFileName(int year, int month);

// ---- for tests and the benchmark ----

// The day the window counts as today (nullopt: the real date).
void setReportTodayForTests(std::optional<report::Day> today);
// The report the window shows now; null while it shows none (no database, or it cannot be read).
const report::Report* shownReport();

// ---- handlers (registered under the keys the form description names) ----

void reportChosen(rt::Form& main); // 主窗口's menu item 统计报表: load the window or bring it to the front
void reportCreated(rt::Form& f);
bool reportCloseRequested(rt::Form& f);
void reportDestroyed(rt::Form& f);
void previousMonthClicked(rt::Form& f);
void nextMonthClicked(rt::Form& f);
void thisMonthClicked(rt::Form& f);
void monthChanged(rt::Form& f);
void reportTick(rt::Form& f);
void barDoubleClicked(rt::Form& f, int bar);
void missingDayClicked(rt::Form& f, int row);
void suspiciousClicked(rt::Form& f, int row); // shows the entry in the main window
void exportExcelClicked(rt::Form& f);
void exportCsvClicked(rt::Form& f);
void printClicked(rt::Form& f);

void registerReportWindowHandlers();

} // namespace ui
