// Pictures on Windows. JPEG goes through the runtime's own decoder (libjpeg, the same pixels as on
// Linux); the other formats the program carries (GIF, PNG, icons) through the Windows Imaging
// Component, which every Windows since XP SP3 has.
#include "runtime/win32/picture.h"

#include "runtime/carried.h"
#include "runtime/jpeg.h"

#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace rt {

Picture::Data::~Data() {
    for (HICON i : icons)
        DestroyIcon(i);
    for (auto& [size, i] : madeIcons)
        DestroyIcon(i);
    if (bitmap)
        DeleteObject(bitmap);
}

namespace {

// Anything larger is no picture of ours (as the JPEG decoder refuses).
constexpr unsigned long long kMaxPixels = 50'000'000ull;

template <class T>
struct ComRelease {
    void operator()(T* p) const {
        if (p)
            p->Release();
    }
};
template <class T>
using Com = std::unique_ptr<T, ComRelease<T>>;

// A bitmap holding the pixels.
HBITMAP bitmapOfPixels(const Picture::Data& d) {
    void* bits = nullptr;
    HBITMAP bitmap = win32::newBitmap(nullptr, d.width, d.height, &bits);
    if (!bitmap)
        return nullptr;
    std::memcpy(bits, d.pixels.data(), d.pixels.size() * sizeof(uint32_t));
    GdiFlush();
    return bitmap;
}

// The picture's own bitmap, made once when the picture is made.
bool makeBitmap(Picture::Data& d) {
    d.bitmap = bitmapOfPixels(d);
    return d.bitmap != nullptr;
}

std::shared_ptr<Picture::Data> fromJpeg(const Bytes& data) {
    const runtime::Pixels px = runtime::decodeJpegPixels(data);
    if (px.empty())
        return nullptr;
    auto d = std::make_shared<Picture::Data>();
    d->width = px.width;
    d->height = px.height;
    d->pixels.resize(size_t(px.width) * size_t(px.height));
    const unsigned char* in = px.bytes.data();
    for (uint32_t& out : d->pixels) {
        const uint32_t r = in[0], g = px.channels == 1 ? in[0] : in[1], b = px.channels == 1 ? in[0] : in[2];
        out = 0xFF000000u | (r << 16) | (g << 8) | b;
        in += px.channels;
    }
    return d;
}

// The first frame of any other picture, through WIC, as premultiplied 32-bit pixels.
std::shared_ptr<Picture::Data> fromOtherFormat(const Bytes& data) {
    // COM for this thread; the program's window thread has it already, so a repeated call only
    // counts (and S_FALSE is success).
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    struct Uninit {
        bool on;
        ~Uninit() {
            if (on)
                CoUninitialize();
        }
    } uninit{SUCCEEDED(com)};

    IWICImagingFactory* f = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&f))))
        return nullptr;
    Com<IWICImagingFactory> factory(f);
    IWICStream* s = nullptr;
    if (FAILED(factory->CreateStream(&s)))
        return nullptr;
    Com<IWICStream> stream(s);
    if (FAILED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(data.data())), DWORD(data.size()))))
        return nullptr;
    IWICBitmapDecoder* dec = nullptr;
    if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, &dec)))
        return nullptr;
    Com<IWICBitmapDecoder> decoder(dec);
    IWICBitmapFrameDecode* fr = nullptr;
    if (FAILED(decoder->GetFrame(0, &fr)))
        return nullptr;
    Com<IWICBitmapFrameDecode> frame(fr);
    IWICBitmapSource* conv = nullptr;
    if (FAILED(WICConvertBitmapSource(GUID_WICPixelFormat32bppPBGRA, frame.get(), &conv)))
        return nullptr;
    Com<IWICBitmapSource> converted(conv);
    UINT width = 0, height = 0;
    if (FAILED(converted->GetSize(&width, &height)) || width == 0 || height == 0 ||
        (unsigned long long)width * height > kMaxPixels)
        return nullptr;
    auto d = std::make_shared<Picture::Data>();
    d->width = int(width);
    d->height = int(height);
    d->pixels.resize(size_t(width) * height);
    if (FAILED(converted->CopyPixels(nullptr, width * 4, UINT(d->pixels.size() * 4),
                                     reinterpret_cast<BYTE*>(d->pixels.data()))))
        return nullptr;
    return d;
}

