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
size_t fixedSizeOf(ColumnType type);
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
