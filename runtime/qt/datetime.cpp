// Dates as Qt's date and time, for the Qt widgets (the date box).
#include "runtime/datetime.h"
#include "runtime/qt/conversions.h"

#include <QDateTime>

namespace rt {

QDateTime toQDateTime(double d) {
    DateParts p = splitDate(d);
    return QDateTime(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second));
}

double fromQDateTime(const QDateTime& t) {
    if (!t.isValid())
        return 0;
    return makeDate(t.date().year(), t.date().month(), t.date().day(), t.time().hour(), t.time().minute(),
                    t.time().second());
}

} // namespace rt
