#include "store/md5.h"

#include <cstddef>
#include <cstring>

namespace store::md5 {
namespace {

// T[i] = the integer part of 2^32 * |sin(i + 1)|, i = 0..63 (radians).
constexpr std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

// Left-rotation amounts, four per round.
constexpr unsigned kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

std::uint32_t rotateLeft(std::uint32_t x, unsigned by) {
    return (x << by) | (x >> (32 - by));
}

struct State {
    std::uint32_t a = 0x67452301u;
    std::uint32_t b = 0xefcdab89u;
    std::uint32_t c = 0x98badcfeu;
    std::uint32_t d = 0x10325476u;
};

void processBlock(State& state, const std::uint8_t* block) {
    std::uint32_t x[16];
    for (std::size_t i = 0; i < 16; ++i) {
        // Words are little-endian.
        x[i] = static_cast<std::uint32_t>(block[4 * i]) |
               (static_cast<std::uint32_t>(block[4 * i + 1]) << 8) |
               (static_cast<std::uint32_t>(block[4 * i + 2]) << 16) |
               (static_cast<std::uint32_t>(block[4 * i + 3]) << 24);
    }
    std::uint32_t a = state.a, b = state.b, c = state.c, d = state.d;
    for (unsigned step = 0; step < 64; ++step) {
        const unsigned round = step / 16;
        std::uint32_t mixed;
        unsigned word;
        switch (round) {
        case 0:
            mixed = (b & c) | (~b & d);
            word = step;
            break;
        case 1:
            mixed = (b & d) | (c & ~d);
            word = (5 * step + 1) % 16;
            break;
        case 2:
            mixed = b ^ c ^ d;
            word = (3 * step + 5) % 16;
            break;
        default:
            mixed = c ^ (b | ~d);
            word = (7 * step) % 16;
            break;
        }
        const std::uint32_t sum = a + mixed + kSine[step] + x[word];
        a = d;
        d = c;
        c = b;
        b = b + rotateLeft(sum, kShift[round][step % 4]);
    }
    state.a += a;
    state.b += b;
    state.c += c;
    state.d += d;
}

} // namespace

Digest digest(std::string_view data) {
    State state;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
    const std::size_t length = data.size();
    std::size_t offset = 0;
    for (; length - offset >= 64; offset += 64) {
        processBlock(state, bytes + offset);
    }

    // Padding: a one bit, zeros up to 56 bytes modulo 64, then the bit length as a 64-bit
    // little-endian number. The tail takes one or two blocks.
    std::uint8_t tail[128] = {};
    const std::size_t rest = length - offset;
    if (rest > 0) {
        std::memcpy(tail, bytes + offset, rest);
    }
    tail[rest] = 0x80;
    const std::size_t tailLength = rest < 56 ? 64 : 128;
    std::uint64_t bitLength = static_cast<std::uint64_t>(length) * 8u;
    for (std::size_t i = 0; i < 8; ++i) {
        tail[tailLength - 8 + i] = static_cast<std::uint8_t>(bitLength);
        bitLength >>= 8;
    }
    for (std::size_t t = 0; t < tailLength; t += 64) {
        processBlock(state, tail + t);
    }

    Digest out{};
    const std::uint32_t words[4] = {state.a, state.b, state.c, state.d};
    for (std::size_t i = 0; i < 4; ++i) {
        for (std::size_t j = 0; j < 4; ++j) {
            out[4 * i + j] = static_cast<std::uint8_t>(words[i] >> (8 * j));
        }
    }
    return out;
}

} // namespace store::md5
