// The block cipher under the password codes: DES (FIPS 46) on single 64-bit blocks.
// Plain C++, no dependencies; only encryption is needed, since nothing turns a code back.
#pragma once

#include <array>
#include <cstdint>

namespace store::des {

// The sixteen 48-bit round keys derived from one 64-bit key (parity bits are ignored).
struct KeySchedule {
    std::array<std::uint64_t, 16> roundKeys{};
};

// Builds the round keys from 8 key bytes, the first byte holding the key's most significant bits.
KeySchedule makeKeySchedule(const std::array<std::uint8_t, 8>& key);
// Encrypts one 8-byte block in place (byte 0 is the most significant byte of the block).
void encryptBlock(const KeySchedule& schedule, std::uint8_t* block);
// Convenience for 64-bit values: encrypts `plain` under `key`, both as big-endian numbers.
std::uint64_t encrypt(std::uint64_t key, std::uint64_t plain);

} // namespace store::des
