// What a form shows on the screen, for the Win32 drawing tests.
#pragma once

#include "runtime/runtime.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace screen {

inline HWND windowOf(rt::Form& f) {
    return reinterpret_cast<HWND>(static_cast<intptr_t>(f.handle()));
}

// The client area of `w` as it is on the screen now (what has been painted, nothing more), row
// by row from the top-left corner, each pixel as RGB() makes it.
inline std::vector<COLORREF> clientPixels(HWND w) {
    RECT r;
    GetClientRect(w, &r);
    HDC dc = GetDC(w);
    HDC copy = CreateCompatibleDC(dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = r.right;
    info.bmiHeader.biHeight = -r.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<COLORREF> out;
    out.reserve(size_t(r.right) * size_t(r.bottom));
    for (int i = 0; i < r.right * r.bottom; ++i) {
        const COLORREF px = static_cast<const COLORREF*>(bits)[i]; // 0x00RRGGBB in the bitmap
        out.push_back(RGB((px >> 16) & 0xff, (px >> 8) & 0xff, px & 0xff));
    }
    SelectObject(copy, old);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(w, dc);
    return out;
}

} // namespace screen
