// Value and text codecs: compressed text in both modes, the Access date rule, exact number
// forms, and the encode direction against the decode direction.
#include "jet/codec.h"
#include "jet/datetext.h"
#include "jet/tabledef.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

using jet::Bytes;
using jet::ByteView;

namespace {
ByteView view(const Bytes& b) {
    return ByteView(b.data(), b.size());
}

jet::ColumnDef column(jet::ColumnType type, uint16_t size = 0, uint8_t flags = jet::kColumnNullable) {
    jet::ColumnDef c;
    c.name = std::u16string(1, u'c');
    c.type = type;
    c.size = size ? size : uint16_t(jet::fixedSizeOf(type));
    c.flags = flags;
    return c;
}
} // namespace

TEST(Text, PlainAndCompressedForms) {
    EXPECT_EQ(*jet::decodeText(view({'A', 0, 0x2D, 0x4E})), u"A中");
    EXPECT_EQ(*jet::decodeText(view({})), u"");
    EXPECT_EQ(*jet::decodeText(view({0xFF, 0xFE})), u"");
    EXPECT_EQ(*jet::decodeText(view({0xFF, 0xFE, 'a', 'b', 'c'})), u"abc");
    // 1-byte run, switch, 2-byte run, switch back: as Access writes Chinese among Latin text.
    EXPECT_EQ(*jet::decodeText(view({0xFF, 0xFE, 'x', 0x00, 0x2D, 0x4E, 0x87, 0x65, 0x00, 'y'})), u"x中文y");
    // A value may end in the 2-byte mode.
    EXPECT_EQ(*jet::decodeText(view({0xFF, 0xFE, 0x00, 0x2D, 0x4E})), u"中");
}

TEST(Text, DamagedTextIsAnError) {
    for (const Bytes& b : {Bytes{'A', 0, 'B'}, Bytes{0xFF, 0xFE, 0x00, 0x2D}}) {
        auto t = jet::decodeText(view(b));
        ASSERT_FALSE(t);
        EXPECT_EQ(t.error().kind, jet::ErrorKind::Corrupt);
    }
}

TEST(Text, EncodingRoundTripsAndCompressesOnlyWhenItCan) {
    const std::u16string samples[] = {
        u"",        u"a",      u"hello world", u"中文", u"abc中文def", u"x中y",
        u"中abc文", u"一二三", u"AA\0AA",      u"€uro", u"😀 ok",       std::u16string(300, u'z'),
    };
    for (const auto& s : samples) {
        for (bool compress : {false, true}) {
            const Bytes b = jet::encodeText(s, compress);
            auto back = jet::decodeText(view(b));
            ASSERT_TRUE(back) << jet::toUtf8(s);
            EXPECT_EQ(*back, s) << jet::toUtf8(s);
            EXPECT_LE(b.size(), s.size() * 2);
            if (!compress) {
                EXPECT_EQ(b.size(), s.size() * 2);
            }
        }
    }
    EXPECT_EQ(jet::encodeText(u"hello", true).size(), 7u); // FF FE + 5 bytes
    // U+4E00 has a zero low byte, which would read as a switch: stays plain.
    EXPECT_EQ(jet::encodeText(u"abcd一", true), jet::encodeText(u"abcd一", false));
    // U+0000 has no compressed form.
    EXPECT_EQ(jet::encodeText(std::u16string(u"abc\0def", 7), true).size(), 14u);
}

TEST(Dates, AccessRuleForNegativeDayNumbers) {
    auto text = [](double d) { return jet::formatDateTime(jet::DateTime{d}); };
    EXPECT_EQ(text(0), "1899-12-30 00:00:00");
    EXPECT_EQ(text(1.25), "1899-12-31 06:00:00");
    EXPECT_EQ(text(-1.25), "1899-12-29 06:00:00"); // not 1899-12-28 18:00
    EXPECT_EQ(text(-1.1), "1899-12-29 02:24:00");
    EXPECT_EQ(text(-0.5), "1899-12-30 12:00:00");
    EXPECT_EQ(text(-94.430034344999996), "1899-09-27 10:19:15");
    EXPECT_EQ(text(36526.999999999), "2000-01-02 00:00:00"); // rounds into the next day
    EXPECT_EQ(text(2958465.9999884), "9999-12-31 23:59:59");
    EXPECT_EQ(text(-657434), "0100-01-01 00:00:00");
    // Outside the years Access can show: the number itself.
    EXPECT_EQ(text(-700000), "-7e+05"); // shortest form
    EXPECT_EQ(text(1e300), "1e+300");
    EXPECT_EQ(text(std::numeric_limits<double>::quiet_NaN()), "NaN");
}

