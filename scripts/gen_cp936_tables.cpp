// Writes runtime/cp936_tables.inc, the tables of the runtime's text codec, from Qt's ICU converters
// ("GBK", which equals windows-936 on every one- and two-byte sequence, and "GB18030"). Not part of
// the build; run by hand when the tables are to be made again:
//   g++ -std=c++20 -fPIC $(pkg-config --cflags Qt6Core) scripts/gen_cp936_tables.cpp
//       $(pkg-config --libs Qt6Core) -o /tmp/gen && /tmp/gen > runtime/cp936_tables.inc
// The converters drop a byte order mark, so U+FEFF is given its GB18030 form (84 31 95 33) by hand.
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace icu936 {

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

} // namespace icu936

namespace {
struct Run { long from, to, count; };
std::vector<Run> runsOf(const std::vector<std::pair<long, long>>& pairs) {
    std::vector<Run> runs;
    for (auto [a, b] : pairs) {
        if (!runs.empty() && runs.back().from + runs.back().count == a && runs.back().to + runs.back().count == b)
            ++runs.back().count;
        else
            runs.push_back({a, b, 1});
    }
    return runs;
}
long linearOf(const std::string& b) {
    auto u = [&](int i) { return long(uint8_t(b[size_t(i)])); };
    return (((u(0) - 0x81) * 10 + (u(1) - 0x30)) * 126 + (u(2) - 0x81)) * 10 + (u(3) - 0x30);
}
} // namespace

int main() {
    std::printf("// Generated by scripts/gen_cp936_tables.cpp from the ICU converters \"GBK\" and \"GB18030\"; do not edit.\n");
    // 1. Two-byte sequences of 936: lead 0x81..0xFE, trail 0x40..0xFE (0x7F none); 0 = no character.
    std::printf("static const char16_t kPairs[126 * 191] = {\n");
    int col = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            unsigned v = 0;
            if (trail != 0x7F) {
                const char b[2] = {char(lead), char(trail)};
                QString s = icu936::decodeGbk(std::string_view(b, 2));
                if (s.size() == 1 && s[0] != QChar(0xFFFD))
                    v = s[0].unicode();
            }
            std::printf("0x%04X,%s", v, ++col % 12 == 0 ? "\n" : "");
        }
    std::printf("};\n");
    // 2. A character with more than one sequence: 936 writes the first one (the runtime relies on it).
    std::vector<int> firstCode(65536, 0);
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const char b[2] = {char(lead), char(trail)};
            QString s = icu936::decodeGbk(std::string_view(b, 2));
            if (s.size() == 1 && s[0] != QChar(0xFFFD) && firstCode[s[0].unicode()] == 0)
                firstCode[s[0].unicode()] = lead << 8 | trail;
        }
    int preferred = 0;
    for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string e = icu936::encodeGbk(QString::fromUcs4(&c, 1));
        if (e.size() == 2 && ((uint8_t(e[0]) << 8) | uint8_t(e[1])) != firstCode[c]) {
            ++preferred;
        }
        if (e.size() == 1 && c != 0x20AC) { std::fprintf(stderr, "unexpected single byte U+%04X\n", unsigned(c)); return 1; }
        if (e.size() == 2 && firstCode[c] == 0) { std::fprintf(stderr, "unexpected pair U+%04X\n", unsigned(c)); return 1; }
    }
    if (preferred != 0) { std::fprintf(stderr, "%d characters prefer a later sequence\n", preferred); return 1; }
    // 3. The BMP characters 936 lacks, in GB18030's four-byte form: runs of (character, linear index).
    std::vector<std::pair<long, long>> enc;
    for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string e = icu936::encodeGbk(QString::fromUcs4(&c, 1));
        if (c == 0xFEFF) // Qt's converters drop a byte order mark; GB18030 writes it 84 31 95 33
            e = "\x84\x31\x95\x33";
        if (e.size() == 4) enc.push_back({long(c), linearOf(e)});
        else if (e.size() != 2 && c != 0x20AC) { std::fprintf(stderr, "odd U+%04X\n", unsigned(c)); return 1; }
    }
    std::printf("static const FourByteRun kEncodeRuns[] = {\n");
    auto er = runsOf(enc);
    for (auto& r : er) std::printf("{0x%04lX, %ld, %ld},\n", r.from, r.to, r.count);
    std::printf("};\n");
    // 4. Four-byte sequences below the supplementary planes: runs of (linear index, character).
    std::vector<std::pair<long, long>> dec;
    for (long lin = 0; lin < 189000; ++lin) {
        long l = lin;
        char b[4];
        b[3] = char(0x30 + l % 10); l /= 10;
        b[2] = char(0x81 + l % 126); l /= 126;
        b[1] = char(0x30 + l % 10); l /= 10;
        b[0] = char(0x81 + l);
        QString s = icu936::decodeGbk(std::string_view(b, 4));
        if (lin == 39263) // 84 31 95 33, see above
            s = QString(QChar(0xFEFF));
        if (s.size() != 1) { std::fprintf(stderr, "odd decode %ld\n", lin); return 1; }
        if (s[0] != QChar(0xFFFD)) dec.push_back({lin, long(s[0].unicode())});
    }
    std::printf("static const FourByteRun kDecodeRuns[] = {\n");
    auto dr = runsOf(dec);
    for (auto& r : dr) std::printf("{%ld, 0x%04lX, %ld},\n", r.from, r.to, r.count);
    std::printf("};\n");
    std::fprintf(stderr, "preferred %d, encode runs %zu, decode runs %zu\n", preferred, er.size(), dr.size());
}
