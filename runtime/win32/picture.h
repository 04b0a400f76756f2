// Pictures on Windows: the decoded pixels as a bitmap to draw with, and as icons for windows and
// the notification area (an icon file keeps every size it holds).
#pragma once

#include "runtime/picture.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <map>
#include <vector>

struct rt::Picture::Data {
    int width = 0, height = 0;
    // Rows from the top, one 0xAARRGGBB value per pixel with the colour multiplied by its alpha:
    // what a top-down 32-bit bitmap holds and AlphaBlend takes.
    std::vector<uint32_t> pixels;
    HBITMAP bitmap = nullptr;  // those pixels as a bitmap (a DIB section)
    std::vector<HICON> icons;  // the sizes of an icon file, as it lists them; empty for others
    mutable std::map<int, HICON> madeIcons; // the icons handed out by win32::icon, by size
    Data() = default;
    Data(const Data&) = delete;
    Data& operator=(const Data&) = delete;
    ~Data();
};

namespace rt::win32 {

// The picture as a bitmap (null for the null picture); it stays the picture's.
HBITMAP bitmap(const Picture& p);
// An icon of the picture `size` pixels square: of an icon file the size it holds that is nearest
// (the larger one on a tie), else made from the pixels. Made once per size, it stays the
// picture's: whoever shows it keeps the picture.
HICON icon(const Picture& p, int size);
// Draws the picture into the rectangle of `dc`, scaled, with its transparency.
void drawPicture(HDC dc, const Picture& p, const RECT& to);
// A new top-down 32-bit bitmap (a DIB section, for `dc` or the screen) and its pixels in `bits`;
// null when it cannot be had. The caller deletes it.
HBITMAP newBitmap(HDC dc, int width, int height, void** bits);

} // namespace rt::win32
