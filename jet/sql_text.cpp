#include "jet/sql_text.h"

namespace jet::sql {
namespace {

bool isHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The character at `at` as a code point, and how many units it takes.
char32_t codePointAt(std::u16string_view s, size_t at, size_t& len) {
    const char16_t c = s[at];
    if (isHigh(c) && at + 1 < s.size() && isLow(s[at + 1])) {
        len = 2;
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(s[at + 1]) - 0xDC00);
    }
    len = 1;
    return foldCase(c);
}

} // namespace

char16_t foldCaseBeyondAscii(char16_t c) {
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) // Latin-1 letters
        return char16_t(c + 32);
    if (c >= 0x100 && c <= 0x17F) { // Latin Extended-A: mostly upper/lower pairs
        if ((c <= 0x137 || (c >= 0x14A && c <= 0x177)) && c % 2 == 0 && c != 0x130)
            return char16_t(c + 1);
        if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && c % 2 == 1)
            return char16_t(c + 1);
        if (c == 0x178)
            return 0xFF;
        return c;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) // Greek
        return char16_t(c + 32);
    if (c >= 0x410 && c <= 0x42F) // Cyrillic
        return char16_t(c + 32);
    if (c >= 0x400 && c <= 0x40F)
        return char16_t(c + 80);
    if (c >= 0xFF21 && c <= 0xFF3A) // full-width Latin
        return char16_t(c + 32);
    return c;
}

bool sameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (foldCase(a[i]) != foldCase(b[i]))
            return false;
    return true;
}

namespace {

// Weights of the ASCII characters: blanks and symbols by code, then digits, then letters without
// case; 102 weights from 1.
struct AsciiWeights {
    uint16_t w[128];
    AsciiWeights() {
        uint16_t next = 1;
        auto isDigit = [](int c) { return c >= '0' && c <= '9'; };
        auto isLetter = [](int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
        for (int c = 0; c < 128; ++c)
            if (!isDigit(c) && !isLetter(c))
                w[c] = next++;
        for (int c = '0'; c <= '9'; ++c)
            w[c] = next++;
        for (int c = 'a'; c <= 'z'; ++c) {
            w[c] = next++;
            w[c - 32] = w[c];
        }
    }
};
const AsciiWeights kAscii;
constexpr uint16_t kAsciiWeights = 102;

} // namespace

// After the ASCII weights come the other BMP characters by code point (case folded), then the
// surrogates, so that a pair sorts after every BMP character and pairs keep code point order.
// 102 + (0xD800 - 0x80) + (0x10000 - 0xE000) + 0x800 weights fit in 16 bits.
uint16_t textWeight(char16_t c) {
    if (c < 0x80)
        return kAscii.w[c];
    if (c >= 0xD800 && c <= 0xDFFF)
        return uint16_t(kAsciiWeights + 1 + (0xD800 - 0x80) + (0x10000 - 0xE000) + (c - 0xD800));
    const char16_t f = foldCase(c);
    if (f < 0xD800)
        return uint16_t(kAsciiWeights + 1 + (f - 0x80));
    return uint16_t(kAsciiWeights + 1 + (0xD800 - 0x80) + (f - 0xE000));
}

int compareText(std::u16string_view a, std::u16string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i])
            continue;
        const uint32_t wa = textWeight(a[i]), wb = textWeight(b[i]);
        if (wa != wb)
            return wa < wb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool equalText(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && foldCase(a[i]) != foldCase(b[i]))
            return false;
    return true;
}

void appendSortKey(std::u16string_view s, std::string& out) {
    bool upper = false;
    char buf[4 * 64 + 1];
    const bool small = s.size() <= 64;
    const size_t at = out.size();
    if (!small)
        out.resize(at + 4 * s.size() + 1);
    char* const start = small ? buf : out.data() + at;
    char* p = start;
    for (char16_t c : s) {
        // Weights in 1, 2 or 3 bytes; the first byte tells the length and keeps the order.
        const uint16_t w = c < 0x80 ? kAscii.w[c] : textWeight(c);
        if (w < 0x80) {
            *p++ = char(w);
        } else if (w < 0x4000) {
            *p++ = char(0x80 | (w >> 8));
            *p++ = char(w & 0xFF);
        } else {
            *p++ = char(0xC0);
            *p++ = char(w >> 8);
            *p++ = char(w & 0xFF);
        }
        upper = upper || (c < 0x80 ? (c >= u'A' && c <= u'Z') : foldCase(c) != c);
    }
    if (upper) {
        *p++ = 0;
        for (char16_t c : s)
            *p++ = char(foldCase(c) != c ? 2 : 1);
    }
    if (small)
        out.append(buf, size_t(p - buf));
    else
        out.resize(at + size_t(p - start));
}

