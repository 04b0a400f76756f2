// The shared vocabulary of the Jet 4 file layout: page size and page types, little-endian field
// access, and row pointers. Every other layer of the engine reads bytes through these helpers.
// See docs/jet4-format.md §1 (pages) and §4 (row pointers).
#pragma once

#include <compare>
#include <cstdint>
#include <cstring>
#include <span>

namespace jet {

using ByteView = std::span<const uint8_t>;

inline constexpr uint32_t kPageSize = 4096;

// Byte 0 of every page (docs/jet4-format.md §1).
enum class PageType : uint8_t {
    Header = 0x00,
    Data = 0x01, // table rows, long-value (LVAL) rows and usage-map records
    TableDef = 0x02,
    IndexNode = 0x03,
    IndexLeaf = 0x04,
    UsageBitmap = 0x05,
};

// Little-endian reads and writes. Callers check bounds first; these never do.
inline uint16_t le16(const uint8_t* p) {
    return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t le24(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
}
inline uint32_t le32(const uint8_t* p) {
    return le24(p) | (uint32_t(p[3]) << 24);
}
inline uint64_t le64(const uint8_t* p) {
    return uint64_t(le32(p)) | (uint64_t(le32(p + 4)) << 32);
}
inline double leDouble(const uint8_t* p) {
    const uint64_t bits = le64(p);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}
inline float leFloat(const uint8_t* p) {
    const uint32_t bits = le32(p);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}
inline void put16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void put24(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
}
inline void put32(uint8_t* p, uint32_t v) {
    put24(p, v);
    p[3] = uint8_t(v >> 24);
}
inline void put64(uint8_t* p, uint64_t v) {
    put32(p, uint32_t(v));
    put32(p + 4, uint32_t(v >> 32));
}

// A row's address: data page and slot in that page's row-offset table. Stored in the file as 4
// bytes, slot first, then the page in 3 bytes (docs/jet4-format.md §4). For table rows the
// engine uses it as the row's stable identity: the slot where the row is delivered in table
// order (for a moved row, the slot of the pointer that leads to it).
struct RowId {
    uint32_t page = 0;
    uint8_t row = 0;
    bool operator==(const RowId&) const = default;
    auto operator<=>(const RowId&) const = default;
    bool isNull() const { return page == 0 && row == 0; }
};

inline RowId readRowPointer(const uint8_t* p) {
    return RowId{le24(p + 1), p[0]};
}
inline void writeRowPointer(uint8_t* p, RowId id) {
    p[0] = id.row;
    put24(p + 1, id.page);
}

} // namespace jet
