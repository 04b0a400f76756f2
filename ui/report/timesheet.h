// The monthly timesheet: one A4 page, made with Qt's PDF writer, that a person prints, signs and
// hands to the employer. On it: the title "工作时间月报表 — YYYY年M月", the person's name and
// employer (those of the month's latest entry), the month's chart, one line per calendar day
// (date, weekday, kind of day, hours, the day's notes cut to one line; a missing working day is
// marked), the totals, and the signature lines "本人签字：" and "主管签字：" each with a date line.
//
// The fonts are embedded (as a subset), so the page reads the same on any machine, and its text
// can be copied or extracted (pdftotext). Qt's PDF writer names each glyph in the text map by the
// lowest code point the font draws with it, which for a CJK font is often a Kangxi radical or a
// traditional twin (工 as ⼯, 月 as ⽉, 户 as 戶), and under a Chinese locale, where the shaper takes
// the Chinese form of the em dash (the glyph of ―), names — as ―; timesheetPdf draws the page once
// more to learn what it draws, and names the glyphs by the characters drawn, whatever the locale.
#pragma once

#include "report/report.h"
#include "runtime/text.h"

#include <QByteArray>
#include <QRectF>

#include <functional>
#include <map>
#include <string>

class QPainter;

namespace ui {

// Draws the month's chart into the area of the page it is given (with the painter's font as the
// base font).
using ChartDrawer = std::function<void(QPainter& painter, const QRectF& area)>;

// The timesheet of the month `r` as the bytes of a one-page PDF; `printedOn` (a date value) goes
// into the footer. `chart` may be empty (no chart on the page).
QByteArray timesheetPdf(const report::Report& r, const ChartDrawer& chart, double printedOn);

// In the text maps (ToUnicode) of a PDF Qt wrote, names each glyph by the character that was
// drawn rather than by the lowest code point the font draws with the same glyph: every destination
// code that is a key of `repairs` becomes its value, in place (the same number of hex digits, so no
// offset of the file moves). A run of consecutive destinations (<low> <high> <first>) is left as it
// is; other bytes stay as they are.
void fixPdfTextMaps(QByteArray& pdf, const std::map<char16_t, char16_t>& repairs);

// Writes `bytes` to `path` (a path of the file system) whole or not at all, replacing a file that
// is there. Empty on success, else the reason in Chinese.
rt::Text placeFile(const std::string& path, const QByteArray& bytes);

} // namespace ui
