// The plain parts of the drawing interface.
#include "runtime/draw.h"

#include <cmath>

namespace rt {

Color darker(Color c, int factor) {
    if (factor <= 100)
        return c;
    // Scaling the value with hue and saturation kept scales every component alike.
    auto scaled = [factor](int part) { return int(std::lround(part * 100.0 / factor)); };
    return {scaled(c.red), scaled(c.green), scaled(c.blue)};
}

} // namespace rt
