// The text writer (jet/text_writer.h) and ledrimo-db's value forms against the engine's text forms
// (jet::toUtf8, formatDouble, formatDateTime...) and the JSON escaping dump has always used, on the values
// that are easy to get wrong: surrogates paired, lone and split between steps, control characters, quotes,
// commas, line breaks, runs of ASCII of every length next to Chinese, dates before 1899 and at the ends of
// the calendar, NaN and the infinities, currency and decimals, empty binary.
#include "jet/codec.h"
#include "jet/datetext.h"
#include "jet/text_writer.h"
#include "tools/ledrimo-db/format.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <random>
#include <unistd.h>

#include <gtest/gtest.h>

using dbtool::Output;

namespace {

template <class Write> std::string written(Write write) {
    std::string s;
    {
        Output out(s);
        write(out);
        EXPECT_TRUE(out.flush());
    }
    return s;
}

// JSON string escaping as dump writes it: \" \\ \n \r \t, other control characters and lone
// surrogates as lower-case \u escapes, everything else as UTF-8.
std::string jsonReference(const std::u16string& s) {
    std::string out = "\"";
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        const bool pair =
            c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF;
        char esc[8];
        if (c == u'"' || c == u'\\') {
            out += '\\';
            out += char(c);
        } else if (c == u'\n' || c == u'\r' || c == u'\t') {
            out += c == u'\n' ? "\\n" : c == u'\r' ? "\\r" : "\\t";
        } else if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF && !pair)) {
            std::snprintf(esc, sizeof esc, "\\u%04x", unsigned(c));
            out += esc;
        } else {
            out += jet::toUtf8(s.substr(i, pair ? 2 : 1));
            i += pair;
        }
    }
    return out + "\"";
}

std::string csvReference(const std::u16string& s) {
    std::string out = "\"";
    for (char c : jet::toUtf8(s)) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

// Texts with every kind of unit the converters treat apart, at every length around the 8-unit
// blocks, and long ones that cross the writer's steps with a pair on the boundary.
std::vector<std::u16string> trickyTexts() {
    std::vector<std::u16string> texts = {u"",
                                         u"a",
                                         u"\"",
                                         u"a,b",
                                         u"line\r\nbreak",
                                         u"tab\there",
                                         u"back\\slash",
                                         u"\x7f",
                                         u"é",
                                         u"中文",
                                         u"😀",
                                         u"a😀b",
                                         std::u16string(1, char16_t(0xD83D)),
                                         std::u16string(1, char16_t(0xDE00)),
                                         std::u16string{char16_t(0xDE00), char16_t(0xD83D)},
                                         std::u16string{u'x', char16_t(0xD83D)},
                                         std::u16string(1, u'\0'),
                                         u"\x01\x1f\x1b",
                                         u"北京市海淀区中关村大街 27 号 1208 室",
                                         u"GZ-00001",
                                         u"\"quoted\", then \"\"doubled\"\"",
                                         u"\uFFFF\uE000\uD7FF\u0800\u07FF\u0080"};
    const char16_t pool[] = {u'a',
                             u'Z',
                             u'0',
                             u' ',
                             u',',
                             u'"',
                             u'\\',
                             u'\n',
                             u'\r',
                             u'\t',
                             u'\x01',
                             u'\x7f',
                             u'é',
                             u'ß',
                             u'中',
                             u'文',
                             u'\uFF0C',
                             u'\uFFFF',
                             char16_t(0xD83D),
                             char16_t(0xDE00)};
    std::mt19937 rng(15);
    for (size_t length = 1; length <= 40; ++length)
        for (int k = 0; k < 20; ++k) {
            std::u16string s;
            for (size_t i = 0; i < length; ++i)
                s += pool[rng() % (k < 5 ? 4 : std::size(pool))]; // some all-ASCII, some mixed
            texts.push_back(s);
        }
    for (size_t at : {8191u, 8192u, 8193u, 16383u, 16384u}) {
        std::u16string s(20000, u'中');
        s[at - 1] = char16_t(0xD83D);
        s[at] = char16_t(0xDE00);
        texts.push_back(s);
        texts.push_back(std::u16string(at, u'a') + u"\"" + std::u16string(at, u'b'));
    }
    return texts;
}

} // namespace

