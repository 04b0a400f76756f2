// Byte semantics of GBK texts, conversions, dates and the lossless codec.
#include "runtime/datetime.h"
#include "runtime/qt/conversions.h"
#include "runtime/text.h"

#include <gtest/gtest.h>

#include <QString>

#include <cmath>
#include <set>

using rt::Text;

namespace {
std::string hex(const std::string& b) {
    std::string out;
    char buf[4];
    for (unsigned char c : b) {
        std::snprintf(buf, sizeof buf, "%02X ", c);
        out += buf;
    }
    if (!out.empty())
        out.pop_back();
    return out;
}
} // namespace

TEST(Text, ChineseCharactersAreTwoBytes) {
    EXPECT_EQ(hex(Text("姓名").bytes()), "D0 D5 C3 FB");
    EXPECT_EQ(rt::len("姓名"), 4);
    EXPECT_EQ(rt::len("GZ-00001"), 8);
    EXPECT_EQ(rt::len(""), 0);
    // A zero byte ends a text taken from bytes.
    EXPECT_EQ(Text::fromBytes(std::string("ab\0cd", 5)).bytes(), "ab");
}

TEST(Text, LeftRightMiddleCountBytes) {
    const Text company("公司名称");
    EXPECT_EQ(rt::left(company, 3).bytes(), company.bytes().substr(0, 3)); // one and a half characters
    EXPECT_EQ(rt::left(company, 4), Text("公司"));
    EXPECT_EQ(rt::left(company, 0), Text());
    EXPECT_EQ(rt::left(company, -1), Text());
    EXPECT_EQ(rt::left(company, 100), company);
    EXPECT_EQ(rt::right(Text("GZ-00007"), 5), Text("00007"));
    EXPECT_EQ(rt::right(company, 2), Text("称"));
    EXPECT_EQ(rt::right(company, 99), company);
    EXPECT_EQ(rt::right(company, 0), Text());
    EXPECT_EQ(rt::mid("abcdef", 2, 3), Text("bcd"));
    EXPECT_EQ(rt::mid("abcdef", 5, 10), Text("ef"));
    EXPECT_EQ(rt::mid("abcdef", 0, 2), Text());
    EXPECT_EQ(rt::mid("abcdef", 7, 1), Text());
    EXPECT_EQ(rt::mid("abcdef", 6, 1), Text("f"));
    EXPECT_EQ(rt::mid("abcdef", 2, 0), Text());
}

TEST(Text, FindWalksCharactersNotBytes) {
    EXPECT_EQ(rt::find("ab", "b"), 2);
    EXPECT_EQ(rt::find("ab", "b", 3), -1);
    EXPECT_EQ(rt::find("", ""), -1);
    EXPECT_EQ(rt::find("abc", ""), 1);
    EXPECT_EQ(rt::find("abc", "", 4), -1);
    EXPECT_EQ(rt::find("abcabc", "bc", 3), 5);
    EXPECT_EQ(rt::find("abc", "x"), -1);
    EXPECT_EQ(rt::find("abc", "abcd"), -1);
    // 中文 is D6 D0 CE C4: the bytes D0 CE straddle two characters and must not be found.
    const Text zw("中文");
    EXPECT_EQ(rt::find(zw, Text::fromBytes("\xD0\xCE")), -1);
    EXPECT_EQ(rt::find(zw, "文"), 3);
    // A start position on a trail byte does not make the walk start there.
    EXPECT_EQ(rt::find(zw, Text::fromBytes("\xD0\xCE"), 2), -1);
    EXPECT_EQ(rt::find(zw, "文", 2), 3);
    // 丂 is 81 40: its trail byte is "@", which is no match of its own.
    EXPECT_EQ(hex(Text("丂").bytes()), "81 40");
    EXPECT_EQ(rt::find("丂@", "@"), 3);
    EXPECT_EQ(rt::find("姓名ABC", "abc", 1, true), 5);
    EXPECT_EQ(rt::find("姓名ABC", "abc"), -1);
}

