#include "jet/codec.h"
#include "jet/datetext.h"

#include "jet/tabledef.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace jet {

namespace {
Error codecError(std::string message) {
    return makeError(ErrorKind::Corrupt, std::move(message));
}
Error invalid(std::string message) {
    return makeError(ErrorKind::Invalid, std::move(message));
}
} // namespace

bool isJet4ColumnType(uint8_t code) {
    return (code >= 0x01 && code <= 0x0C) || code == 0x0F || code == 0x10;
}

// ---- text (docs/jet4-format.md §6) ----------------------------------------------------------

const char* textInto(ByteView b, std::u16string& out) {
    if (b.size() >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        // At most one character per byte after the marker; the string is cut to what was read.
        out.resize(b.size() - 2);
        char16_t* o = out.data();
        const uint8_t* p = b.data() + 2;
        const uint8_t* const end = b.data() + b.size();
        bool oneByte = true;
        while (p < end) {
            if (*p == 0x00) {
                oneByte = !oneByte;
                ++p;
            } else if (oneByte) {
                *o++ = char16_t(*p++);
            } else {
                if (end - p < 2) {
                    out.clear();
                    return "压缩文本在双字节段中途结束";
                }
                *o++ = char16_t(le16(p));
                p += 2;
            }
        }
        out.resize(size_t(o - out.data()));
        return nullptr;
    }
    if (b.size() % 2 != 0) {
        out.clear();
        return "文本的字节数为奇数";
    }
    out.resize(b.size() / 2);
    if constexpr (std::endian::native == std::endian::little) {
        if (!b.empty())
            std::memcpy(out.data(), b.data(), b.size());
    } else {
        for (size_t i = 0; i < out.size(); ++i)
            out[i] = char16_t(le16(b.data() + 2 * i));
    }
    return nullptr;
}

Status decodeTextInto(ByteView b, std::u16string& out) {
    if (const char* error = textInto(b, out))
        return codecError(error);
    return okStatus();
}

Result<std::u16string> decodeText(ByteView b) {
    std::u16string out;
    JET_TRY(decodeTextInto(b, out));
    return out;
}

Bytes encodeText(const std::u16string& text, bool allowCompression) {
    Bytes plain(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i)
        put16(plain.data() + 2 * i, text[i]);
    if (!allowCompression || text.empty())
        return plain;
    auto single = [](char16_t c) { return c >= 0x01 && c <= 0xFF; };
    Bytes packed{0xFF, 0xFE};
    bool oneByte = true;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == 0)
            return plain; // U+0000 has no compressed form
        bool wantOne = single(c);
        if (wantOne && !oneByte) {
            // Leaving a 2-byte run costs a switch byte (and another to come back): only for a
            // run of 1-byte characters long enough to pay for it.
            size_t run = 0;
            while (i + run < text.size() && single(text[i + run]))
                ++run;
            const bool toEnd = i + run == text.size();
            wantOne = toEnd ? run > 1 : run > 2;
        }
        if (wantOne != oneByte) {
            packed.push_back(0x00);
            oneByte = wantOne;
        }
        if (oneByte) {
            packed.push_back(uint8_t(c));
        } else {
            if ((c & 0xFF) == 0)
                return plain; // its low byte would read as a mode switch
            packed.push_back(uint8_t(c));
            packed.push_back(uint8_t(c >> 8));
        }
    }
    return packed.size() < plain.size() ? packed : plain;
}

// ---- scalar values (docs/jet4-format.md §5) -------------------------------------------------

// The errors of decodeScalarInto, kept out of its way.
[[gnu::cold, gnu::noinline]] static Error lengthError(const ColumnDef& column, size_t got, size_t need) {
    return codecError("列“" + toUtf8(column.name) + "”的值长度为 " + std::to_string(got) + " 字节，应为 " +
                      std::to_string(need));
}
[[gnu::cold, gnu::noinline]] static Error columnError(const ColumnDef& column, const char* what) {
    return codecError("列“" + toUtf8(column.name) + "”" + what);
}
[[gnu::cold, gnu::noinline]] static Error unreadableType(const ColumnDef& column) {
    // Not a type this engine reads: a code Jet 4 does not define (ACE types, damage) or one
    // Access keeps for its own opaque data (0x11 in MSysAccessObjects).
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", unsigned(uint8_t(column.type)));
    return makeError(ErrorKind::Unsupported,
                     "列“" + toUtf8(column.name) + "”的类型代码 " + hex + " 不是本引擎能读取的列类型");
}