TEST(OutputWriter, TextFormsMatchTheEngineAndTheJsonEscaping) {
    for (const std::u16string& s : trickyTexts()) {
        SCOPED_TRACE(jet::toUtf8(s.substr(0, 40)));
        EXPECT_EQ(written([&](Output& o) { o.text(s); }), jet::toUtf8(s));
        EXPECT_EQ(written([&](Output& o) { o.csvText(s); }), csvReference(s));
        EXPECT_EQ(written([&](Output& o) { o.jsonText(s); }), jsonReference(s));
    }
    // For strict UTF-8 (the export's CSV and xlsx), a lone surrogate becomes U+FFFD; a pair and
    // the JSON escape stay as they are.
    const std::u16string lone = {
        u'a', char16_t(0xD800), u'"', char16_t(0xDC00), char16_t(0xD83D), char16_t(0xDE00)};
    EXPECT_EQ(written([&](Output& o) {
                  o.replaceLoneSurrogates();
                  o.text(lone);
                  o.csvText(lone);
                  o.jsonText(lone);
              }),
              "a\uFFFD\"\uFFFD😀\"a\uFFFD\"\"\uFFFD😀\"\"a\\ud800\\\"\\udc00😀\"");
    // A header name is quoted only when it must be.
    EXPECT_EQ(written([](Output& o) { dbtool::csvName(o, u"上班日期"); }), "上班日期");
    EXPECT_EQ(written([](Output& o) { dbtool::csvName(o, u"a,b"); }), "\"a,b\"");
    EXPECT_EQ(written([](Output& o) { dbtool::csvName(o, u"say \"hi\""); }), "\"say \"\"hi\"\"\"");
}

TEST(OutputWriter, NumbersAndDatesMatchTheEngine) {
    std::mt19937_64 rng(15);
    std::vector<double> doubles = {0.0,
                                   -0.0,
                                   0.1,
                                   1e300,
                                   -1.7976931348623157e308,
                                   5e-324,
                                   std::numeric_limits<double>::quiet_NaN(),
                                   -std::numeric_limits<double>::quiet_NaN(),
                                   std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity()};
    for (int i = 0; i < 2000; ++i) {
        const uint64_t bits = rng();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        doubles.push_back(d);
    }
    for (double d : doubles) {
        EXPECT_EQ(written([&](Output& o) { o.number(d); }), jet::formatDouble(d));
        EXPECT_EQ(written([&](Output& o) { o.number(float(d)); }), jet::formatFloat(float(d)));
    }
    for (int64_t v :
         {int64_t(0), int64_t(-1), int64_t(9999), int64_t(-10000), int64_t(123456789),
          std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(), int64_t(rng())}) {
        EXPECT_EQ(written([&](Output& o) { o.number(v); }), std::to_string(v));
        EXPECT_EQ(written([&](Output& o) { o.currency(v); }), jet::formatCurrency(jet::Currency{v}));
    }
    EXPECT_EQ(written([](Output& o) { o.number(-7), o.number(UINT64_MAX), o.number(uint8_t(200)); }),
              "-718446744073709551615200");

    // Dates: Access's rule before 1899-12-30, the first and last day of the calendar, rounding
    // into the next day (and past 9999-12-31), numbers outside the calendar, and runs of dates on
    // a few days in a row so that the writer's remembered days are used and replaced.
    std::vector<double> dates = {0,
                                 -1.1,
                                 -0.5,
                                 -1.99999999,
                                 -94.430034345,
                                 40379.99999999,
                                 jet::kMinDateNumber,
                                 jet::kMinDateNumber - 0.5,
                                 jet::kMinDateNumber - 1e-9,
                                 jet::kMaxDateNumber,
                                 jet::kMaxDateNumber + 0.999999,
                                 jet::kMaxDateNumber + 0.99999999,
                                 jet::kMaxDateNumber + 1,
                                 1e12,
                                 std::numeric_limits<double>::quiet_NaN(),
                                 -std::numeric_limits<double>::infinity()};
    std::uniform_real_distribution<double> anyDay(jet::kMinDateNumber - 10, jet::kMaxDateNumber + 10);
    for (int i = 0; i < 3000; ++i)
        dates.push_back(i % 3 == 0 ? anyDay(rng)
                                   : 40000 + double(rng() % 6) + double(rng() % 86400) / 86400.0);
    std::string all, expected;
    {
        Output out(all);
        for (double d : dates) {
            out.dateTime(d);
            out.put('\n');
            expected += jet::formatDateTime(jet::DateTime{d}) + "\n";
        }
    }
    EXPECT_EQ(all, expected);
}

