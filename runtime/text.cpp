#include "runtime/text.h"
#include "runtime/datetime.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <ostream>

namespace rt {

// ---------------------------------------------------------------------------------------------
// Code page 936 and GB18030's four-byte form, from tables compiled in (runtime/cp936_tables.inc,
// made once from ICU's "GBK" converter, which equals windows-936 on every one- and two-byte
// sequence, and its "GB18030" converter).

namespace {

// A run of consecutive characters with consecutive four-byte sequences (or the other way round).
struct FourByteRun {
    uint32_t from, to, count;
};

#include "runtime/cp936_tables.inc"

// The four-byte sequences count from 81 30 81 30 (index 0); the supplementary planes begin at
// 90 30 81 30 with U+10000.
constexpr uint32_t kSupplementaryStart = 189000;

struct Cp936 {
    // Unicode (BMP) to 936: 0 = none, < 0x100 a single byte (only 0x80), else lead << 8 | trail.
    // A character with two sequences keeps the first, which is the one 936 writes.
    std::unique_ptr<uint16_t[]> fromUnicode{new uint16_t[65536]()};

    Cp936() {
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            for (int trail = 0x40; trail <= 0xFE; ++trail)
                if (char16_t c = pair(uint8_t(lead), uint8_t(trail)); c != 0 && fromUnicode[c] == 0)
                    fromUnicode[c] = uint16_t(lead << 8 | trail);
        fromUnicode[0x20AC] = 0x80; // the euro sign is the single byte 0x80 in 936
    }

    static char16_t pair(uint8_t lead, uint8_t trail) {
        if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail > 0xFE || trail == 0x7F)
            return 0;
        return kPairs[(lead - 0x81) * 191 + (trail - 0x40)];
    }
};

const Cp936& cp936() {
    static const Cp936 table;
    return table;
}

// The run of `runs` (sorted by from) holding v, or null.
const FourByteRun* runOf(const FourByteRun* begin, const FourByteRun* end, uint32_t v) {
    auto it = std::upper_bound(begin, end, v, [](uint32_t x, const FourByteRun& r) { return x < r.from; });
    if (it == begin)
        return nullptr;
    --it;
    return v - it->from < it->count ? it : nullptr;
}

void appendFourByte(std::string& out, uint32_t index) {
    char b[4];
    b[3] = char(0x30 + index % 10);
    index /= 10;
    b[2] = char(0x81 + index % 126);
    index /= 126;
    b[1] = char(0x30 + index % 10);
    b[0] = char(0x81 + index / 10);
    out.append(b, 4);
}

// One character (not a surrogate) in 936, else in GB18030's four-byte form.
void appendGbk(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(char(c));
        return;
    }
    if (c >= 0x10000) {
        if (c <= 0x10FFFF)
            appendFourByte(out, kSupplementaryStart + (c - 0x10000));
        else
            out.push_back('?');
        return;
    }
    uint16_t code = cp936().fromUnicode[c];
    if (code >= 0x100) {
        out.push_back(char(code >> 8));
        out.push_back(char(code & 0xFF));
    } else if (code != 0) {
        out.push_back(char(code));
    } else if (const FourByteRun* r = runOf(std::begin(kEncodeRuns), std::end(kEncodeRuns), uint32_t(c))) {
        appendFourByte(out, r->to + (uint32_t(c) - r->from));
    } else {
        out.push_back('?');
    }
}

char32_t fourByteChar(uint32_t index) {
    if (index >= kSupplementaryStart)
        return index - kSupplementaryStart < 0x100000 ? char32_t(0x10000 + (index - kSupplementaryStart)) : 0xFFFD;
    if (const FourByteRun* r = runOf(std::begin(kDecodeRuns), std::end(kDecodeRuns), index))
        return char32_t(r->to + (index - r->from));
    return 0xFFFD;
}

