// The Qt backend's readings of form descriptions: fonts, colours and alignments as Qt wants them.
#pragma once

#include "runtime/loader.h"

#include <QColor>
#include <QFont>
#include <QString>

namespace rt::detail {

inline QString qs(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}
inline QColor qColor(Color c) {
    return QColor(c.red, c.green, c.blue);
}
QFont qFont(const FontDesc& f);
Qt::Alignment qAlignment(const std::string& align); // "left" (also empty), "center", "right"

} // namespace rt::detail
