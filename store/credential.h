// Password codes: how a password becomes the 32-character code kept in admin.code.
// Texts here are byte strings in the program's code page (GBK); they are used as they are.
#pragma once

#include <string>
#include <string_view>

namespace store {

using ByteString = std::string; // counted bytes, may hold zero bytes

// DES-ECB of the length-framed data under a key folded from keyText (up to its first zero byte).
ByteString encryptData(std::string_view data, std::string_view keyText);
// MD5 of the bytes as 32 lower-case hexadecimal digits.
std::string digestText(std::string_view data);
// Exact conversion of a numeral between bases 2..36; normalises `digits` in place (half width,
// upper case) and returns the converted text, or one of the two fixed failure texts.
std::string convertRadix(std::string& digits, int fromBase, int toBase);
// The credential key built once at start-up from the splash label's caption bytes.
ByteString deriveCredentialKey(std::string_view caption);
// The 32-character password code of `password` under `credentialKey`.
std::string encodePassword(std::string_view password, const ByteString& credentialKey);

} // namespace store