TEST(OutputWriter, ValueFormsInCsvAndJson) {
    jet::Guid guid;
    for (int i = 0; i < 16; ++i)
        guid.bytes[size_t(i)] = uint8_t(0x10 * i + 0xA);
    jet::Decimal decimal;
    decimal.negative = true;
    decimal.scale = 10;
    decimal.magnitude = {0x10, 0, 0};
    struct Case {
        jet::Value value;
        std::string csv, json;
    };
    const std::vector<Case> cases = {
        {jet::Null{}, "", "null"},
        {true, "true", "true"},
        {uint8_t(255), "255", "255"},
        {int16_t(-32768), "-32768", "-32768"},
        {int32_t(-1), "-1", "-1"},
        {jet::Currency{-123400}, "-12.3400", "\"-12.3400\""},
        {1234.123f, "1234.123", "1234.123"},
        {std::numeric_limits<float>::quiet_NaN(), "NaN", "\"NaN\""},
        {-std::numeric_limits<double>::infinity(), "-Infinity", "\"-Infinity\""},
        {jet::DateTime{40379.5}, "2010-07-20 12:00:00", "\"2010-07-20 12:00:00\""},
        {std::u16string(u"say \"hi\",\r\n"), "\"say \"\"hi\"\",\r\n\"", "\"say \\\"hi\\\",\\r\\n\""},
        {std::u16string(), "\"\"", "\"\""},
        {jet::Bytes{}, "\"\"", "\"\""},
        {jet::Bytes{0x00, 0xAB, 0x0F}, "00AB0F", "\"00AB0F\""},
        {guid, jet::formatGuid(guid), "\"" + jet::formatGuid(guid) + "\""},
        {decimal, "-0.0000000016", "\"-0.0000000016\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.csv);
        EXPECT_EQ(written([&](Output& o) { dbtool::csvField(o, c.value); }), c.csv);
        EXPECT_EQ(written([&](Output& o) { dbtool::jsonValue(o, c.value); }), c.json);
    }
}

TEST(OutputWriter, LargeOutputReachesTheFileWholeAndAFailedWriteIsReported) {
    // More than one block, through a file descriptor, in pieces of every size.
    std::string expected;
    char path[] = "/tmp/ledrimo-output-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    {
        Output out(fd);
        const std::u16string chinese(5000, u'文');
        for (int i = 0; i < 300; ++i) {
            out.csvText(chinese);
            out.put(std::string(size_t(i) * 37, 'x'));
            out.number(int64_t(i));
            expected += csvReference(chinese) + std::string(size_t(i) * 37, 'x') + std::to_string(i);
        }
        EXPECT_TRUE(out.flush());
    }
    std::string back(expected.size() + 1, '\0');
    EXPECT_EQ(::pread(fd, back.data(), back.size(), 0), ssize_t(expected.size()));
    back.resize(expected.size());
    EXPECT_TRUE(back == expected);
    ::close(fd);
    ::unlink(path);

    const int full = ::open("/dev/full", O_WRONLY);
    if (full < 0)
        GTEST_SKIP() << "/dev/full is not available";
    {
        Output out(full);
        out.put(std::string(Output::kBlock * 2, 'x'));
        EXPECT_FALSE(out.flush());
        EXPECT_EQ(out.errorNumber(), ENOSPC);
    }
    ::close(full);
}