LikePattern::LikePattern(std::u16string_view p) {
    for (size_t i = 0; i < p.size(); ++i) {
        const char16_t c = p[i];
        Element e{Kind::Char};
        if (c == u'%' || c == u'*') {
            if (!elements_.empty() && elements_.back().kind == Kind::Many)
                continue; // %% is %
            e.kind = Kind::Many;
        } else if (c == u'_' || c == u'?') {
            e.kind = Kind::One;
        } else if (c == u'[' && p.find(u']', i + 2) != std::u16string_view::npos) {
            // A set runs to the next ']' (a ']' right after '[' or '[!' belongs to the set).
            size_t j = i + 1;
            e.kind = Kind::Set;
            if (p[j] == u'!' || p[j] == u'^') {
                if (j + 1 < p.size() && p.find(u']', j + 2) != std::u16string_view::npos) {
                    e.negated = true;
                    ++j;
                }
            }
            const size_t close = p.find(u']', j + 1);
            e.setBegin = uint32_t(ranges_.size());
            for (size_t k = j; k < close;) {
                size_t len = 1;
                const char32_t lo = codePointAt(p, k, len);
                k += len;
                char32_t hi = lo;
                if (k + 1 < close && p[k] == u'-') {
                    hi = codePointAt(p, k + 1, len);
                    k += 1 + len;
                }
                ranges_.push_back(lo <= hi ? lo : hi);
                ranges_.push_back(lo <= hi ? hi : lo);
            }
            e.setEnd = uint32_t(ranges_.size());
            i = close;
        } else {
            e.c = foldCase(c);
        }
        elements_.push_back(e);
    }
    // Patterns without wildcards and patterns like 'GZ-%' are matched without the general walk.
    size_t literals = 0;
    while (literals < elements_.size() && elements_[literals].kind == Kind::Char)
        ++literals;
    if (literals == elements_.size() ||
        (literals + 1 == elements_.size() && elements_.back().kind == Kind::Many)) {
        shape_ = literals == elements_.size() ? Shape::Exact : Shape::Prefix;
        for (size_t k = 0; k < literals; ++k)
            literal_ += elements_[k].c;
    }
}

bool LikePattern::matches(std::u16string_view text) const {
    switch (shape_) {
    case Shape::Exact:
    case Shape::Prefix: {
        if (text.size() < literal_.size() || (shape_ == Shape::Exact && text.size() != literal_.size()))
            return false;
        for (size_t i = 0; i < literal_.size(); ++i)
            if (text[i] != literal_[i] && foldCase(text[i]) != literal_[i])
                return false;
        return true;
    }
    case Shape::General:
        break;
    }
    return matchesGeneral(text);
}

bool LikePattern::matchOne(const Element& e, std::u16string_view text, size_t at, size_t& len) const {
    switch (e.kind) {
    case Kind::Char:
        len = 1;
        return text[at] == e.c || foldCase(text[at]) == e.c;
    case Kind::One:
        codePointAt(text, at, len);
        return true;
    case Kind::Set: {
        const char32_t cp = codePointAt(text, at, len);
        bool in = false;
        for (uint32_t k = e.setBegin; k < e.setEnd && !in; k += 2)
            in = cp >= ranges_[k] && cp <= ranges_[k + 1];
        return in != e.negated;
    }
    case Kind::Many:
        break;
    }
    return false;
}

// Walks text and pattern together; on a mismatch after a % it retries with the % taking one more
// character. Every other element takes exactly one character, so this is complete and needs no
// deeper backtracking.
bool LikePattern::matchesGeneral(std::u16string_view text) const {
    size_t t = 0, p = 0;
    size_t starP = SIZE_MAX, starT = 0;
    const size_t m = elements_.size();
    while (t < text.size()) {
        size_t len = 1;
        if (p < m && elements_[p].kind == Kind::Many) {
            starP = p++;
            starT = t;
        } else if (p < m && matchOne(elements_[p], text, t, len)) {
            ++p;
            t += len;
        } else if (starP != SIZE_MAX) {
            codePointAt(text, starT, len);
            starT += len;
            t = starT;
            p = starP + 1;
        } else {
            return false;
        }
    }
    while (p < m && elements_[p].kind == Kind::Many)
        ++p;
    return p == m;
}

} // namespace jet::sql
