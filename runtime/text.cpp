#include "runtime/text.h"
#include "runtime/datetime.h"

#include <QStringDecoder>
#include <QStringEncoder>

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
// Code page 936 tables, built once from ICU's "GBK" converter (which equals windows-936 on every
// one- and two-byte sequence). Characters outside 936 go through ICU's GB18030 converter.

namespace {

struct Cp936 {
    // Two-byte sequences: lead 0x81..0xFE, trail 0x40..0xFE; 0 = not a character.
    char16_t toUnicode[126][191] = {};
    // Unicode (BMP) to 936: 0 = none, < 0x100 a single byte (only 0x80), else lead << 8 | trail.
    std::unique_ptr<uint16_t[]> fromUnicode{new uint16_t[65536]()};

    Cp936() {
        QStringDecoder dec("GBK");
        QStringEncoder enc("GBK");
        auto add = [&](char16_t c, uint16_t code) {
            uint16_t& slot = fromUnicode[c];
            if (slot == 0) {
                slot = code;
                return;
            }
            // Two sequences for one character: keep the one the 936 encoder itself writes.
            QByteArray e = enc.encode(QStringView(&c, 1));
            enc.resetState();
            if (e.size() == 2 && ((uint8_t(e[0]) << 8) | uint8_t(e[1])) == code)
                slot = code;
        };
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                if (trail == 0x7F)
                    continue;
                const char b[2] = {char(lead), char(trail)};
                QString s = dec.decode(QByteArrayView(b, 2));
                dec.resetState();
                if (s.size() != 1 || s[0] == QChar::ReplacementCharacter)
                    continue;
                toUnicode[lead - 0x81][trail - 0x40] = s[0].unicode();
                add(s[0].unicode(), uint16_t(lead << 8 | trail));
            }
        }
        fromUnicode[0x20AC] = 0x80; // the euro sign is the single byte 0x80 in 936
    }

    char16_t pair(uint8_t lead, uint8_t trail) const {
        if (lead < 0x81 || lead > 0xFE || trail < 0x40 || trail > 0xFE || trail == 0x7F)
            return 0;
        return toUnicode[lead - 0x81][trail - 0x40];
    }
};

const Cp936& cp936() {
    static const Cp936 table;
    return table;
}

QByteArray gb18030Encode(char32_t c) {
    QStringEncoder enc("GB18030");
    return enc.encode(QString::fromUcs4(&c, 1));
}

QString gb18030Decode(std::string_view b) {
    QStringDecoder dec("GB18030");
    return dec.decode(QByteArrayView(b.data(), qsizetype(b.size())));
}

bool isFourByte(const QByteArray& e) {
    return e.size() == 4 && uint8_t(e[0]) >= 0x81 && uint8_t(e[0]) <= 0xFE && uint8_t(e[1]) >= 0x30 &&
           uint8_t(e[1]) <= 0x39 && uint8_t(e[2]) >= 0x81 && uint8_t(e[2]) <= 0xFE && uint8_t(e[3]) >= 0x30 &&
           uint8_t(e[3]) <= 0x39;
}

// The four-byte form of a character that 936 does not have. GB18030 gives a few such characters a
// two-byte sequence that 936 uses for another character (a private-use one); those swap places
// with that character, which then never needs its own GB18030 form because 936 has it.
void appendFourByte(std::string& out, char32_t c) {
    QByteArray e = gb18030Encode(c);
    if (e.size() == 2) {
        char16_t other = cp936().pair(uint8_t(e[0]), uint8_t(e[1]));
        if (other != 0)
            e = gb18030Encode(other);
    }
    if (isFourByte(e))
        out.append(e.constData(), 4);
    else
        out.push_back('?');
}

void appendDecodedFourByte(QString& out, std::string_view seq) {
    QString s = gb18030Decode(seq);
    if (s.size() == 1 && cp936().fromUnicode[s[0].unicode()] >= 0x100) {
        // The swapped case of appendFourByte: give back the character GB18030 writes with the
        // two-byte sequence that 936 uses for this one.
        uint16_t code = cp936().fromUnicode[s[0].unicode()];
        const char two[2] = {char(code >> 8), char(code & 0xFF)};
        s = gb18030Decode(std::string_view(two, 2));
    }
    if (s.isEmpty())
        s = QString(QChar::ReplacementCharacter);
    out += s;
}

} // namespace

std::string encodeGbk(QStringView s) {
    const Cp936& t = cp936();
    std::string out;
    out.reserve(size_t(s.size()) * 2);
    for (qsizetype i = 0; i < s.size(); ++i) {
        char16_t c = s[i].unicode();
        if (c < 0x80) {
            out.push_back(char(c));
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < s.size() && QChar::isLowSurrogate(s[i + 1].unicode())) {
            appendFourByte(out, QChar::surrogateToUcs4(c, s[i + 1].unicode()));
            ++i;
            continue;
        }
        if (QChar::isSurrogate(c)) { // a lone half of a pair is no character
            out.push_back('?');
            continue;
        }
        uint16_t code = t.fromUnicode[c];
        if (code >= 0x100) {
            out.push_back(char(code >> 8));
            out.push_back(char(code & 0xFF));
        } else if (code != 0) {
            out.push_back(char(code));
        } else {
            appendFourByte(out, c);
        }
    }
    return out;
}

QString decodeGbk(std::string_view b) {
    if (std::all_of(b.begin(), b.end(), [](char c) { return uint8_t(c) < 0x80; }))
        return QString::fromLatin1(b.data(), qsizetype(b.size()));
    const Cp936& t = cp936();
    QString out;
    out.reserve(qsizetype(b.size()));
    size_t i = 0;
    auto u = [&](size_t k) { return uint8_t(b[k]); };
    while (i < b.size()) {
        uint8_t c = u(i);
        if (c < 0x80) {
            out += QChar(c);
            ++i;
        } else if (c == 0x80) {
            out += QChar(0x20AC);
            ++i;
        } else if (c == 0xFF || i + 1 >= b.size()) {
            out += QChar::ReplacementCharacter;
            ++i;
        } else if (u(i + 1) >= 0x30 && u(i + 1) <= 0x39) {
            if (i + 3 < b.size() && u(i + 2) >= 0x81 && u(i + 2) <= 0xFE && u(i + 3) >= 0x30 &&
                u(i + 3) <= 0x39) {
                appendDecodedFourByte(out, b.substr(i, 4));
                i += 4;
            } else {
                out += QChar::ReplacementCharacter;
                ++i;
            }
        } else if (char16_t ch = t.pair(c, u(i + 1))) {
            out += QChar(ch);
            i += 2;
        } else {
            out += QChar::ReplacementCharacter;
            // An ASCII byte after a lead byte is read again on its own.
            i += u(i + 1) >= 0x80 ? 2 : 1;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------------

Text::Text(const char* utf8) : Text(fromUtf8(utf8 ? std::string_view(utf8) : std::string_view())) {}

Text::Text(const QString& s) : b_(encodeGbk(s)) {
    // Qt strings may hold U+0000; a text ends there.
    b_.resize(std::strlen(b_.c_str()));
}

Text Text::fromUtf8(std::string_view utf8) {
    return Text(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
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