// Calls emit with every character of the GBK bytes in turn.
template <class Emit> void decodeGbkTo(std::string_view b, Emit put) {
    size_t i = 0;
    auto u = [&](size_t k) { return uint8_t(b[k]); };
    while (i < b.size()) {
        uint8_t c = u(i);
        if (c < 0x80) {
            put(char32_t(c));
            ++i;
        } else if (c == 0x80) {
            put(char32_t(0x20AC));
            ++i;
        } else if (c == 0xFF || i + 1 >= b.size()) {
            put(char32_t(0xFFFD));
            ++i;
        } else if (u(i + 1) >= 0x30 && u(i + 1) <= 0x39) {
            if (i + 3 < b.size() && u(i + 2) >= 0x81 && u(i + 2) <= 0xFE && u(i + 3) >= 0x30 &&
                u(i + 3) <= 0x39) {
                put(fourByteChar((((uint32_t(c) - 0x81) * 10 + (u(i + 1) - 0x30)) * 126 + (u(i + 2) - 0x81)) * 10 +
                                  (u(i + 3) - 0x30)));
                i += 4;
            } else {
                put(char32_t(0xFFFD));
                ++i;
            }
        } else if (char16_t ch = Cp936::pair(c, u(i + 1))) {
            put(char32_t(ch));
            i += 2;
        } else {
            put(char32_t(0xFFFD));
            // An ASCII byte after a lead byte is read again on its own.
            i += u(i + 1) >= 0x80 ? 2 : 1;
        }
    }
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.push_back(char(0xC0 | (c >> 6)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(char(0xE0 | (c >> 12)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (c >> 18)));
        out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

bool allAscii(std::string_view b) {
    return std::all_of(b.begin(), b.end(), [](char c) { return uint8_t(c) < 0x80; });
}

} // namespace

std::string gbkOfUtf16(std::u16string_view s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            appendGbk(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(s[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) { // a lone half of a pair is no character
            out.push_back('?');
        } else {
            appendGbk(out, c);
        }
    }
    return out;
}

std::u16string utf16OfGbk(std::string_view b) {
    std::u16string out;
    out.reserve(b.size());
    decodeGbkTo(b, [&](char32_t c) {
        if (c >= 0x10000) {
            out.push_back(char16_t(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(char16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(char16_t(c));
        }
    });
    return out;
}

std::string gbkOfUtf8(std::string_view s) {
    if (allAscii(s))
        return std::string(s);
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    auto u = [&](size_t k) { return uint8_t(s[k]); };
    auto cont = [&](size_t k) { return k < s.size() && (u(k) & 0xC0) == 0x80; };
    while (i < s.size()) {
        uint8_t c = u(i);
        char32_t ch = 0xFFFD;
        size_t n = 1;
        if (c < 0x80) {
            ch = c;
        } else if (c >= 0xC2 && c <= 0xDF && cont(i + 1)) {
            ch = char32_t(c & 0x1F) << 6 | (u(i + 1) & 0x3F);
            n = 2;
        } else if (c >= 0xE0 && c <= 0xEF && cont(i + 1) && cont(i + 2)) {
            char32_t v = char32_t(c & 0x0F) << 12 | char32_t(u(i + 1) & 0x3F) << 6 | (u(i + 2) & 0x3F);
            if (v >= 0x800 && (v < 0xD800 || v > 0xDFFF)) { // no overlong form, no surrogate
                ch = v;
                n = 3;
            }
        } else if (c >= 0xF0 && c <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            char32_t v = char32_t(c & 0x07) << 18 | char32_t(u(i + 1) & 0x3F) << 12 |
                         char32_t(u(i + 2) & 0x3F) << 6 | (u(i + 3) & 0x3F);
            if (v >= 0x10000 && v <= 0x10FFFF) {
                ch = v;
                n = 4;
            }
        }
        appendGbk(out, ch);
        i += n;
    }
    return out;
}

std::string utf8OfGbk(std::string_view b) {
    if (allAscii(b))
        return std::string(b);
    std::string out;
    out.reserve(b.size() * 3 / 2);
    decodeGbkTo(b, [&](char32_t c) { appendUtf8(out, c); });
    return out;
}

// ---------------------------------------------------------------------------------------------

Text::Text(const char* utf8) : Text(fromUtf8(utf8 ? std::string_view(utf8) : std::string_view())) {}

Text Text::fromUtf8(std::string_view utf8) {
    // A zero character ends a text.
    return fromBytes(gbkOfUtf8(utf8.substr(0, utf8.find('\0'))));
}

Text Text::fromBytes(std::string_view gbk) {
    Text t;
    t.b_.assign(gbk.substr(0, gbk.find('\0')));
    return t;
}

char* toString(const Text& t) {
    std::string s = t.toUtf8();
    char* out = new char[s.size() + 1];
    std::memcpy(out, s.c_str(), s.size() + 1);
    return out;
}

void PrintTo(const Text& t, std::ostream* os) {
    *os << '"' << t.toUtf8() << '"';
}

// ---------------------------------------------------------------------------------------------

int len(const Text& t) {
    return t.length();
}

Text left(const Text& t, int n) {
    if (n <= 0)
        return {};
    return Text::fromBytes(std::string_view(t.bytes()).substr(0, size_t(n)));
}

Text right(const Text& t, int n) {
    if (n <= 0)
        return {};
    size_t k = std::min(size_t(n), t.bytes().size());
    return Text::fromBytes(std::string_view(t.bytes()).substr(t.bytes().size() - k));
}

Text mid(const Text& t, int start, int n) {
    if (n <= 0 || start < 1 || start > t.length())
        return {};
    return Text::fromBytes(std::string_view(t.bytes()).substr(size_t(start - 1), size_t(n)));
}

namespace {
char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}
} // namespace

int find(const Text& t, const Text& what, int start, bool ignoreCase) {
    const std::string& s = t.bytes();
    const std::string& w = what.bytes();
    size_t from = start > 1 ? size_t(start - 1) : 0;
    if (from >= s.size())
        return -1;
    if (w.empty())
        return 1;
    for (size_t i = 0; i < s.size();) {
        if (i >= from && s.size() - i >= w.size()) {
            bool same = true;
            for (size_t k = 0; k < w.size() && same; ++k)
                same = ignoreCase ? asciiUpper(s[i + k]) == asciiUpper(w[k]) : s[i + k] == w[k];
            if (same)
                return int(i + 1);
        }
        i += uint8_t(s[i]) >= 0x80 ? 2 : 1;
    }
    return -1;
}

Text upper(const Text& t) {
    std::string s = t.bytes();
    for (size_t i = 0; i < s.size();) {
        if (uint8_t(s[i]) >= 0x80) {
            i += 2;
            continue;
        }
        s[i] = asciiUpper(s[i]);
        ++i;
    }
    return Text::fromBytes(s);
}

Text halfWidth(const Text& t) {
    const std::string& s = t.bytes();
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        uint8_t c = uint8_t(s[i]);
        if (c < 0x80 || i + 1 >= s.size()) {
            out.push_back(char(c));
            ++i;
            continue;
        }
        uint8_t d = uint8_t(s[i + 1]);
        if (c == 0xA3 && d >= 0xA1 && d <= 0xFE)
            out.push_back(char(d - 0x80));
        else if (c == 0xA1 && d == 0xA1)
            out.push_back(' ');
        else if (c == 0xA1 && d == 0xAB)
            out.push_back('~');
        else if (c == 0xA1 && (d == 0xEE || d == 0xEF))
            out.push_back('*');
        else {
            out.push_back(char(c));
            out.push_back(char(d));
        }
        i += 2;
    }
    return Text::fromBytes(out);
}

Text repeat(int count, const Text& t) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += t.bytes();
    return Text::fromBytes(out);
}

// ---------------------------------------------------------------------------------------------

namespace {
Text printed(const char* fmt, auto v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return Text::fromBytes(buf);
}
} // namespace

Text toText(const Text& t) {
    return t;
}
Text toText(const char* utf8) {
    return Text(utf8);
}
Text toTextFromBytes(const Bytes& b) {
    return Text::fromBytes(b);
}
Text toText(int v) {
    return printed("%d", v);
}
Text toText(long long v) {
    return printed("%lld", v);
}
Text toText(unsigned char v) {
    return printed("%u", unsigned(v));
}
Text toText(float v) {
    return printed("%.6g", double(v));
}
Text toText(double v) {
    return printed("%.13g", v);
}
Text toText(bool v) {
    return Text(v ? "真" : "假");
}
Text toText(Date d) {
    return dateText(d.value);
}

double toNumber(const Text& t) {
    const std::string s = halfWidth(t).bytes();
    size_t i = 0;
    while (i < s.size() &&
           (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n' || s[i] == '\v' || s[i] == '\f'))
        ++i;
    const size_t begin = i;
    auto digit = [&](size_t k) { return k < s.size() && s[k] >= '0' && s[k] <= '9'; };
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    size_t digits = 0;
    while (digit(i))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (digit(i))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    size_t end = i;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t k = i + 1;
        if (k < s.size() && (s[k] == '+' || s[k] == '-'))
            ++k;
        if (digit(k)) {
            while (digit(k))
                ++k;
            end = k;
        }
    }
    std::string number = s.substr(begin, end - begin);
    if (!number.empty() && number[0] == '+')
        number.erase(0, 1);
    double v = 0;
    auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), v);
    if (ec == std::errc::result_out_of_range) // overflow reads as infinity, underflow as 0
        return std::strtod(number.c_str(), nullptr);
    return ec == std::errc() ? v : 0;
}

double toNumber(const char* utf8) {
    return toNumber(Text(utf8));
}

namespace {
template <class T> Bytes littleEndian(T v) {
    Bytes out(sizeof v, '\0');
    std::memcpy(out.data(), &v, sizeof v); // x86 and ARM Linux are little-endian
    static_assert(std::endian::native == std::endian::little);
    return out;
}
} // namespace

Bytes toBytes(const Text& t) {
    return t.bytes();
}
Bytes toBytes(int v) {
    return littleEndian(v);
}
Bytes toBytes(double v) {
    return littleEndian(v);
}
Bytes toBytes(long long v) {
    return littleEndian(v);
}

} // namespace rt
