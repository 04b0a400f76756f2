// Text in code page 936 (GBK: the ANSI code page of Simplified-Chinese Windows, in which Jet keeps
// some texts) from and to the program's UTF-8. Plain C++; iconv on POSIX, the system's code page
// tables on Windows.
//
// Both conversions are strict: input that is not valid in its encoding, or a character the other
// side has no code for, gives nullopt, never a substitute character. Empty input gives "".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Code page 936 bytes of UTF-8 text.
std::optional<std::string> codePage936OfUtf8(std::string_view utf8);
// UTF-8 of code page 936 bytes.
std::optional<std::string> utf8OfCodePage936(std::string_view bytes);

} // namespace platform
