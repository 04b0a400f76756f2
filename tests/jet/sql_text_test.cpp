#include "jet/sql_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

using jet::sql::compareText;
using jet::sql::LikePattern;

namespace {

bool like(std::u16string_view text, std::u16string_view pattern) {
    return LikePattern(pattern).matches(text);
}

std::string key(std::u16string_view s) {
    std::string k;
    jet::sql::appendSortKey(s, k);
    return k;
}

} // namespace

TEST(Like, PercentAtEitherEndAndBoth) {
    EXPECT_TRUE(like(u"GZ-00001", u"GZ-%"));
    EXPECT_TRUE(like(u"GZ-", u"GZ-%"));
    EXPECT_FALSE(like(u"XGZ-1", u"GZ-%"));
    EXPECT_TRUE(like(u"备注：加班", u"%加班"));
    EXPECT_FALSE(like(u"加班了", u"%加班"));
    EXPECT_TRUE(like(u"今天加班了", u"%加班%"));
    EXPECT_TRUE(like(u"加班", u"%加班%"));
    EXPECT_FALSE(like(u"加 班", u"%加班%"));
    EXPECT_TRUE(like(u"", u"%"));
    EXPECT_TRUE(like(u"", u"%%"));
    EXPECT_FALSE(like(u"a", u""));
    EXPECT_TRUE(like(u"", u""));
}

TEST(Like, UnderscoreTakesExactlyOneCharacterChineseAndSurrogatePairsIncluded) {
    EXPECT_TRUE(like(u"GZ-00001", u"GZ-0000_"));
    EXPECT_FALSE(like(u"GZ-0001", u"GZ-0000_"));
    EXPECT_FALSE(like(u"GZ-000012", u"GZ-0000_"));
    EXPECT_TRUE(like(u"张三", u"张_"));
    EXPECT_FALSE(like(u"张", u"张_"));
    EXPECT_TRUE(like(u"张𠀀", u"张_")); // U+20000 is one character in two UTF-16 units
    EXPECT_TRUE(like(u"a𠀀b", u"%_b"));
    EXPECT_FALSE(like(u"𠀀", u"__"));
}

TEST(Like, IgnoresCase) {
    EXPECT_TRUE(like(u"gz-00001", u"GZ-%"));
    EXPECT_TRUE(like(u"GZ-00001", u"gz-%"));
    EXPECT_TRUE(like(u"O'BRIEN", u"%brien"));
    EXPECT_TRUE(like(u"ÄRGER", u"är%"));
    EXPECT_TRUE(like(u"ＡＢ", u"ａｂ"));
}

TEST(Like, JetWildcardsAndSets) {
    EXPECT_TRUE(like(u"GZ-00001", u"GZ-*"));
    EXPECT_TRUE(like(u"GZ-00001", u"GZ-0000?"));
    EXPECT_TRUE(like(u"GZ-00007", u"GZ-0000[5-9]"));
    EXPECT_FALSE(like(u"GZ-00003", u"GZ-0000[5-9]"));
    EXPECT_TRUE(like(u"GZ-00003", u"GZ-0000[!5-9]"));
    EXPECT_TRUE(like(u"b", u"[abc]"));
    EXPECT_TRUE(like(u"B", u"[abc]"));
    EXPECT_TRUE(like(u"50%", u"50[%]"));
    EXPECT_FALSE(like(u"500", u"50[%]"));
    EXPECT_TRUE(like(u"a*b", u"a[*]b"));
    EXPECT_FALSE(like(u"axb", u"a[*]b"));
    EXPECT_TRUE(like(u"[x", u"[x")); // an unclosed [ is itself
    EXPECT_TRUE(like(u"[]", u"[]"));
    EXPECT_TRUE(like(u"张", u"[张李]"));
}

