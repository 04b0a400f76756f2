// Text rules of the SQL layer: name matching, the text order used by comparisons and ORDER BY,
// and LIKE patterns.
//
// Text compares case-insensitively, as Jet compares it. The order is: blanks, punctuation and
// other ASCII symbols (by code), then digits, then letters (a-z, ignoring case), then every other
// character by its Unicode code point with case folded for Latin, Greek, Cyrillic and full-width
// Latin letters. Chinese text therefore sorts by code point, not by pinyin; that order is stable
// and the same on every machine. Texts that differ only in case are ordered lower case first by
// ORDER BY, and are equal for = and <.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace jet::sql {

// The lower-case form of a UTF-16 unit for the scripts named above; others are returned as is.
// ASCII and the units that have no case here (CJK among them) are answered inline.
char16_t foldCaseBeyondAscii(char16_t c);
inline char16_t foldCase(char16_t c) {
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    if (c >= 0x430 && c < 0xFF21)
        return c;
    return foldCaseBeyondAscii(c);
}

// Table and column names compare case-insensitively.
bool sameName(std::u16string_view a, std::u16string_view b);

// Primary weight of one UTF-16 unit in the text order: 1 to 0xFFFF, never 0.
uint16_t textWeight(char16_t c);

// <0, 0 or >0 by the text order, ignoring case.
int compareText(std::u16string_view a, std::u16string_view b);
bool equalText(std::u16string_view a, std::u16string_view b);

// Appends the ORDER BY key of a text: its primary weights (1 byte for ASCII, 2 or 3 for others,
// in an order-keeping encoding), and when the text has upper-case letters a zero byte and one
// case mark per unit (1 lower or caseless, 2 upper). Keys compare with memcmp, a key that is a
// prefix of another coming first; so texts equal but for case come lower case first.
void appendSortKey(std::u16string_view s, std::string& out);

// A compiled LIKE pattern. % and * match any run of characters, _ and ? any one character,
// [abc], [a-z] one character of a set and [!a-z] (or [^a-z]) one character outside it; [*], [?],
// [%], [_] and [[] match the character itself. Matching ignores case. A surrogate pair counts as
// one character.
class LikePattern {
public:
    explicit LikePattern(std::u16string_view pattern);
    bool matches(std::u16string_view text) const;

private:
    enum class Kind : uint8_t { Char, One, Many, Set };
    struct Element {
        Kind kind;
        bool negated = false;
        char16_t c = 0;                    // Char: folded
        uint32_t setBegin = 0, setEnd = 0; // Set: range pairs in ranges_
    };
    enum class Shape : uint8_t { General, Exact, Prefix };
    bool matchesGeneral(std::u16string_view text) const;
    bool matchOne(const Element& e, std::u16string_view text, size_t at, size_t& len) const;

    std::vector<Element> elements_;
    std::vector<char32_t> ranges_; // Set ranges as (low, high) pairs, folded
    std::u16string literal_;       // Exact and Prefix: the folded literal
    Shape shape_ = Shape::General;
};

} // namespace jet::sql
