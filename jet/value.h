// The values a Jet 4 column can hold, as the engine hands them out and takes them in.
// Text is UTF-16 as Jet 4 stores it (UCS-2 code units; surrogate pairs pass through unchanged).
// Dates are Access date numbers: days since 1899-12-30 with the time of day as fraction (see
// docs/jet4-format.md §3 for negative values).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace jet {

// Column type codes as stored in a column descriptor.
enum class ColumnType : uint8_t {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03, // 16-bit signed
    Long = 0x04,    // 32-bit signed
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    OLE = 0x0B,
    Memo = 0x0C,
    GUID = 0x0F,
    Numeric = 0x10,
};

const char* columnTypeName(ColumnType t); // "Text", "Long", ... ; "Unknown" for others

struct Null {
    bool operator==(const Null&) const = default;
};
struct Currency { // value × 10,000
    int64_t scaled = 0;
    bool operator==(const Currency&) const = default;
};
struct DateTime { // Access date number
    double days = 0;
    bool operator==(const DateTime&) const = default;
};
struct Guid { // the 16 bytes as stored
    std::array<uint8_t, 16> bytes{};
    bool operator==(const Guid&) const = default;
};
struct Decimal { // NUMERIC: unsigned 96-bit magnitude, sign, precision and scale
    bool negative = false;
    uint8_t precision = 18;
    uint8_t scale = 0;
    std::array<uint32_t, 3> magnitude{}; // little-endian words: [0] least significant
    bool operator==(const Decimal&) const = default;
};
using Bytes = std::vector<uint8_t>;

// Index order of the alternatives is part of the interface (switch on index() if you like).
using Value = std::variant<Null,           // 0
                           bool,           // 1 Boolean
                           uint8_t,        // 2 Byte
                           int16_t,        // 3 Integer
                           int32_t,        // 4 Long
                           Currency,       // 5
                           float,          // 6 Single
                           double,         // 7 Double
                           DateTime,       // 8
                           std::u16string, // 9 Text and Memo
                           Bytes,          // 10 Binary and OLE
                           Guid,           // 11
                           Decimal>;       // 12 Numeric

inline bool isNull(const Value& v) {
    return std::holds_alternative<Null>(v);
}

// UTF-8 <-> UTF-16 helpers used at the edges (tools, tests, SQL text). Invalid input is
// replaced by U+FFFD; lone surrogates in UTF-16 are written as their WTF-8 bytes so that
// nothing read from a file is lost on the way to a terminal and back.
std::string toUtf8(const std::u16string& s);
std::u16string fromUtf8(const std::string& s);

} // namespace jet
