// Pictures decoded from bytes without a window system: JPEG through libjpeg into plain pixels.
#include "runtime/jpeg.h"

#include <csetjmp>
#include <new>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

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
bool decodeInto(jpeg_decompress_struct& info, ErrorManager& errors, std::string_view data, Pixels& out) {
    if (setjmp(errors.jump) != 0) {
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()),
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
    out.width = static_cast<int>(info.output_width);
    out.height = static_cast<int>(info.output_height);
    out.channels = grey ? 1 : 3;
    const size_t stride = size_t(out.width) * size_t(out.channels);
    try {
        out.bytes.resize(stride * size_t(out.height)); // within kMaxPixels: at most 150 MB
    } catch (const std::bad_alloc&) {
        return false;
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.bytes.data() + stride * info.output_scanline;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

} // namespace

Pixels decodeJpegPixels(std::string_view data) {
    if (data.size() < 4) {
        return {};
    }
    jpeg_decompress_struct info{};
    ErrorManager errors{};
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = failDecoding;
    errors.base.emit_message = onMessage;

    Pixels pixels;
    const bool ok = decodeInto(info, errors, data, pixels);
    jpeg_destroy_decompress(&info);
    if (!ok) {
        return {};
    }
    return pixels;
}

} // namespace runtime