TEST(Like, BacktracksAcrossSeveralPercents) {
    EXPECT_TRUE(like(u"abcabcabd", u"%abc%abd"));
    EXPECT_TRUE(like(u"mississippi", u"m%iss%pi"));
    EXPECT_FALSE(like(u"mississippi", u"m%iss%pix"));
    EXPECT_TRUE(like(u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", u"%a%a%a%a%b"));
    EXPECT_FALSE(like(u"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", u"%a%a%a%a%b"));
}

TEST(TextOrder, IgnoresCaseAndPutsDigitsBeforeLetters) {
    EXPECT_EQ(compareText(u"abc", u"ABC"), 0);
    EXPECT_LT(compareText(u"abc", u"ABD"), 0);
    EXPECT_LT(compareText(u"9", u"a"), 0);
    EXPECT_LT(compareText(u"Z", u"张"), 0);
    EXPECT_LT(compareText(u" x", u"0"), 0); // blanks and symbols before digits
    EXPECT_LT(compareText(u"-", u"0"), 0);
    EXPECT_LT(compareText(u"GZ-00009", u"GZ-00010"), 0);
    EXPECT_LT(compareText(u"ab", u"abc"), 0);
    EXPECT_LT(compareText(u"10", u"9"), 0); // text, not numbers
    EXPECT_TRUE(jet::sql::equalText(u"Straße", u"STRAßE"));
    EXPECT_TRUE(jet::sql::sameName(u"ID", u"id"));
    EXPECT_FALSE(jet::sql::sameName(u"姓名", u"姓"));
}

TEST(TextOrder, ChineseByCodePointAndSupplementaryCharactersLast) {
    EXPECT_LT(compareText(u"一", u"丁"), 0); // U+4E00 < U+4E01
    EXPECT_LT(compareText(u"张", u"李"), compareText(u"李", u"张"));
    EXPECT_LT(compareText(u"\uFFFD", u"𠀀"), 0);
}

TEST(TextOrder, SortKeysAgreeWithCompareAndOrderLowerCaseFirst) {
    std::vector<std::u16string> words = {u"b",  u"B", u"a", u"A",   u"ab",  u"张三", u"李四",
                                         u"10", u"9", u"",  u"a b", u"a-b", u"Ab",   u"𠀀"};
    for (const auto& x : words)
        for (const auto& y : words) {
            const std::string kx = key(x), ky = key(y);
            const int byKey = kx < ky ? -1 : (kx > ky ? 1 : 0);
            const int byCompare = compareText(x, y);
            if (byCompare != 0) {
                EXPECT_EQ(byKey, byCompare);
            }
        }
    EXPECT_LT(key(u"a"), key(u"A"));
    EXPECT_LT(key(u"A"), key(u"ab"));
    EXPECT_LT(key(u"ab"), key(u"Ab"));
    EXPECT_LT(key(u""), key(u"a"));
}

TEST(TextOrder, SortKeysAgreeWithCompareOnRandomTexts) {
    // Characters from every weight class: symbols, digits, letters of both cases, Latin-1, CJK,
    // the last BMP characters and a surrogate pair.
    const std::u16string alphabet =
        u" -_09aAzZ\u00A5\u00B7\u00C4\u00E4\u3000\u0100\u0101\u4E00\u5F20\uFF21\uFF41\uFFFD𠀀";
    std::mt19937 rng(7);
    auto randomText = [&] {
        std::u16string s;
        const int n = int(rng() % 6);
        for (int i = 0; i < n; ++i) {
            const size_t k = rng() % (alphabet.size() - 1);
            s += alphabet[k];
            if (alphabet[k] == 0xD840) // keep the pair whole
                s += alphabet[k + 1];
        }
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::u16string x = randomText(), y = randomText();
        const std::string kx = key(x), ky = key(y);
        const int byCompare = compareText(x, y);
        if (byCompare != 0)
            ASSERT_EQ(kx < ky, byCompare < 0) << round;
        else
            ASSERT_EQ(kx == ky, x == y) << round; // equal but for case: the keys still differ
    }
}