// Every image an icon file lists (header: reserved 0, type 1, count; then 16 bytes per image:
// width, height, colours, reserved, planes, bits, size, offset), as icons.
std::vector<HICON> iconsOfIconFile(const Bytes& data) {
    std::vector<HICON> icons;
    auto u16 = [&](size_t at) { return unsigned(uint8_t(data[at])) | unsigned(uint8_t(data[at + 1])) << 8; };
    auto u32 = [&](size_t at) { return u16(at) | unsigned(u16(at + 2)) << 16; };
    if (data.size() < 6 || u16(0) != 0 || u16(2) != 1)
        return icons;
    const unsigned count = u16(4);
    for (unsigned i = 0; i < count && 6 + 16 * (i + 1) <= data.size(); ++i) {
        const size_t entry = 6 + 16 * size_t(i);
        const int width = uint8_t(data[entry]) ? uint8_t(data[entry]) : 256;
        const int height = uint8_t(data[entry + 1]) ? uint8_t(data[entry + 1]) : 256;
        const size_t size = u32(entry + 8), offset = u32(entry + 12);
        if (offset >= data.size() || size > data.size() - offset || size == 0)
            continue;
        HICON icon = CreateIconFromResourceEx(reinterpret_cast<PBYTE>(const_cast<char*>(data.data() + offset)),
                                              DWORD(size), TRUE, 0x00030000, width, height, LR_DEFAULTCOLOR);
        if (icon)
            icons.push_back(icon);
    }
    return icons;
}

Picture decode(const Bytes& data, bool keepIcons) {
    if (data.size() < 4)
        return {};
    const bool jpeg = uint8_t(data[0]) == 0xFF && uint8_t(data[1]) == 0xD8;
    std::shared_ptr<Picture::Data> d = jpeg ? fromJpeg(data) : fromOtherFormat(data);
    if (!d || !makeBitmap(*d))
        return {};
    if (keepIcons && !jpeg)
        d->icons = iconsOfIconFile(data);
    return Picture(std::move(d));
}

int iconWidth(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return 0;
    BITMAP bm{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    if (info.hbmMask)
        DeleteObject(info.hbmMask);
    return bm.bmWidth;
}

// A new icon of the picture, `size` pixels square (the caller destroys it).
HICON newIcon(const Picture& p, const Picture::Data* d, int size) {
    if (!d->icons.empty()) {
        HICON best = nullptr;
        int bestWidth = 0;
        for (HICON i : d->icons) {
            const int w = iconWidth(i);
            const int off = std::abs(w - size), bestOff = std::abs(bestWidth - size);
            if (!best || off < bestOff || (off == bestOff && w > bestWidth)) {
                best = i;
                bestWidth = w;
            }
        }
        return CopyIcon(best);
    }
    // Made from the pixels: scaled into a size x size bitmap with alpha, and a mask of nothing.
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HBITMAP color = win32::newBitmap(dc, size, size, &bits);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    HICON result = nullptr;
    if (color && mask) {
        HGDIOBJ old = SelectObject(dc, color);
        win32::drawPicture(dc, p, RECT{0, 0, size, size});
        SelectObject(dc, old);
        GdiFlush();
        // Drawn premultiplied; an icon's colours are kept apart from their alpha.
        auto* px = static_cast<uint32_t*>(bits);
        for (size_t i = 0; i < size_t(size) * size_t(size); ++i) {
            const uint32_t a = px[i] >> 24;
            if (a == 0 || a == 255)
                continue;
            auto part = [&](int shift) { return std::min<uint32_t>(255, ((px[i] >> shift) & 0xFF) * 255 / a); };
            px[i] = (a << 24) | (part(16) << 16) | (part(8) << 8) | part(0);
        }
        ICONINFO ii{TRUE, 0, 0, mask, color};
        result = CreateIconIndirect(&ii);
    }
    if (color)
        DeleteObject(color);
    if (mask)
        DeleteObject(mask);
    DeleteDC(dc);
    return result;
}

} // namespace

Picture Picture::fromBytes(const Bytes& data) {
    return decode(data, false);
}

Picture Picture::carried(const char* resourcePath) {
    const std::string_view bytes = runtime::carriedFile(resourcePath ? resourcePath : "");
    if (bytes.empty())
        return {};
    return decode(Bytes(bytes), true);
}

bool Picture::isNull() const {
    return !d_;
}

Size Picture::size() const {
    return d_ ? Size{d_->width, d_->height} : Size{};
}

bool Picture::operator==(const Picture& o) const {
    if (d_ == o.d_)
        return true;
    if (!d_ || !o.d_)
        return false;
    return d_->width == o.d_->width && d_->height == o.d_->height && d_->pixels == o.d_->pixels;
}

namespace win32 {

HBITMAP bitmap(const Picture& p) {
    return p.data() ? p.data()->bitmap : nullptr;
}

HICON icon(const Picture& p, int size) {
    const Picture::Data* d = p.data();
    if (!d)
        return nullptr;
    auto it = d->madeIcons.find(size);
    if (it != d->madeIcons.end())
        return it->second;
    HICON made = newIcon(p, d, size);
    if (made)
        d->madeIcons.emplace(size, made);
    return made;
}

HBITMAP newBitmap(HDC dc, int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

void drawPicture(HDC dc, const Picture& p, const RECT& to) {
    const Picture::Data* d = p.data();
    if (!d || !d->bitmap)
        return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, d->bitmap);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    SetStretchBltMode(dc, HALFTONE);
    AlphaBlend(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, source, 0, 0, d->width, d->height, blend);
    SelectObject(source, old);
    DeleteDC(source);
}

} // namespace win32

} // namespace rt
