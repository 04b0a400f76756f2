// Password codes: framing and key folding of the block encryption, the text digest, the radix
// conversion with its normalisation, and the pinned code of the default account.
#include "store/credential.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using store::convertRadix;
using store::deriveCredentialKey;
using store::digestText;
using store::encodePassword;
using store::encryptData;

std::string hex(std::string_view bytes) {
    std::string out;
    char buf[3];
    for (char c : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(c));
        out += buf;
    }
    return out;
}

// "参数错误-进制只能在2-36之间" in GBK, spelt out byte by byte.
const std::string kRangeText = "\xB2\xCE\xCA\xFD\xB4\xED\xCE\xF3-\xBD\xF8\xD6\xC6\xD6\xBB\xC4\xDC\xD4\xDA"
                               "2-36\xD6\xAE\xBC\xE4";
const std::string kBadDigit = "27e50419kqa582mtvvzp716.2485";
// The splash credit "Ledrimo 出品": 出 = B3 F6, 品 = C6 B7.
const std::string kCaption = "Ledrimo \xB3\xF6\xC6\xB7";

std::string convert(std::string digits, int from, int to) {
    return convertRadix(digits, from, to);
}

bool isLowerHex32(const std::string& code) {
    if (code.size() != 32) {
        return false;
    }
    for (char c : code) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

// ---- convertRadix ----

TEST(ConvertRadix, ConvertsBetweenBases) {
    EXPECT_EQ(convert("FF", 16, 22), "BD");
    EXPECT_EQ(convert("ff", 16, 2), "11111111");
    EXPECT_EQ(convert("10", 36, 10), "36");
    EXPECT_EQ(convert("zz", 36, 16), "50F");
    EXPECT_EQ(convert("Z", 36, 2), "100011");
    EXPECT_EQ(convert("255", 10, 16), "FF");
    EXPECT_EQ(convert("1", 2, 36), "1");
}

TEST(ConvertRadix, ZeroAndEmptyText) {
    EXPECT_EQ(convert("0000", 16, 22), "0");
    EXPECT_EQ(convert("0", 10, 2), "0");
    EXPECT_EQ(convert("", 16, 22), "0");
    EXPECT_EQ(convert("", 16, 16), "");
    EXPECT_EQ(convert("007", 10, 10), "007");
}

TEST(ConvertRadix, SameBaseReturnsTheNormalisedText) {
    std::string digits = "0a";
    EXPECT_EQ(convertRadix(digits, 16, 16), "0A");
    EXPECT_EQ(digits, "0A");
}

TEST(ConvertRadix, NormalisesTheCallersText) {
    std::string digits = "ff";
    EXPECT_EQ(convertRadix(digits, 16, 2), "11111111");
    EXPECT_EQ(digits, "FF");
    // Normalisation happens before validation, so a rejected text is still normalised.
    digits = "\xA3\xE1g";
    EXPECT_EQ(convertRadix(digits, 16, 10), kBadDigit);
    EXPECT_EQ(digits, "AG");
}

TEST(ConvertRadix, FullWidthFormsBecomeHalfWidth) {
    std::string digits = "\xA3\xB1\xA3\xB0"; // full-width 1 and 0
    EXPECT_EQ(convertRadix(digits, 2, 10), "2");
    EXPECT_EQ(digits, "10");
    digits = "\xA3\xE6\xA3\xC6"; // full-width f and F
    EXPECT_EQ(convertRadix(digits, 16, 10), "255");
    EXPECT_EQ(digits, "FF");
    // The ideographic space, the wave dash and the two asterisk-like signs.
    digits = "\xA1\xA1\xA1\xAB\xA1\xEE\xA1\xEF";
    EXPECT_EQ(convertRadix(digits, 36, 10), kBadDigit);
    EXPECT_EQ(digits, " ~**");
    // Lead A3 with a trail below A1 and other A1 characters stay double-byte.
    digits = "\xA3\x40\xA1\xA2";
    convertRadix(digits, 16, 10);
    EXPECT_EQ(digits, "\xA3\x40\xA1\xA2");
}

TEST(ConvertRadix, DoubleByteCharactersAreNotUpperCased) {
    // 0x81 0x61: a GBK character whose trail byte is the letter a; it must stay a pair.
    std::string digits = "a\x81\x61";
    EXPECT_EQ(convertRadix(digits, 16, 10), kBadDigit);
    EXPECT_EQ(digits, "A\x81\x61");
    // A lead byte cut off at the end stays as it is.
    digits = "b\xB3";
    EXPECT_EQ(convertRadix(digits, 16, 10), kBadDigit);
    EXPECT_EQ(digits, "B\xB3");
}

TEST(ConvertRadix, RejectsBytesThatAreNoDigitOfTheBase) {
    EXPECT_EQ(convert("1G", 16, 10), kBadDigit);
    EXPECT_EQ(convert("1" + kCaption.substr(8, 2), 16, 10), kBadDigit); // 出
    EXPECT_EQ(convert("12", 2, 10), kBadDigit);
    EXPECT_EQ(convert("-1", 10, 2), kBadDigit);
    EXPECT_EQ(convert(" 1", 10, 2), kBadDigit);
    EXPECT_EQ(convert(std::string("1\0"
                                  "1",
                                  3),
                      10, 2),
              kBadDigit);
    EXPECT_EQ(convert("1G", 16, 16), kBadDigit);
    EXPECT_EQ(kBadDigit.size(), 28u);
}

TEST(ConvertRadix, BaseOutOfRange) {
    EXPECT_EQ(convert("1", 1, 10), kRangeText);
    EXPECT_EQ(convert("1", 10, 37), kRangeText);
    EXPECT_EQ(convert("1", 37, 10), kRangeText);
    EXPECT_EQ(convert("1", 10, 1), kRangeText);
    EXPECT_EQ(convert("1", 0, 10), kRangeText);
    EXPECT_EQ(convert("1", -16, 10), kRangeText);
    // Nothing else happens: the text is not normalised.
    std::string digits = "ab";
    EXPECT_EQ(convertRadix(digits, 16, 37), kRangeText);
    EXPECT_EQ(digits, "ab");
    EXPECT_EQ(convert("Z", 2, 36), kBadDigit);
    EXPECT_EQ(convert("Z", 36, 36), "Z");
}

TEST(ConvertRadix, ArbitraryPrecision) {
    // The largest MD5 digest in base 22: 29 digits.
    EXPECT_EQ(convert(std::string(32, 'f'), 16, 22), "8H8B5GHEH7LEGF73FB0HAD7BHD3DD");
    // 200 base-36 digits to base 7 (checked against an independent big-integer library).
    const std::string big =
        "k9p34y6n3wd25rq4f5zr37e3p3e2z8iq9y7jzb6cn6z43dvyrkttnjfbf5jxvlsi47wqal9vq24zklmvt45hu4"
        "3jsiom1tma7v3di8fppv5aspzh8rzhqmoe95b9ee0vbgi09qynk8w3tzpppp6up3c4dsa7l3609y6n14do9"
        "gmnu77vtuuj596lguax1dxn9y1xj5gx";
    EXPECT_EQ(
        convert(big, 36, 7),
        "10150066266442222441530265361530010322344530625061223354534455235241232255143422412344630665"
        "06445646410205454103065344033314140660402024556256125502301024615041544314621525003441055656"
        "03640334004654302221012642200165060014113024342250141116432166623355355524336445105112162024"
        "132033301643112011454005642323006335136202455524045032320020351500312200166312525434554362616");
    // Round trips across every pair of bases keep the value.
    for (int from = 2; from <= 36; ++from) {
        for (int to = 2; to <= 36; ++to) {
            const std::string there = convert("1F3A9C0B7D", 16, from);
            const std::string other = convert(there, from, to);
            ASSERT_EQ(convert(other, to, 16), "1F3A9C0B7D") << from << " -> " << to;
        }
    }
}

// ---- encryptData ----

TEST(EncryptData, FramedLengths) {
    const struct {
        std::size_t in;
        std::size_t out;
    } cases[] = {{0, 0}, {1, 8}, {3, 8}, {4, 8}, {5, 16}, {12, 16}, {13, 24}, {20, 24}, {21, 32}};
    for (const auto& c : cases) {
        EXPECT_EQ(encryptData(std::string(c.in, 'x'), "key").size(), c.out) << c.in << " bytes";
    }
    // Zero bytes are data like any other.
    EXPECT_EQ(encryptData(std::string(2, '\0'), "key").size(), 8u);
}

// Expected values computed with an independent DES implementation over the framed buffer
// (length as 32-bit little-endian, data, zero padding).
TEST(EncryptData, FramesAndEncryptsBlockByBlock) {
    EXPECT_EQ(hex(encryptData("abcd", "12345678")), "C5E22EE6AD1CD80F");
    EXPECT_EQ(hex(encryptData("Hello, world!", "k")), "84C552C28F1F27765D632B16FFBD3F6FB6FC10F1820404FD");
    EXPECT_EQ(hex(encryptData("A", "")), "0889B975E7350509");
}

TEST(EncryptData, EcbEncryptsEqualBlocksAlike) {
    const std::string data = std::string("head") + "SAMEBLK!" + "SAMEBLK!";
    const std::string out = encryptData(data, "ecb");
    ASSERT_EQ(out.size(), 24u);
    EXPECT_EQ(out.substr(8, 8), out.substr(16, 8));
    EXPECT_NE(out.substr(0, 8), out.substr(8, 8));
}

TEST(EncryptData, KeyTextEndsAtItsFirstZeroByte) {
    EXPECT_EQ(encryptData("payload", std::string("abc\0xyz", 7)), encryptData("payload", "abc"));
    EXPECT_EQ(encryptData("A", std::string("\0abc", 4)), encryptData("A", ""));
    EXPECT_NE(encryptData("payload", "abd"), encryptData("payload", "abc"));
}

TEST(EncryptData, LongKeyTextsFold) {
    // The ninth byte is XORed into key byte 0.
    std::string folded = "ABCDEFGH";
    folded[0] = static_cast<char>('A' ^ 'I');
    EXPECT_EQ(encryptData("some data", "ABCDEFGHI"), encryptData("some data", folded));
    // Two equal halves cancel out to the all-zero key, as does the empty key text.
    EXPECT_EQ(encryptData("some data", "ABCDEFGHABCDEFGH"), encryptData("some data", ""));
    EXPECT_NE(encryptData("some data", "ABCDEFGHI"), encryptData("some data", "ABCDEFGH"));
}

// ---- digestText ----

TEST(DigestText, LowerCaseHexOfMd5) {
    EXPECT_EQ(digestText(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(digestText("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(digestText(std::string(1, '\0')), "93b885adfe0da089cdf634904fd59f71");
    EXPECT_TRUE(isLowerHex32(digestText(kCaption)));
}

// ---- deriveCredentialKey and encodePassword ----

TEST(CredentialKey, FromTheSplashCaption) {
    EXPECT_EQ(store::kSplashCredit, kCaption);
    EXPECT_EQ(deriveCredentialKey(""), "");
    const std::string key = deriveCredentialKey(kCaption);
    EXPECT_EQ(key.size(), 16u); // 12 caption bytes + 4 length bytes
    EXPECT_EQ(deriveCredentialKey(kCaption), key);
    EXPECT_NE(deriveCredentialKey("Ledrimo"), key);
}

TEST(EncodePassword, AlwaysThirtyTwoLowerCaseHexDigits) {
    const std::string key = deriveCredentialKey(kCaption);
    const std::string passwords[] = {
        "",
        "tamsu",
        "\xC3\xDC\xC2\xEB",         // 密码
        "\xA3\xB1\xA3\xB2\xA3\xB3", // full-width 123
        std::string("a\0b", 3),
        std::string(1000, 'p'),
    };
    for (const auto& password : passwords) {
        EXPECT_TRUE(isLowerHex32(encodePassword(password, key))) << hex(password);
        EXPECT_TRUE(isLowerHex32(encodePassword(password, ""))) << hex(password);
    }
}

TEST(EncodePassword, DependsOnPasswordAndKey) {
    const std::string key = deriveCredentialKey(kCaption);
    EXPECT_EQ(encodePassword("tamsu", key), encodePassword("tamsu", key));
    EXPECT_NE(encodePassword("tamsu", key), encodePassword("Tamsu", key));
    EXPECT_NE(encodePassword("tamsu", key), encodePassword("tamsu ", key));
    EXPECT_NE(encodePassword("tamsu", key), encodePassword("tamsu", deriveCredentialKey("Ledrimo")));
    EXPECT_NE(encodePassword("tamsu", key), encodePassword("tamsu", ""));
    EXPECT_NE(encodePassword("", key), encodePassword("", ""));
}

// The code stored for the default account of the database image. It pins the key block, the
// caption, and the whole chain of encryption, digests and radix change: if this value moves, the
// default account of every carried database image stops logging in.
TEST(EncodePassword, DefaultAccountCodeIsPinned) {
    const std::string pinned = "39ba602ed8f2ff107a288d701aed3185";
    EXPECT_EQ(encodePassword("tamsu", deriveCredentialKey(kCaption)), pinned);
    EXPECT_EQ(store::buildPasswordCode("tamsu"), pinned);
}

} // namespace
