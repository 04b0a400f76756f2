#include "store/image_container.h"

#include <zlib.h>

#include <algorithm>

namespace store {

namespace {

uint32_t le32(std::string_view s, size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}

void putLe32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s.push_back(char(uint8_t(v >> (8 * i))));
}

} // namespace

std::string packImage(std::string_view file) {
    if (file.size() > UINT32_MAX)
        return {};
    uLongf bound = compressBound(uLong(file.size()));
    std::string out;
    putLe32(out, kImageMagic);
    putLe32(out, uint32_t(file.size()));
    out.resize(kImageHeaderSize + bound);
    if (compress2(reinterpret_cast<Bytef*>(out.data() + kImageHeaderSize), &bound,
                  reinterpret_cast<const Bytef*>(file.data()), uLong(file.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return {};
    out.resize(kImageHeaderSize + bound);
    return out;
}

std::optional<uint32_t> imageStatedSize(std::string_view packed) {
    if (packed.size() < kImageHeaderSize || le32(packed, 0) != kImageMagic)
        return std::nullopt;
    return le32(packed, 4);
}

std::optional<std::string> unpackImage(std::string_view packed) {
    const auto stated = imageStatedSize(packed);
    if (!stated || *stated == 0)
        return std::nullopt;
    const uint64_t limit = uint64_t(*stated) * 2;
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return std::nullopt;
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + kImageHeaderSize));
    zs.avail_in = uInt(packed.size() - kImageHeaderSize);
    std::string out;
    int rc = Z_OK;
    // The output grows as inflate fills it, so a damaged size field costs no memory up front.
    while (rc == Z_OK) {
        if (out.size() >= limit) {
            rc = Z_BUF_ERROR;
            break;
        }
        const size_t used = out.size();
        const size_t chunk = size_t(std::min<uint64_t>(limit - used, 1u << 20));
        out.resize(used + chunk);
        zs.next_out = reinterpret_cast<Bytef*>(out.data() + used);
        zs.avail_out = uInt(chunk);
        rc = inflate(&zs, Z_NO_FLUSH);
        out.resize(used + (chunk - zs.avail_out));
        if (rc == Z_BUF_ERROR && zs.avail_out != 0)
            break; // the input ended before the stream did
    }
    inflateEnd(&zs);
    if (rc != Z_STREAM_END)
        return std::nullopt;
    return out;
}

} // namespace store
