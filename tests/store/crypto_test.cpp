// The program's own DES and MD5 against published test vectors.
#include "store/des.h"
#include "store/md5.h"
#include "tests/store/des_vectors.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

std::string hex(std::uint64_t v) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llX", static_cast<unsigned long long>(v));
    return buf;
}

template <std::size_t N> void checkVectors(const des_vectors::Vector (&table)[N], std::size_t expectedCount) {
    ASSERT_EQ(N, expectedCount);
    for (const auto& v : table) {
        EXPECT_EQ(hex(store::des::encrypt(v.key, v.plain)), hex(v.cipher))
            << "key " << hex(v.key) << " plaintext " << hex(v.plain);
    }
}

TEST(Des, ClassicWorkedExample) {
    EXPECT_EQ(hex(store::des::encrypt(0x133457799BBCDFF1ull, 0x0123456789ABCDEFull)), "85E813540F0AB405");
}

TEST(Des, VariablePlaintextKnownAnswers) {
    checkVectors(des_vectors::kVariablePlaintext, 64);
}

// With the key 01..01 DES is its own inverse, so the ciphertexts of the variable-plaintext test
// encrypt back to the single-bit plaintexts (the inverse-permutation test of the same set).
TEST(Des, InversePermutationKnownAnswers) {
    for (const auto& v : des_vectors::kVariablePlaintext) {
        EXPECT_EQ(hex(store::des::encrypt(v.key, v.cipher)), hex(v.plain)) << "ciphertext " << hex(v.cipher);
    }
}

TEST(Des, VariableKeyKnownAnswers) {
    checkVectors(des_vectors::kVariableKey, 56);
}
TEST(Des, PermutationOperationKnownAnswers) {
    checkVectors(des_vectors::kPermutation, 32);
}
TEST(Des, SubstitutionTableKnownAnswers) {
    checkVectors(des_vectors::kSubstitution, 19);
}

TEST(Des, ParityBitsAreIgnored) {
    const std::uint64_t plain = 0x0123456789ABCDEFull;
    const std::uint64_t key = 0x133457799BBCDFF1ull;
    EXPECT_EQ(store::des::encrypt(key ^ 0x0101010101010101ull, plain), store::des::encrypt(key, plain));
    EXPECT_EQ(store::des::encrypt(0, plain), store::des::encrypt(0x0101010101010101ull, plain));
}

TEST(Des, BlockInterfaceMatchesValueInterface) {
    std::uint8_t block[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    const auto schedule = store::des::makeKeySchedule({0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1});
    store::des::encryptBlock(schedule, block);
    const std::uint8_t expected[8] = {0x85, 0xE8, 0x13, 0x54, 0x0F, 0x0A, 0xB4, 0x05};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(block[i], expected[i]) << "byte " << i;
    }
}

std::string md5Hex(std::string_view data) {
    std::string out;
    char buf[3];
    for (auto b : store::md5::digest(data)) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        out += buf;
    }
    return out;
}

TEST(Md5, Rfc1321TestSuite) {
    EXPECT_EQ(md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

// Lengths around the padding boundaries: 55 bytes still fit the length in the last block, 56
// need a second one; 64 fills a block exactly.
TEST(Md5, PaddingBoundaries) {
    const struct {
        std::size_t length;
        const char* digest;
    } cases[] = {
        {55, "ef1772b6dff9a122358552954ad0df65"},  {56, "3b0c8ac703f828b04c6c197006d17218"},
        {57, "652b906d60af96844ebd21b674f35e93"},  {63, "b06521f39153d618550606be297466d5"},
        {64, "014842d480b571495a4a0363793f7367"},  {65, "c743a45e0d2e6a95cb859adae0248435"},
        {119, "8a7bd0732ed6a28ce75f6dabc90e1613"}, {120, "5f61c0ccad4cac44c75ff505e1f1e537"},
        {128, "e510683b3f5ffe4093d021808bc6ff70"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(md5Hex(std::string(c.length, 'a')), c.digest) << c.length << " bytes";
    }
    EXPECT_EQ(md5Hex(std::string(1000000, 'a')), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Md5, BinaryDataWithZeroBytes) {
    EXPECT_EQ(md5Hex(std::string(1, '\0')), "93b885adfe0da089cdf634904fd59f71");
    std::string all;
    for (int round = 0; round < 3; ++round) {
        for (int b = 0; b < 256; ++b) {
            all.push_back(static_cast<char>(b));
        }
    }
    EXPECT_EQ(md5Hex(all), "e6899eaaf06fd702f3ed3f988eb19362");
}

} // namespace
