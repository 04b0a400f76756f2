// The runtime's plain values as Qt's types, and pictures held as Qt images.
#include "runtime/qt/access.h"

#include <QFontInfo>
#include <QPixmap>

namespace rt {

Picture Picture::fromBytes(const Bytes& data) {
    QImage image = qt::imageFromBytes(data);
    if (image.isNull())
        return {};
    return Picture(std::make_shared<const Data>(Data{std::move(image), QIcon()}));
}

Picture Picture::carried(const char* resourcePath) {
    const QString path = QString::fromLatin1(resourcePath);
    QImage image = runtime::loadPicture(path);
    if (image.isNull())
        return {};
    return Picture(std::make_shared<const Data>(Data{std::move(image), runtime::loadIcon(path)}));
}

bool Picture::isNull() const {
    return !d_ || d_->image.isNull();
}

Size Picture::size() const {
    return d_ ? Size{d_->image.width(), d_->image.height()} : Size{};
}

bool Picture::operator==(const Picture& o) const {
    return d_ == o.d_ || qt::image(*this) == qt::image(o);
}

namespace qt {

QImage image(const Picture& p) {
    return p.data() ? p.data()->image : QImage();
}

Picture picture(const QImage& image) {
    if (image.isNull())
        return {};
    return Picture(std::make_shared<const Picture::Data>(Picture::Data{image, QIcon()}));
}

QIcon icon(const Picture& p) {
    if (p.isNull())
        return QIcon();
    // A carried icon file keeps every size it holds.
    if (!p.data()->icon.isNull())
        return p.data()->icon;
    return QIcon(QPixmap::fromImage(p.data()->image));
}

QFont font(const Font& f) {
    QFont font(QString::fromStdString(f.family));
    font.setPixelSize(f.size);
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    return font;
}

Font fontOf(const QFont& f) {
    return Font{f.family().toStdString(), f.pixelSize() > 0 ? f.pixelSize() : QFontInfo(f).pixelSize(), f.bold(),
                f.italic(), f.underline()};
}

QStringList strings(const std::vector<Text>& texts) {
    QStringList out;
    out.reserve(qsizetype(texts.size()));
    for (const Text& t : texts)
        out << t.toQString();
    return out;
}

} // namespace qt
} // namespace rt
