// The monthly timesheet: one A4 page that a person prints, signs and
// hands to the employer. On it: the title "工作时间月报表 — YYYY年M月", the person's name and
// employer (those of the month's latest entry), the month's chart, one line per calendar day
// (date, weekday, kind of day, hours, the day's notes cut to one line; a missing working day is
// marked), the totals, and the signature lines "本人签字：" and "主管签字：" each with a date line.
//
// It is drawn through the runtime's drawing interface, so the same page becomes the PDF here and
// the printout where the window system prints. The fonts are embedded (as a subset), so the page
// reads the same on any machine, and its text can be copied or extracted (pdftotext).
#pragma once

#include "report/report.h"
#include "runtime/draw.h"
#include "runtime/text.h"

#include <functional>
#include <string>

namespace ui {

// Draws the month's chart into the area of the page it is given (with the painter's font as the
// base font).
using ChartDrawer = std::function<void(rt::Painter& painter, const rt::RectF& area)>;

// The timesheet of the month `r` drawn on an A4 page, in points from its top left corner;
// `printedOn` (a date value) goes into the footer. `chart` may be empty (no chart on the page).
void drawTimesheet(rt::Painter& p, const report::Report& r, const ChartDrawer& chart, double printedOn);
// Its title, "工作时间月报表 — YYYY年M月", also the title of the document.
rt::Text timesheetTitle(const report::Report& r);

// The timesheet as the bytes of a one-page PDF.
rt::Bytes timesheetPdf(const report::Report& r, const ChartDrawer& chart, double printedOn);
// The timesheet on a printer the user chooses in the system's print dialog, owned by `owner`
// (where the system prints pages itself: rt::printsPages()).
rt::PrintOutcome printTimesheet(rt::Form& owner, const report::Report& r, const ChartDrawer& chart,
                               double printedOn);

// Writes `bytes` to `path` (a path of the file system) whole or not at all, replacing a file that
// is there. Empty on success, else the reason in Chinese.
rt::Text placeFile(const std::string& path, const rt::Bytes& bytes);

} // namespace ui
