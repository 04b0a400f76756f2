// Texts as the program handles them: byte strings in code page 936 (GBK), where lengths and positions
// count bytes and a double-byte character is two bytes. Window systems speak UTF-16 (Qt, Win32) or
// UTF-8, so every text that goes into or comes out of a window passes through the lossless codec
// below. Plain C++: the codec's tables are compiled in, the same on every system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Qt's strings, for the Qt backend and its tests only (defined in runtime/qt/text.cpp).
class QString;
class QStringView;

namespace rt {

// Counted bytes that may contain zero bytes (credential key, database image, file contents).
using Bytes = std::string;

// Lossless code page 936 codec. Every character that code page 936 has (ASCII, 0x80 for the euro
// sign, the double-byte area including its user-defined parts) is written as 936 writes it; every
// other character is written in GB18030's four-byte form (lead 0x81-0xFE, then 0x30-0x39, 0x81-0xFE,
// 0x30-0x39). Those four-byte sequences are invalid in 936, so decoding stays unambiguous and two
// different strings never encode to the same bytes. Bytes that are neither give U+FFFD; a lone half
// of a UTF-16 surrogate pair, no character, is written "?".
std::string gbkOfUtf16(std::u16string_view s);
std::u16string utf16OfGbk(std::string_view bytes);
// The same for UTF-8; each byte of a malformed UTF-8 sequence is read as U+FFFD.
std::string gbkOfUtf8(std::string_view s);
std::string utf8OfGbk(std::string_view bytes);
// The same for Qt's strings (Qt backend).
std::string encodeGbk(QStringView s);
QString decodeGbk(std::string_view bytes);

// A text: zero-terminated GBK byte string. It never holds a zero byte.
class Text {
public:
    Text() = default;
    // From UTF-8: the program's source files are UTF-8, so Text t = "姓名" holds D0 D5 C3 FB.
    Text(const char* utf8);
    Text(const QString& s); // Qt backend

    static Text fromUtf8(std::string_view utf8);
    // From GBK bytes as they are; a zero byte ends the text.
    static Text fromBytes(std::string_view gbk);

    const std::string& bytes() const { return b_; }
    const char* c_str() const { return b_.c_str(); }
    int length() const { return static_cast<int>(b_.size()); }
    bool empty() const { return b_.empty(); }

    QString toQString() const; // Qt backend
    std::string toUtf8() const { return utf8OfGbk(b_); }
    std::u16string toUtf16() const { return utf16OfGbk(b_); }

    Text& operator+=(const Text& o) {
        b_ += o.b_;
        return *this;
    }
    friend Text operator+(Text a, const Text& b) { return a += b; }
    friend Text operator+(Text a, const char* b) { return a += Text(b); }
    friend Text operator+(const char* a, const Text& b) { return Text(a) += b; }
    bool operator==(const Text&) const = default;
    auto operator<=>(const Text&) const = default;

private:
    std::string b_;
};

// Printing for test frameworks.
char* toString(const Text& t);                 // QTest
void PrintTo(const Text& t, std::ostream* os); // GoogleTest

// ---- byte-wise text operations (positions are 1-based byte positions) ----

int len(const Text& t);
Text left(const Text& t, int n);
Text right(const Text& t, int n);
Text mid(const Text& t, int start, int n);
// Position of the first occurrence of `what` at or after `start`, or -1. The text is walked
// character by character from its beginning, so a match never starts on the second byte of a
// double-byte character, whatever `start` is. An empty `what` gives 1 when the searched part is not
// empty. With ignoreCase, ASCII letters compare without case.
int find(const Text& t, const Text& what, int start = 1, bool ignoreCase = false);
Text upper(const Text& t);
// Full-width ASCII forms (A3 A1..A3 FE) become ASCII; A1 A1 becomes a space, A1 AB "~",
// A1 EE and A1 EF "*". Everything else is kept.
Text halfWidth(const Text& t);
Text repeat(int count, const Text& t);

// ---- conversions ----

// A date value (days since 1899-12-30 with the time as fraction), so that conversions can tell it
// from a plain number.
struct Date {
    double value = 0;
};

Text toText(const Text& t);
Text toText(const char* utf8);
Text toTextFromBytes(const Bytes& b); // bytes up to the first zero byte
Text toText(int v);                   // "%d"
Text toText(long long v);             // decimal
Text toText(unsigned char v);         // decimal
Text toText(float v);                 // "%.6g"
Text toText(double v);                // "%.13g"
Text toText(bool v);                  // "真" / "假"
Text toText(Date d);                  // date text, see dateText()

// Half width first, leading blanks skipped, then the longest leading decimal number (sign, digits,
// point, exponent); 0 if there is none.
double toNumber(const Text& t);
double toNumber(const char* utf8);
inline double toNumber(bool v) {
    return v ? 1 : 0;
}
inline double toNumber(int v) {
    return v;
}
inline double toNumber(long long v) {
    return static_cast<double>(v);
}
inline double toNumber(double v) {
    return v;
}
inline double toNumber(float v) {
    return v;
}
inline double toNumber(Date) {
    return 0;
}

Bytes toBytes(const Text& t);
Bytes toBytes(int v);    // 4 bytes little-endian
Bytes toBytes(double v); // 8 bytes little-endian
Bytes toBytes(long long v);

} // namespace rt