TEST(Dates, MakeIsTheInverseOfSplit) {
    for (double d : {0.0, 1.5, -1.25, -1.75, 38487.25, -34534.0, 2958465.5, -657434.0}) {
        const jet::DateParts t = jet::splitDate(d);
        const auto back = jet::makeDate(t);
        ASSERT_TRUE(back) << d;
        EXPECT_DOUBLE_EQ(*back, d) << d;
    }
    const jet::DateParts t{2024, 2, 29, 13, 5, 9};
    EXPECT_EQ(jet::splitDate(*jet::makeDate(t)), t);
}

TEST(Numbers, ShortestRoundTripForms) {
    for (double d : {0.1, 1.0 / 3, 1234.567, -2.2250738585072014e-308, 1.7976931348623157e308, 5e-324}) {
        const std::string s = jet::formatDouble(d);
        EXPECT_EQ(std::strtod(s.c_str(), nullptr), d) << s;
    }
    EXPECT_EQ(jet::formatDouble(1.7976931348623157e308), "1.7976931348623157e+308");
    EXPECT_EQ(jet::formatDouble(0.1), "0.1");
    EXPECT_EQ(jet::formatDouble(-std::numeric_limits<double>::infinity()), "-Infinity");
    EXPECT_EQ(jet::formatFloat(1234.123f), "1234.123");
    EXPECT_EQ(jet::formatFloat(-3.40282e+38f), "-3.40282e+38");
}

TEST(Numbers, CurrencyAndDecimalAreExact) {
    EXPECT_EQ(jet::formatCurrency({123456}), "12.3456");
    EXPECT_EQ(jet::formatCurrency({-5000}), "-0.5000");
    EXPECT_EQ(jet::formatCurrency({0}), "0.0000");
    EXPECT_EQ(jet::formatCurrency({std::numeric_limits<int64_t>::min()}), "-922337203685477.5808");

    jet::Decimal d;
    d.scale = 10;
    d.magnitude = {0xA630F34E, 0x01B69B4B, 0}; // 123456789012345678
    EXPECT_EQ(jet::formatDecimal(d), "12345678.9012345678");
    d.negative = true;
    EXPECT_EQ(jet::formatDecimal(d), "-12345678.9012345678");
    d.magnitude = {5, 0, 0};
    d.scale = 3;
    EXPECT_EQ(jet::formatDecimal(d), "-0.005");
    d.magnitude = {0, 0, 0};
    EXPECT_EQ(jet::formatDecimal(d), "0.000"); // no sign on zero
    d.scale = 0;
    d.negative = false;
    d.magnitude = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    EXPECT_EQ(jet::formatDecimal(d), "79228162514264337593543950335");
}

TEST(Numbers, GuidAndHexForms) {
    jet::Guid g;
    for (int i = 0; i < 16; ++i)
        g.bytes[size_t(i)] = uint8_t(i);
    EXPECT_EQ(jet::formatGuid(g), "{03020100-0504-0706-0809-0A0B0C0D0E0F}");
    EXPECT_EQ(jet::formatHex(view({0x00, 0xAB, 0x10})), "00AB10");
}

