// How the record set hands column values to the program: the text form of every column type (the
// variable of a text read), which types read as integers, and the step between the engine's UTF-16
// and the program's GBK texts.
#pragma once

#include "runtime/text.h"

#include "jet/value.h"

#include <string>
#include <string_view>

namespace rt::data {

// GBK text of UTF-16 (lossless, see encodeGbk); a U+0000 ends the text, as a zero byte would.
Text textOf(std::u16string_view s);
// UTF-16 of a GBK text.
std::u16string utf16Of(const Text& t);

// The text a read of `value` gives, by its type:
//   NULL                    empty text
//   Byte, Integer, Long     "%d"
//   Single                  "%.4f"
//   Double, Decimal         "%.8f"
//   Currency                the shortest plain form: "12.5", "-0.0001", "100" (no trailing zeros)
//   Date/Time               "%Y-%m-%d %H:%M:%S" (dates clamped to 0100-01-01 ... 9999-12-31)
//   Yes/No                  "TRUE" / "FALSE"
//   Text, Memo              the text itself
//   GUID                    "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
//   Binary, OLE             the bytes as upper-case hex digits
Text valueText(const jet::Value& value);

// The currency form above, from the value × 10,000.
Text currencyText(int64_t scaled);

// Whether a column of this type reads as an integer: Byte, Integer and Long (the engine's only
// integer types). Every other type refuses an integer read.
bool readsAsInteger(jet::ColumnType type);

} // namespace rt::data
