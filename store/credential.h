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

// The credit caption of the splash label 透明标签2, "Ledrimo 出品" in GBK. It is the raw material of
// the credential key, so the splash form and the database image generator must both take it from
// here: the default account's code in the image is only valid under this caption.
inline constexpr std::string_view kSplashCredit{"Ledrimo \xB3\xF6\xC6\xB7"};
// The password code of `password` under the credential key derived from kSplashCredit, as the
// database image generator stores it for the default account.
std::string buildPasswordCode(std::string_view password);

} // namespace store
