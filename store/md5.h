// The message digest under the password codes: MD5 (RFC 1321). Plain C++, no dependencies.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace store::md5 {

using Digest = std::array<std::uint8_t, 16>;

// The 16-byte digest of the bytes, in the order the algorithm outputs them.
Digest digest(std::string_view data);

} // namespace store::md5
