#include "store/credential.h"

#include "store/des.h"
#include "store/md5.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace store {
namespace {

// The key block. Every password code depends on a secret that only this program carries, so a
// code copied out of `db` cannot be reproduced by somebody who knows the algorithm but not the
// program. The secret is kept as a fixed-size block among the constant data: the key text is the
// bytes before the first zero byte (15 bytes: "Ledrimo", 工时 in GBK, "#1.2"); being longer than
// the 8-byte DES key it folds over, bytes 9 to 15 being XORed onto bytes 1 to 7. The eight bytes
// after the zero are filler that never reaches the key.
//
// Changing any byte before the zero changes every password code: the default account in the
// database image and every account stored by earlier builds would no longer log in.
constexpr std::array<unsigned char, 24> kKeyBlock = {
    'L', 'e', 'd', 'r',  'i',  'm',  'o',  0xB9, 0xA4, 0xCA, 0xB1, '#',
    '1', '.', '2', 0x00, 0x9E, 0x37, 0x79, 0xB9, 0x7F, 0x4A, 0x7C, 0x15,
};

// The key text is rebuilt from the block each time it is needed and never kept.
std::string keyText() {
    const auto end = std::find(kKeyBlock.begin(), kKeyBlock.end(), 0);
    return std::string(kKeyBlock.begin(), end);
}

constexpr std::string_view kDigitAlphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// "参数错误-进制只能在2-36之间" in GBK.
constexpr std::string_view kBaseRangeText =
    "\xB2\xCE\xCA\xFD\xB4\xED\xCE\xF3-\xBD\xF8\xD6\xC6\xD6\xBB\xC4\xDC\xD4\xDA"
    "2-36\xD6\xAE\xBC\xE4";
// The result for a numeral holding a byte that is no digit of its base.
constexpr std::string_view kBadDigitText = "27e50419kqa582mtvvzp716.2485";

unsigned char upperAscii(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

// Full-width forms to half width, then a..z to upper case. Double-byte characters (a GBK lead
// byte 0x81..0xFE and the byte after it) are taken as pairs, so a trail byte is never mistaken
// for a letter; those without a half-width form stay as they are.
std::string normaliseDigits(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead >= 0x81 && lead <= 0xFE && i + 1 < text.size()) {
            const auto trail = static_cast<unsigned char>(text[i + 1]);
            if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
                out.push_back(static_cast<char>(upperAscii(static_cast<unsigned char>(trail - 0x80))));
            } else if (lead == 0xA1 && trail == 0xA1) {
                out.push_back(' ');
            } else if (lead == 0xA1 && trail == 0xAB) {
                out.push_back('~');
            } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
                out.push_back('*');
            } else {
                out.push_back(static_cast<char>(lead));
                out.push_back(static_cast<char>(trail));
            }
            i += 2;
        } else {
            out.push_back(static_cast<char>(upperAscii(lead)));
            ++i;
        }
    }
    return out;
}

// Value of a digit in the alphabet (upper case only), or 36 for a byte that is no digit.
unsigned digitValue(char ch) {
    const auto pos = kDigitAlphabet.find(ch);
    return pos == std::string_view::npos ? 36u : static_cast<unsigned>(pos);
}

// A non-negative integer of any size: 32-bit limbs, least significant first, no high zero limbs.
class BigNumber {
public:
    void multiplyAdd(std::uint32_t factor, std::uint32_t addend) {
        std::uint64_t carry = addend;
        for (auto& limb : limbs_) {
            const std::uint64_t product = static_cast<std::uint64_t>(limb) * factor + carry;
            limb = static_cast<std::uint32_t>(product);
            carry = product >> 32;
        }
        if (carry != 0) {
            limbs_.push_back(static_cast<std::uint32_t>(carry));
        }
    }
    // Divides in place and returns the remainder.
    std::uint32_t divide(std::uint32_t divisor) {
        std::uint64_t remainder = 0;
        for (auto it = limbs_.rbegin(); it != limbs_.rend(); ++it) {
            const std::uint64_t current = (remainder << 32) | *it;
            *it = static_cast<std::uint32_t>(current / divisor);
            remainder = current % divisor;
        }
        while (!limbs_.empty() && limbs_.back() == 0) {
            limbs_.pop_back();
        }
        return static_cast<std::uint32_t>(remainder);
    }
    bool isZero() const { return limbs_.empty(); }

private:
    std::vector<std::uint32_t> limbs_;
};

} // namespace

ByteString encryptData(std::string_view data, std::string_view keyText) {
    if (data.empty()) {
        return {};
    }
    std::array<std::uint8_t, 8> key{};
    for (std::size_t i = 0; i < keyText.size() && keyText[i] != '\0'; ++i) {
        key[i % 8] ^= static_cast<std::uint8_t>(keyText[i]);
    }

    // Frame: the length as 32-bit little-endian, the data, zeros up to a multiple of 8. The texts
    // encrypted here (captions, keys) are far below 4 GiB, so the length always fits.
    const std::size_t length = data.size();
    const std::size_t framedLength = (length + 4 + 7) / 8 * 8;
    ByteString frame(framedLength, '\0');
    for (std::size_t i = 0; i < 4; ++i) {
        frame[i] = static_cast<char>(static_cast<std::uint32_t>(length) >> (8 * i));
    }
    std::copy(data.begin(), data.end(), frame.begin() + 4);

    const des::KeySchedule schedule = des::makeKeySchedule(key);
    for (std::size_t offset = 0; offset < framedLength; offset += 8) {
        des::encryptBlock(schedule, reinterpret_cast<std::uint8_t*>(frame.data() + offset));
    }
    return frame;
}

std::string digestText(std::string_view data) {
    static constexpr char kHex[] = "0123456789abcdef";
    const md5::Digest digest = md5::digest(data);
    std::string text;
    text.reserve(32);
    for (std::uint8_t byte : digest) {
        text.push_back(kHex[byte >> 4]);
        text.push_back(kHex[byte & 0x0F]);
    }
    return text;
}

std::string convertRadix(std::string& digits, int fromBase, int toBase) {
    if (fromBase < 2 || toBase < 2 || fromBase > 36 || toBase > 36) {
        return std::string(kBaseRangeText);
    }
    digits = normaliseDigits(digits);
    for (char ch : digits) {
        if (digitValue(ch) >= static_cast<unsigned>(fromBase)) {
            return std::string(kBadDigitText);
        }
    }
    if (fromBase == toBase) {
        return digits;
    }

    BigNumber value;
    for (char ch : digits) {
        value.multiplyAdd(static_cast<std::uint32_t>(fromBase), digitValue(ch));
    }
    std::string out;
    do {
        out.push_back(kDigitAlphabet[value.divide(static_cast<std::uint32_t>(toBase))]);
    } while (!value.isZero());
    std::reverse(out.begin(), out.end());
    return out;
}

ByteString deriveCredentialKey(std::string_view caption) {
    return encryptData(caption, keyText());
}

std::string encodePassword(std::string_view password, const ByteString& credentialKey) {
    const ByteString sealedKey = encryptData(credentialKey, keyText());
    std::string material(password);
    material += sealedKey;
    std::string hexDigest = digestText(material);
    const std::string base22 = convertRadix(hexDigest, 16, 22);
    return digestText(base22);
}

std::string buildPasswordCode(std::string_view password) {
    return encodePassword(password, deriveCredentialKey(kSplashCredit));
}

} // namespace store
