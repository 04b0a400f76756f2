// What the Qt backend keeps beside the registry: the platform's name and the image decoder.
#include "runtime/form_registry.h"
#include "runtime/qt/access.h"

#include <QGuiApplication>

namespace rt {

namespace {
qt::ImageDecoder& installedDecoder() {
    static qt::ImageDecoder d;
    return d;
}
} // namespace

namespace detail {

bool offscreenPlatform() {
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

} // namespace detail

namespace qt {

void setImageDecoder(ImageDecoder decoder) {
    installedDecoder() = std::move(decoder);
}

QImage imageFromBytes(const Bytes& bytes) {
    if (bytes.empty())
        return {};
    if (installedDecoder()) {
        QImage img = installedDecoder()(bytes);
        if (!img.isNull())
            return img;
    }
    return QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), int(bytes.size()));
}

} // namespace qt

} // namespace rt