TEST(Text, UpperHalfWidthRepeat) {
    EXPECT_EQ(rt::upper("abc中文xyz"), Text("ABC中文XYZ"));
    // 乤 is 81 61: its trail byte is "a" and stays as it is.
    EXPECT_EQ(hex(Text("乤").bytes()), "81 61");
    EXPECT_EQ(rt::upper("乤a"), Text("乤A"));
    EXPECT_EQ(rt::halfWidth("１２ＡＢ！"), Text("12AB!"));
    EXPECT_EQ(rt::halfWidth("a　b"), Text("a b"));
    EXPECT_EQ(rt::halfWidth("中文"), Text("中文"));
    EXPECT_EQ(rt::halfWidth(Text::fromBytes("\xA1\xAB\xA1\xEE\xA1\xEF")), Text("~**"));
    EXPECT_EQ(rt::repeat(3, "0"), Text("000"));
    EXPECT_EQ(rt::repeat(-2, "0"), Text());
    EXPECT_EQ(rt::repeat(2, "中"), Text("中中"));
}

TEST(Text, ToText) {
    EXPECT_EQ(rt::toText(42), Text("42"));
    EXPECT_EQ(rt::toText(-7), Text("-7"));
    EXPECT_EQ(rt::toText(9000000000LL), Text("9000000000"));
    EXPECT_EQ(rt::toText(static_cast<unsigned char>(200)), Text("200"));
    EXPECT_EQ(rt::toText(0.1), Text("0.1"));
    EXPECT_EQ(rt::toText(1.0 / 3), Text("0.3333333333333"));
    EXPECT_EQ(rt::toText(1e20), Text("1e+20"));
    EXPECT_EQ(rt::toText(1.0f / 3), Text("0.333333"));
    EXPECT_EQ(rt::toText(true), Text("真"));
    EXPECT_EQ(rt::toText(false), Text("假"));
    EXPECT_EQ(rt::toTextFromBytes(std::string("ab\0c", 4)), Text("ab"));
    EXPECT_EQ(rt::toText(rt::Date{rt::makeDate(2010, 7, 20)}), Text("2010年7月20日"));
}

