// The Qt side of the runtime's plain interface, for the Qt backend, its tests and the program's
// Qt entry point: the widgets behind forms, controls and menu items, and the runtime's plain
// values as Qt's types.
#pragma once

#include "runtime/form.h"
#include "runtime/picture.h"

#include <QAction>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <vector>

// The decoded picture behind rt::Picture: the image, and for a carried picture the icon read from
// its path (a program icon keeps all its sizes).
struct rt::Picture::Data {
    QImage image;
    QIcon icon;
};

namespace runtime {

// Decodes JPEG bytes with libjpeg. Grey pictures give Format_Grayscale8, colour ones
// Format_RGB888. Damaged, truncated or unsupported data (and pictures over 50 million pixels) give
// a null image; libjpeg's warnings about corrupt data count as failures too.
QImage decodeJpeg(const QByteArray& data);

// Loads a carried picture (runtime::pictures), or one from any file path: JPEG data, recognised by its start
// marker, goes to decodeJpeg, everything else to Qt. A missing or unreadable picture gives a
// null image.
QImage loadPicture(const QString& resourcePath);
// The same as an icon with every size the file holds (a program icon has three).
QIcon loadIcon(const QString& resourcePath);

} // namespace runtime

namespace rt::qt {

// The Qt window of a loaded form (null when it is not loaded) and its client area below the menu.
QWidget* window(const Form& f);
QWidget* clientArea(const Form& f);
// The control's widget while its form is loaded; null for invisible kinds.
QWidget* widget(const Control& c);
// The menu item's action while its form is loaded.
QAction* action(const MenuItem& m);

// Image data to image; a decoder can be installed (for JPEG through libjpeg), else Qt's own image
// readers are used. A null image when the bytes are no picture.
using ImageDecoder = std::function<QImage(const Bytes&)>;
void setImageDecoder(ImageDecoder decoder);
QImage imageFromBytes(const Bytes& bytes);

QImage image(const Picture& p); // a null image for the null picture
Picture picture(const QImage& image);
QIcon icon(const Picture& p);

QFont font(const Font& f);
Font fontOf(const QFont& f);
inline QPoint point(Point p) {
    return QPoint(p.x, p.y);
}
inline Point point(QPoint p) {
    return Point{p.x(), p.y()};
}
inline QRect rect(const Rect& r) {
    return QRect(r.left, r.top, r.width, r.height);
}
inline Rect rect(const QRect& r) {
    return Rect{r.x(), r.y(), r.width(), r.height()};
}
inline QColor color(Color c) {
    return QColor(c.red, c.green, c.blue);
}
QStringList strings(const std::vector<Text>& texts);

} // namespace rt::qt
