// Pictures on Qt: the plain JPEG pixels as QImage, the carried pictures, the program icon.
#include "runtime/carried.h"
#include "runtime/form.h"
#include "runtime/jpeg.h"
#include "runtime/program.h"
#include "runtime/qt/access.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPixmap>

#include <cstring>

namespace runtime {

QImage decodeJpeg(const QByteArray& data) {
    const Pixels pixels = decodeJpegPixels(std::string_view(data.constData(), size_t(data.size())));
    if (pixels.empty()) {
        return {};
    }
    QImage image(pixels.width, pixels.height,
                 pixels.channels == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (image.isNull()) {
        return {}; // out of memory
    }
    // QImage pads its rows to four bytes; the pixels have none.
    const size_t stride = size_t(pixels.width) * size_t(pixels.channels);
    for (int y = 0; y < pixels.height; ++y) {
        std::memcpy(image.scanLine(y), pixels.bytes.data() + stride * size_t(y), stride);
    }
    return image;
}

namespace {

QByteArray pictureBytes(const QString& path) {
    const std::string_view carried = carriedFile(path.toStdString());
    if (!carried.empty()) {
        return QByteArray(carried.data(), qsizetype(carried.size()));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

} // namespace

QImage loadPicture(const QString& resourcePath) {
    if (resourcePath.isEmpty()) {
        return {};
    }
    const QByteArray data = pictureBytes(resourcePath);
    // Every JPEG starts with the start-of-image marker FF D8 followed by another marker.
    if (data.size() >= 3 && static_cast<unsigned char>(data[0]) == 0xFF &&
        static_cast<unsigned char>(data[1]) == 0xD8 && static_cast<unsigned char>(data[2]) == 0xFF) {
        return decodeJpeg(data);
    }
    return QImage::fromData(data);
}

QIcon loadIcon(const QString& resourcePath) {
    QByteArray data = pictureBytes(resourcePath);
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    QIcon icon;
    // Every size an icon file holds.
    do {
        const QImage image = reader.read();
        if (!image.isNull()) {
            icon.addPixmap(QPixmap::fromImage(image));
        }
    } while (reader.jumpToNextImage());
    return icon;
}

} // namespace runtime

namespace rt {

void useCarriedPictures() {
    setProgramIcon(Picture::carried(runtime::pictures::kProgramIcon));
    qt::setImageDecoder([](const Bytes& data) {
        // JPEG data starts with the start-of-image marker FF D8; everything else goes to Qt.
        if (data.size() < 2 || uint8_t(data[0]) != 0xFF || uint8_t(data[1]) != 0xD8)
            return QImage();
        return runtime::decodeJpeg(QByteArray(data.data(), qsizetype(data.size())));
    });
}

} // namespace rt