TEST(Text, ToNumber) {
    EXPECT_DOUBLE_EQ(rt::toNumber("  12.5abc"), 12.5);
    EXPECT_DOUBLE_EQ(rt::toNumber("１２"), 12);
    EXPECT_DOUBLE_EQ(rt::toNumber("　１２"), 12); // ideographic space is a blank after half width
    EXPECT_DOUBLE_EQ(rt::toNumber("abc"), 0);
    EXPECT_DOUBLE_EQ(rt::toNumber(""), 0);
    EXPECT_DOUBLE_EQ(rt::toNumber("-3e2x"), -300);
    EXPECT_DOUBLE_EQ(rt::toNumber("1e"), 1);
    EXPECT_DOUBLE_EQ(rt::toNumber("1e+"), 1);
    EXPECT_DOUBLE_EQ(rt::toNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(rt::toNumber("+7"), 7);
    EXPECT_DOUBLE_EQ(rt::toNumber("-"), 0);
    EXPECT_DOUBLE_EQ(rt::toNumber("."), 0);
    EXPECT_DOUBLE_EQ(rt::toNumber("0x10"), 0);
    EXPECT_DOUBLE_EQ(rt::toNumber("12-3"), 12);
    EXPECT_TRUE(std::isinf(rt::toNumber("1e999")));
    EXPECT_DOUBLE_EQ(rt::toNumber(true), 1);
    EXPECT_DOUBLE_EQ(rt::toNumber(rt::Date{40000}), 0);
}

TEST(Text, ToBytes) {
    EXPECT_EQ(hex(rt::toBytes(1)), "01 00 00 00");
    EXPECT_EQ(hex(rt::toBytes(-2)), "FE FF FF FF");
    EXPECT_EQ(hex(rt::toBytes(1.0)), "00 00 00 00 00 00 F0 3F");
    EXPECT_EQ(rt::toBytes(Text("姓名")), Text("姓名").bytes());
}

TEST(Dates, TextForm) {
    EXPECT_EQ(rt::dateText(0), Text("1899年12月30日"));
    EXPECT_EQ(rt::dateText(rt::makeDate(2010, 5, 24)), Text("2010年5月24日"));
    EXPECT_EQ(rt::dateText(rt::makeDate(2010, 5, 24, 8, 30, 0)), Text("2010年5月24日8时30分"));
    EXPECT_EQ(rt::dateText(rt::makeDate(2010, 5, 24, 8, 0, 0)), Text("2010年5月24日8时"));
    EXPECT_EQ(rt::dateText(rt::makeDate(2010, 7, 20, 16, 7, 26)), Text("2010年7月20日16时7分26秒"));
    EXPECT_EQ(rt::dateText(rt::makeDate(2010, 7, 20, 0, 0, 5)), Text("2010年7月20日0时0分5秒"));
    EXPECT_EQ(rt::dateText(rt::makeDate(2010, 7, 5)), Text("2010年7月5日"));
}

TEST(Dates, PartsAndClamping) {
    const double d = rt::makeDate(2010, 5, 24, 8, 30, 15);
    EXPECT_EQ(rt::weekday(d), 2); // Monday
    EXPECT_EQ(rt::weekday(rt::makeDate(2010, 5, 23)), 1);
    EXPECT_EQ(rt::weekday(rt::makeDate(2010, 5, 29)), 7);
    EXPECT_EQ(rt::hour(d), 8);
    EXPECT_EQ(rt::minute(d), 30);
    EXPECT_EQ(rt::second(d), 15);
    EXPECT_DOUBLE_EQ(rt::datePart(d), rt::makeDate(2010, 5, 24));
    EXPECT_DOUBLE_EQ(rt::makeDate(2010, 5, 24), 40322);
    // Negative dates count the time forward from their day's midnight.
    EXPECT_EQ(rt::dateText(-1.25), Text("1899年12月29日6时"));
    EXPECT_DOUBLE_EQ(rt::datePart(-1.25), -1);
    // Out of range values are clamped to 0100-01-01 .. 9999-12-31.
    EXPECT_EQ(rt::dateText(1e9), Text("9999年12月31日"));
    EXPECT_EQ(rt::dateText(-1e9), Text("100年1月1日"));
    EXPECT_EQ(rt::dateText(NAN), Text("1899年12月30日"));
    // Rounded to the nearest second, carrying into the next day.
    EXPECT_EQ(rt::dateText(rt::makeDate(2010, 5, 24) + 0.9999999999), Text("2010年5月25日"));
}

TEST(Dates, NowHasWholeSeconds) {
    const double n = rt::now();
    const double seconds = n * 86400.0;
    EXPECT_NEAR(seconds, std::round(seconds), 1e-3);
    EXPECT_GT(rt::year(n), 2020);
    EXPECT_EQ(rt::fromQDateTime(rt::toQDateTime(n)), n);
}

// ---- lossless codec ----

TEST(Codec, CharactersOutside936RoundTrip) {
    const QString samples[] = {QStringLiteral("𠀀"), QStringLiteral("😀"), QStringLiteral("ﬀ"),
                               QStringLiteral("Ω∑€中文"), QStringLiteral("é")};
    for (const QString& s : samples) {
        const std::string bytes = rt::encodeGbk(s);
        EXPECT_EQ(rt::decodeGbk(bytes), s) << s.toStdString();
        EXPECT_EQ(bytes.find('?'), std::string::npos) << s.toStdString();
    }
    EXPECT_EQ(hex(rt::encodeGbk(QStringLiteral("€"))), "80");
    // U+20000 is 95 32 82 36 in GB18030; that is no sequence of 936.
    EXPECT_EQ(hex(rt::encodeGbk(QStringLiteral("𠀀"))), "95 32 82 36");
    // Two passwords that the plain GBK encoder would both turn into "??".
    EXPECT_NE(Text(QStringLiteral("😀")), Text(QStringLiteral("😁")));
    EXPECT_EQ(Text(QStringLiteral("😀")).toQString(), QStringLiteral("😀"));
}

TEST(Codec, EveryBmpCharacterRoundTripsAndIsUnique) {
    std::set<std::string> seen;
    for (char32_t c = 1; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const QString s = QString::fromUcs4(&c, 1);
        const std::string b = rt::encodeGbk(s);
        ASSERT_EQ(rt::decodeGbk(b), s) << "U+" << std::hex << unsigned(c) << " -> " << hex(b);
        ASSERT_TRUE(seen.insert(b).second) << "U+" << std::hex << unsigned(c);
        if (b.size() == 4) { // the four-byte form is never valid 936
            ASSERT_TRUE(uint8_t(b[1]) >= 0x30 && uint8_t(b[1]) <= 0x39);
        }
    }
}

TEST(Codec, SupplementaryPlanesRoundTrip) {
    for (char32_t c = 0x10000; c <= 0x10FFFF; c += 97) {
        const QString s = QString::fromUcs4(&c, 1);
        const std::string b = rt::encodeGbk(s);
        ASSERT_EQ(b.size(), 4u);
        ASSERT_EQ(rt::decodeGbk(b), s) << "U+" << std::hex << unsigned(c);
    }
}

TEST(Codec, DamagedBytesDecodeWithoutHarm) {
    EXPECT_EQ(rt::decodeGbk("\xD0"), QString(QChar::ReplacementCharacter));
    EXPECT_EQ(rt::decodeGbk("\xFF"
                            "a"),
              QString(QChar::ReplacementCharacter) + QLatin1Char('a'));
    // A lead byte before an ASCII byte that is no trail: the ASCII byte is read on its own.
    EXPECT_EQ(rt::decodeGbk("\x81 x"), QString(QChar::ReplacementCharacter) + QStringLiteral(" x"));
    // A broken four-byte sequence.
    EXPECT_EQ(rt::decodeGbk("\x81\x30\x20"), QString(QChar::ReplacementCharacter) + QStringLiteral("0 "));
    // A lone half of a surrogate pair is no character.
    EXPECT_EQ(rt::encodeGbk(QString(QChar(0xD800))), "?");
    // Qt strings may hold U+0000: the text ends there.
    EXPECT_EQ(Text(QString::fromUtf16(u"ab\0cd", 5)), Text("ab"));
}

// The codec without Qt: byte counts in code page 936 from UTF-8 and UTF-16, and back.
TEST(Codec, ByteCountsFromUtf8AndUtf16) {
    struct Case {
        const char* utf8;
        int bytes;
    } cases[] = {
        {"GZ-1", 4},                // ASCII: one byte each
        {"工作时间", 8},            // 936: two bytes each
        {"€", 1},                   // the euro sign is 0x80
        {"\xEF\xBB\xBF", 4},        // U+FEFF is a character like any other: four bytes
        {"😀a", 5},                 // outside 936: four bytes
        {"\xE4\xB8", 8},            // a cut UTF-8 sequence: each byte is U+FFFD (four bytes)
        {"\xED\xA0\x80", 12},       // an encoded surrogate is no character: three times U+FFFD
    };
    for (const Case& c : cases) {
        const Text t = Text::fromUtf8(c.utf8);
        EXPECT_EQ(rt::len(t), c.bytes) << c.utf8;
        EXPECT_EQ(rt::gbkOfUtf16(t.toUtf16()), t.bytes()) << c.utf8;
    }
    for (const char* valid : {"GZ-1", "工作时间", "€", "\xEF\xBB\xBF", "😀a"})
        EXPECT_EQ(Text::fromUtf8(valid).toUtf8(), valid);
    EXPECT_EQ(hex(rt::gbkOfUtf8("\xEF\xBB\xBF")), "84 31 95 33");
    EXPECT_EQ(rt::utf16OfGbk("\x84\x31\x95\x33"), u"\uFEFF");
    EXPECT_EQ(rt::gbkOfUtf16(u"a\xDC00" "b"), "a?b"); // a lone half of a pair
    EXPECT_EQ(rt::utf8OfGbk("\xE3\x32\x9A\x36"), "\xEF\xBF\xBD"); // past U+10FFFF
}
