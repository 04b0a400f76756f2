// Geometry and colours as the runtime's interface speaks them: small plain structs, in pixels.
#pragma once

namespace rt {

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    int left = 0, top = 0, width = 0, height = 0;
    bool isEmpty() const { return width <= 0 || height <= 0; }
    bool contains(Point p) const {
        return p.x >= left && p.x < left + width && p.y >= top && p.y < top + height;
    }
    bool operator==(const Rect&) const = default;
};

// An opaque colour, each part 0..255.
struct Color {
    int red = 0, green = 0, blue = 0;
    bool operator==(const Color&) const = default;
};

} // namespace rt
