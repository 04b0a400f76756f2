// The monthly timesheet: one A4 page, made with Qt's PDF writer, that a person prints, signs and
// hands to the employer. On it: the title "工作时间月报表 — YYYY年M月", the person's name and
// employer (those of the month's latest entry), the month's chart, one line per calendar day
// (date, weekday, kind of day, hours, the day's notes cut to one line; a missing working day is
// marked), the totals, and the signature lines "本人签字：" and "主管签字：" each with a date line.
//
// The fonts are embedded (as a subset), so the page reads the same on any machine, and its text
// can be copied or extracted (pdftotext): Qt names some common ideographs by their Kangxi-radical
// twins in the PDF's text map (工 as ⼯, 月 as ⽉, ...), which timesheetPdf puts right.
#pragma once

#include "report/report.h"
#include "runtime/text.h"

#include <QByteArray>
#include <QRectF>

#include <functional>
#include <string>

class QPainter;

namespace ui {

// Draws the month's chart into the area of the page it is given (with the painter's font as the
// base font).
using ChartDrawer = std::function<void(QPainter& painter, const QRectF& area)>;

// The timesheet of the month `r` as the bytes of a one-page PDF; `printedOn` (a date value) goes
// into the footer. `chart` may be empty (no chart on the page).
QByteArray timesheetPdf(const report::Report& r, const ChartDrawer& chart, double printedOn);

// In the text maps (ToUnicode) of a PDF Qt wrote, replaces every Kangxi radical and CJK radical
// that has a unified ideograph as its compatibility form by that ideograph, in place (the
// replacement has the same length, so no offset of the file moves). Other bytes stay as they are.
void fixPdfTextMaps(QByteArray& pdf);

// Writes `bytes` to `path` (a path of the file system) whole or not at all, replacing a file that
// is there. Empty on success, else the reason in Chinese.
rt::Text placeFile(const std::string& path, const QByteArray& bytes);

} // namespace ui
