// Value and text codecs: the bytes of a single column value <-> Value, the Unicode compression
// of text, the Access date rule, and the text forms the tools print. Pure functions on bytes:
// errors they return carry no file or page; callers add that context.
// See docs/jet4-format.md §3 (date numbers), §5 (value encodings) and §6 (text).
#pragma once

#include "jet/error.h"
#include "jet/layout.h"
#include "jet/value.h"

#include <optional>
#include <string>

namespace jet {

struct ColumnDef;

// Bytes a value of `type` takes in a row; 0 for Boolean (it lives in the null mask) and for
// the types whose length varies (Text, Binary, Memo, OLE).
constexpr size_t fixedSizeOf(ColumnType type) {
    switch (type) {
    case ColumnType::Byte:
        return 1;
    case ColumnType::Integer:
        return 2;
    case ColumnType::Long:
        return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::DateTime:
        return 8;
    case ColumnType::Single:
        return 4;
    case ColumnType::GUID:
        return 16;
    case ColumnType::Numeric:
        return 17;
    default:
        return 0;
    }
}
// Whether `code` is a column type a Jet 4 file can hold.
bool isJet4ColumnType(uint8_t code);

// ---- text ----

// Decodes stored text: plain UCS-2 little-endian, or the compressed form that starts FF FE
// (1-byte characters, a 0x00 byte switching between 1-byte and 2-byte runs). Corrupt error if
// a 2-byte run or plain text has an odd number of bytes.
Result<std::u16string> decodeText(ByteView bytes);
// The same into `out`, reusing its storage (for decoding many rows).
Status decodeTextInto(ByteView bytes, std::u16string& out);
// Encodes text for storage. With `allowCompression`, uses the compressed form when it is
// shorter and can represent the text (no character with a 0x00 low byte in a 2-byte run, no
// U+0000); otherwise plain UCS-2.
Bytes encodeText(const std::u16string& text, bool allowCompression);

// ---- scalar values ----

// Decodes a column value that is not Boolean, Memo or OLE from its stored bytes. Fixed-size
// types need exactly fixedSizeOf(type) bytes; NUMERIC takes precision and scale from the
// column. Corrupt error for a wrong length, a NUMERIC sign byte other than 0x00/0x80 or a
// magnitude beyond 96 bits, or undecodable text. Unsupported error for a type code that is
// not one of the Jet 4 types in ColumnType.
Result<Value> decodeScalar(const ColumnDef& column, ByteView bytes);
// The same into `out`, reusing the storage of a string it already holds.
Status decodeScalarInto(const ColumnDef& column, ByteView bytes, Value& out);
// decodeTextInto without building an error: nullptr, or what is wrong with the bytes.
const char* textInto(ByteView bytes, std::u16string& out);

// The values most rows are made of, decoded on the spot: numbers and dates of their exact
// length, and text. False for everything else and for bad bytes (`out` may then have changed),
// which decodeScalarInto then decodes or reports.
[[gnu::always_inline]] inline bool decodeQuick(ColumnType type, ByteView b, Value& out) {
    const uint8_t* p = b.data();
    switch (type) {
    case ColumnType::Byte:
        if (b.size() != 1)
            return false;
        out = p[0];
        return true;
    case ColumnType::Integer:
        if (b.size() != 2)
            return false;
        out = int16_t(le16(p));
        return true;
    case ColumnType::Long:
        if (b.size() != 4)
            return false;
        out = int32_t(le32(p));
        return true;
    case ColumnType::Currency:
        if (b.size() != 8)
            return false;
        out = Currency{int64_t(le64(p))};
        return true;
    case ColumnType::Single:
        if (b.size() != 4)
            return false;
        out = leFloat(p);
        return true;
    case ColumnType::Double:
        if (b.size() != 8)
            return false;
        out = leDouble(p);
        return true;
    case ColumnType::DateTime:
        if (b.size() != 8)
            return false;
        out = DateTime{leDouble(p)};
        return true;
    case ColumnType::Text: {
        auto* text = std::get_if<std::u16string>(&out);
        if (!text)
            text = &out.emplace<std::u16string>();
        return textInto(b, *text) == nullptr;
    }
    default:
        return false;
    }
}

// The stored bytes of `value` for a column that is not Boolean, Memo or OLE (for Text: encoded
// as the column's compression flag allows). Invalid error if the value's alternative does not
// fit the column's type or it is too long for the column.
Result<Bytes> encodeScalar(const ColumnDef& column, const Value& value);

// ---- text forms for people and tools ----

std::string formatDouble(double v);            // shortest text that reads back to the same double
std::string formatFloat(float v);              // shortest text that reads back to the same float
std::string formatCurrency(const Currency& v); // always 4 decimals: "-12.3400"
std::string formatDecimal(const Decimal& v);   // exact, with `scale` decimals: "12.30"
std::string formatDateTime(const DateTime& v); // "YYYY-MM-DD HH:MM:SS"; the bare number if out of range
std::string formatGuid(const Guid& v);         // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper case
std::string formatHex(ByteView bytes);         // upper-case hex digits, no separators

} // namespace jet
