// UTF-8 inside the program, UTF-16 at the Windows API; system errors as errno values.
#pragma once

#include <string>
#include <string_view>

#include <windows.h>

namespace platform::win {

// UTF-16 of UTF-8 text (invalid bytes become U+FFFD).
std::wstring wide(std::string_view utf8);
// UTF-8 of UTF-16 text (unpaired surrogates become U+FFFD).
std::string utf8(std::wstring_view utf16);
// The errno value closest to a GetLastError() code.
int errnoOf(DWORD error);
// Sets errno from GetLastError() and returns -1, for the functions that report so.
int failed();

} // namespace platform::win
