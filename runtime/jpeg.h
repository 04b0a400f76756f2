// JPEG pictures decoded with libjpeg into plain pixels, which each window system turns into its
// own image.
#pragma once

#include <string_view>
#include <vector>

namespace runtime {

struct Pixels {
    int width = 0, height = 0;
    int channels = 0; // 1: grey, 3: red, green, blue
    // Rows from the top, width x channels bytes each, one after the other.
    std::vector<unsigned char> bytes;
    bool empty() const { return width == 0 || height == 0; }
};

// Damaged, truncated or unsupported data (CMYK), and pictures over 50 million pixels, give empty
// pixels; libjpeg's warnings about corrupt data count as failures too.
Pixels decodeJpegPixels(std::string_view data);

} // namespace runtime