TEST(Scalars, EveryTypeRoundTripsThroughItsBytes) {
    jet::Decimal dec;
    dec.negative = true;
    dec.precision = 18;
    dec.scale = 4;
    dec.magnitude = {123456, 7, 0};
    jet::Guid guid;
    guid.bytes[0] = 0xAB;
    guid.bytes[15] = 0xCD;
    struct Case {
        jet::ColumnDef col;
        jet::Value v;
    } cases[] = {
        {column(jet::ColumnType::Byte), uint8_t(255)},
        {column(jet::ColumnType::Integer), int16_t(-32768)},
        {column(jet::ColumnType::Long), int32_t(-123456789)},
        {column(jet::ColumnType::Currency), jet::Currency{-922337203685477580}},
        {column(jet::ColumnType::Single), 1.5f},
        {column(jet::ColumnType::Double), -1e-300},
        {column(jet::ColumnType::DateTime), jet::DateTime{-1.25}},
        {column(jet::ColumnType::GUID), guid},
        {column(jet::ColumnType::Text, 20), std::u16string(u"中文 abc")},
        {column(jet::ColumnType::Text, 20, jet::kColumnNullable), std::u16string(u"plain")},
        {column(jet::ColumnType::Binary, 10), jet::Bytes{0, 1, 2, 0}},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(jet::columnTypeName(c.col.type));
        auto b = jet::encodeScalar(c.col, c.v);
        ASSERT_TRUE(b) << b.error().message;
        auto back = jet::decodeScalar(c.col, view(*b));
        ASSERT_TRUE(back) << back.error().message;
        EXPECT_EQ(*back, c.v);
    }
    auto numeric = column(jet::ColumnType::Numeric);
    numeric.precision = 18;
    numeric.scale = 4;
    auto b = jet::encodeScalar(numeric, dec);
    ASSERT_TRUE(b);
    EXPECT_EQ(*jet::decodeScalar(numeric, view(*b)), jet::Value(dec));
}

TEST(Scalars, EncodingChecksTypeAndLength) {
    auto e1 = jet::encodeScalar(column(jet::ColumnType::Long), jet::Value(int16_t(1)));
    ASSERT_FALSE(e1);
    EXPECT_EQ(e1.error().kind, jet::ErrorKind::Invalid);
    auto e2 = jet::encodeScalar(column(jet::ColumnType::Text, 6), jet::Value(std::u16string(u"four")));
    ASSERT_FALSE(e2);
    EXPECT_EQ(e2.error().kind, jet::ErrorKind::Invalid);
    // Fixed text is padded with blanks, fixed binary with zero bytes.
    auto fixedText = column(jet::ColumnType::Text, 8, jet::kColumnFixed);
    auto e3 = jet::encodeScalar(fixedText, jet::Value(std::u16string(u"ab")));
    ASSERT_TRUE(e3);
    EXPECT_EQ(*jet::decodeScalar(fixedText, view(*e3)), jet::Value(std::u16string(u"ab  ")));
    auto fixedBin = column(jet::ColumnType::Binary, 4, jet::kColumnFixed);
    EXPECT_EQ(*jet::encodeScalar(fixedBin, jet::Value(jet::Bytes{7})), (jet::Bytes{7, 0, 0, 0}));
    auto numeric = column(jet::ColumnType::Numeric);
    numeric.scale = 2;
    EXPECT_FALSE(jet::encodeScalar(numeric, jet::Value(jet::Decimal{})));
}

TEST(Scalars, DecodingRefusesWhatTheBytesCannotMean) {
    auto wrongLength = jet::decodeScalar(column(jet::ColumnType::Long), view({1, 2, 3}));
    ASSERT_FALSE(wrongLength);
    EXPECT_EQ(wrongLength.error().kind, jet::ErrorKind::Corrupt);
    Bytes num(17, 0);
    num[0] = 0x40; // neither positive nor negative
    EXPECT_EQ(jet::decodeScalar(column(jet::ColumnType::Numeric), view(num)).error().kind,
              jet::ErrorKind::Corrupt);
    num[0] = 0;
    num[1] = 1; // beyond 28 digits
    EXPECT_EQ(jet::decodeScalar(column(jet::ColumnType::Numeric), view(num)).error().kind,
              jet::ErrorKind::Corrupt);
    auto unknown = column(jet::ColumnType(0x12), 4);
    auto u = jet::decodeScalar(unknown, view({0, 0, 0, 0}));
    ASSERT_FALSE(u);
    EXPECT_EQ(u.error().kind, jet::ErrorKind::Unsupported);
}