Status decodeScalarInto(const ColumnDef& column, ByteView b, Value& out) {
    if (decodeQuick(column.type, b, out))
        return okStatus();
    const size_t need = fixedSizeOf(column.type);
    if (need != 0 && b.size() != need)
        return lengthError(column, b.size(), need);
    const uint8_t* p = b.data();
    switch (column.type) {
    case ColumnType::Byte:
        out = p[0];
        return okStatus();
    case ColumnType::Integer:
        out = int16_t(le16(p));
        return okStatus();
    case ColumnType::Long:
        out = int32_t(le32(p));
        return okStatus();
    case ColumnType::Currency:
        out = Currency{int64_t(le64(p))};
        return okStatus();
    case ColumnType::Single:
        out = leFloat(p);
        return okStatus();
    case ColumnType::Double:
        out = leDouble(p);
        return okStatus();
    case ColumnType::DateTime:
        out = DateTime{leDouble(p)};
        return okStatus();
    case ColumnType::GUID: {
        Guid g;
        std::copy(p, p + 16, g.bytes.begin());
        out = g;
        return okStatus();
    }
    case ColumnType::Numeric: {
        // Sign byte, then the 128-bit magnitude as four 32-bit little-endian words, most
        // significant word first. Jet 4 allows 28 digits, so the top word is always zero.
        if (p[0] != 0x00 && p[0] != 0x80)
            return columnError(column, "的数值符号字节无效");
        if (le32(p + 1) != 0)
            return columnError(column, "的数值超出 28 位精度");
        if (column.scale > 28)
            return columnError(column, "的小数位数超出 28");
        Decimal d;
        d.negative = p[0] == 0x80;
        d.precision = column.precision;
        d.scale = column.scale;
        d.magnitude[2] = le32(p + 5);
        d.magnitude[1] = le32(p + 9);
        d.magnitude[0] = le32(p + 13);
        out = d;
        return okStatus();
    }
    case ColumnType::Text:
        if (!std::holds_alternative<std::u16string>(out))
            out = std::u16string();
        return decodeTextInto(b, std::get<std::u16string>(out));
    case ColumnType::Binary:
        if (!std::holds_alternative<Bytes>(out))
            out = Bytes();
        std::get<Bytes>(out).assign(b.begin(), b.end());
        return okStatus();
    default:
        return unreadableType(column);
    }
}

Result<Value> decodeScalar(const ColumnDef& column, ByteView b) {
    Value v;
    JET_TRY(decodeScalarInto(column, b, v));
    return v;
}

