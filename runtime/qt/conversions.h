// The Qt backend's conversions between the runtime's plain values and Qt's types.
#pragma once

#include "runtime/text.h"

#include <QDateTime>
#include <QString>

namespace rt {

// Date values (see runtime/datetime.h) as Qt's local date and time.
QDateTime toQDateTime(double d);
double fromQDateTime(const QDateTime& t);

// A path as the file system wants it: decoded from GBK, with '\' taken as a directory separator
// (callers build paths the Windows way, program directory + "\db").
QString nativePath(const Text& path);

} // namespace rt
