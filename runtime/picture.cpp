#include "runtime/picture.h"
#include "runtime/form.h"
#include "runtime/qt/access.h"
#include "runtime/program.h"

#include <QFile>
#include <QIcon>
#include <QtGlobal>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

// The resource initialiser has to be named outside any namespace. Calling it also makes the
// linker keep the compiled-in pictures when the program links the runtime as a static library.
static void initPictureResources() {
    Q_INIT_RESOURCE(resources);
}

namespace runtime {
namespace {

// Anything larger is no picture of ours; refusing it early keeps a damaged header that claims a
// huge size from allocating gigabytes or taking long.
constexpr unsigned long long kMaxPixels = 50'000'000ull;

// libjpeg reports a fatal error through error_exit, which must not return. It jumps back to the
// setjmp in decodeInto; nothing with a destructor lives between that setjmp and libjpeg's frames.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

extern "C" void failDecoding(j_common_ptr info) {
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(manager->jump, 1);
}

// Level −1 is a warning about corrupt data (for example a truncated file, which libjpeg would
// otherwise finish with grey). Such a picture is refused as well. Trace messages are ignored.
extern "C" void onMessage(j_common_ptr info, int level) {
    if (level < 0) {
        failDecoding(info);
    }
}

// Decodes into `out`; returns false on any failure. Only trivially destructible objects live in
// this frame, so the longjmp of failDecoding back to the setjmp below skips no destructor.
bool decodeInto(jpeg_decompress_struct& info, ErrorManager& errors, const QByteArray& data, QImage& out) {
    if (setjmp(errors.jump) != 0) {
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    if (static_cast<unsigned long long>(info.image_width) * info.image_height > kMaxPixels) {
        return false;
    }
    const bool grey = info.jpeg_color_space == JCS_GRAYSCALE;
    info.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB; // CMYK pictures fail here: not ours
    jpeg_start_decompress(&info);
    if (info.output_components != (grey ? 1 : 3)) {
        return false;
    }
    out = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                 grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    if (out.isNull()) {
        return false; // out of memory
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

void registerPictures() {
    static const bool registered = [] {
        initPictureResources();
        return true;
    }();
    Q_UNUSED(registered);
}

QImage decodeJpeg(const QByteArray& data) {
    if (data.size() < 4) {
        return {};
    }
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = failDecoding;
    errors.base.emit_message = onMessage;

    QImage image;
    const bool ok = decodeInto(info, errors, data, image);
    jpeg_destroy_decompress(&info);
    if (!ok) {
        return {};
    }
    return image;
}

QImage loadPicture(const QString& resourcePath) {
    if (resourcePath.isEmpty()) {
        return {};
    }
    registerPictures();
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray data = file.readAll();
    // Every JPEG starts with the start-of-image marker FF D8 followed by another marker.
    if (data.size() >= 3 && static_cast<unsigned char>(data[0]) == 0xFF &&
        static_cast<unsigned char>(data[1]) == 0xD8 && static_cast<unsigned char>(data[2]) == 0xFF) {
        return decodeJpeg(data);
    }
    return QImage::fromData(data);
}

} // namespace runtime

namespace rt {

void useCarriedPictures() {
    runtime::registerPictures();
    setProgramIcon(Picture::carried(runtime::pictures::kProgramIcon));
    qt::setImageDecoder([](const Bytes& data) {
        // JPEG data starts with the start-of-image marker FF D8; everything else goes to Qt.
        if (data.size() < 2 || uint8_t(data[0]) != 0xFF || uint8_t(data[1]) != 0xD8)
            return QImage();
        return runtime::decodeJpeg(QByteArray(data.data(), qsizetype(data.size())));
    });
}

} // namespace rt