Result<Bytes> encodeScalar(const ColumnDef& column, const Value& v) {
    const std::string name = toUtf8(column.name);
    auto wrongType = [&] {
        return invalid("列“" + name + "”（" + columnTypeName(column.type) + "）不接受这种值");
    };
    Bytes out(fixedSizeOf(column.type));
    uint8_t* p = out.data();
    switch (column.type) {
    case ColumnType::Byte:
        if (auto x = std::get_if<uint8_t>(&v)) {
            p[0] = *x;
            return out;
        }
        return wrongType();
    case ColumnType::Integer:
        if (auto x = std::get_if<int16_t>(&v)) {
            put16(p, uint16_t(*x));
            return out;
        }
        return wrongType();
    case ColumnType::Long:
        if (auto x = std::get_if<int32_t>(&v)) {
            put32(p, uint32_t(*x));
            return out;
        }
        return wrongType();
    case ColumnType::Currency:
        if (auto x = std::get_if<Currency>(&v)) {
            put64(p, uint64_t(x->scaled));
            return out;
        }
        return wrongType();
    case ColumnType::Single:
        if (auto x = std::get_if<float>(&v)) {
            uint32_t bits;
            std::memcpy(&bits, x, 4);
            put32(p, bits);
            return out;
        }
        return wrongType();
    case ColumnType::Double:
    case ColumnType::DateTime: {
        const double* x = nullptr;
        if (column.type == ColumnType::Double)
            x = std::get_if<double>(&v);
        else if (auto dt = std::get_if<DateTime>(&v))
            x = &dt->days;
        if (!x)
            return wrongType();
        uint64_t bits;
        std::memcpy(&bits, x, 8);
        put64(p, bits);
        return out;
    }
    case ColumnType::GUID:
        if (auto x = std::get_if<Guid>(&v)) {
            std::copy(x->bytes.begin(), x->bytes.end(), p);
            return out;
        }
        return wrongType();
    case ColumnType::Numeric:
        if (auto x = std::get_if<Decimal>(&v)) {
            if (x->scale != column.scale)
                return invalid("列“" + name + "”的小数位数为 " + std::to_string(column.scale));
            p[0] = x->negative ? 0x80 : 0x00;
            put32(p + 1, 0);
            put32(p + 5, x->magnitude[2]);
            put32(p + 9, x->magnitude[1]);
            put32(p + 13, x->magnitude[0]);
            return out;
        }
        return wrongType();
    case ColumnType::Text: {
        auto x = std::get_if<std::u16string>(&v);
        if (!x)
            return wrongType();
        if (column.size != 0 && x->size() > column.size / 2u)
            return invalid("列“" + name + "”最多容纳 " + std::to_string(column.size / 2) + " 个字符");
        if (column.isFixed()) {
            std::u16string padded = *x; // a fixed text column is padded with blanks
            padded.resize(column.size / 2u, u' ');
            return encodeText(padded, false);
        }
        return encodeText(*x, column.isCompressedUnicode());
    }
    case ColumnType::Binary: {
        auto x = std::get_if<Bytes>(&v);
        if (!x)
            return wrongType();
        if (column.size != 0 && x->size() > column.size)
            return invalid("列“" + name + "”最多容纳 " + std::to_string(column.size) + " 个字节");
        Bytes b = *x;
        if (column.isFixed())
            b.resize(column.size, 0);
        return b;
    }
    default:
        return invalid("列“" + name + "”的类型不能按定长值编码");
    }
}

// ---- text forms -----------------------------------------------------------------------------

namespace {
template <class F> std::string shortest(F v) {
    if (std::isnan(v))
        return "NaN";
    if (std::isinf(v))
        return v < 0 ? "-Infinity" : "Infinity";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}
} // namespace

std::string formatDouble(double v) {
    return shortest(v);
}
std::string formatFloat(float v) {
    return shortest(v);
}

std::string formatCurrency(const Currency& c) {
    const bool neg = c.scaled < 0;
    const uint64_t mag = neg ? uint64_t(0) - uint64_t(c.scaled) : uint64_t(c.scaled);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%llu.%04llu", neg ? "-" : "", (unsigned long long)(mag / 10000),
                  (unsigned long long)(mag % 10000));
    return buf;
}

std::string formatDecimal(const Decimal& d) {
    // Decimal digits of the 96-bit magnitude by repeated division by 10.
    uint32_t w[3] = {d.magnitude[2], d.magnitude[1], d.magnitude[0]}; // most significant first
    std::string digits;
    while (w[0] || w[1] || w[2]) {
        uint64_t rem = 0;
        for (auto& x : w) {
            const uint64_t cur = (rem << 32) | x;
            x = uint32_t(cur / 10);
            rem = cur % 10;
        }
        digits.insert(digits.begin(), char('0' + rem));
    }
    const bool zero = digits.empty();
    if (digits.size() <= d.scale)
        digits.insert(digits.begin(), d.scale + 1 - digits.size(), '0');
    if (d.scale > 0)
        digits.insert(digits.end() - d.scale, '.');
    return (d.negative && !zero ? "-" : "") + digits;
}

std::string formatDateTime(const DateTime& v) {
    // Years 100..9999 are what Access can show; outside them there is no date to name, so the
    // number itself is written (docs/jet4-format.md §3). Rounding to the second may carry the
    // last second of 9999-12-31 no further than that day.
    if (!std::isfinite(v.days) || v.days < kMinDateNumber || v.days >= kMaxDateNumber + 1)
        return formatDouble(v.days);
    const DateParts t = splitDate(v.days);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return buf;
}

std::string formatGuid(const Guid& g) {
    const uint8_t* b = g.bytes.data();
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(le32(b)),
                  unsigned(le16(b + 4)), unsigned(le16(b + 6)), b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                  b[15]);
    return buf;
}

std::string formatHex(ByteView bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out(bytes.size() * 2, '0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        out[2 * i] = digits[bytes[i] >> 4];
        out[2 * i + 1] = digits[bytes[i] & 15];
    }
    return out;
}

} // namespace jet
