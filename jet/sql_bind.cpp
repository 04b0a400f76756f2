// Binding conditions to columns, evaluating them, and converting values for columns.
#include "jet/datetext.h"
#include "jet/int128.h"
#include "jet/sql_internal.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

namespace jet::sql::detail {

namespace {

enum class Family : uint8_t { Text, Number, Date, Guid, Binary };

Family familyOf(ColumnType t) {
    switch (t) {
    case ColumnType::Text:
    case ColumnType::Memo:
        return Family::Text;
    case ColumnType::DateTime:
        return Family::Date;
    case ColumnType::GUID:
        return Family::Guid;
    case ColumnType::Binary:
    case ColumnType::OLE:
        return Family::Binary;
    default:
        return Family::Number;
    }
}

const char* needWord(ColumnType t) {
    switch (t) {
    case ColumnType::Text:
    case ColumnType::Memo:
        return "文本";
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
        return "整数";
    case ColumnType::DateTime:
        return "日期";
    case ColumnType::Boolean:
        return "是/否值";
    case ColumnType::GUID:
        return "GUID";
    case ColumnType::Binary:
    case ColumnType::OLE:
        return "二进制数据";
    default:
        return "数字";
    }
}

std::string ascii(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char16_t c : s)
        out += c < 0x80 ? char(c) : '?';
    return out;
}

std::u16string widen(std::string_view s) {
    return std::u16string(s.begin(), s.end());
}

std::string describe(const Literal& lit) {
    switch (lit.kind) {
    case Literal::Kind::Null:
        return "NULL";
    case Literal::Kind::Text: {
        std::u16string t = lit.text;
        if (t.size() > 30)
            t = t.substr(0, 30) + u"…";
        return "'" + toUtf8(t) + "'";
    }
    case Literal::Kind::Number:
        return toUtf8(lit.text);
    case Literal::Kind::Date:
        return "#" + toUtf8(lit.text) + "#";
    case Literal::Kind::Boolean:
        return lit.boolean ? "TRUE" : "FALSE";
    }
    return {};
}

Error mismatch(const ColumnInfo& c, const Literal& lit) {
    return makeError(ErrorKind::Invalid, "类型不匹配：列 " + quoteName(c.name) + " 需要" + needWord(c.type) +
                                             "，得到 " + describe(lit));
}

Error overflow(const ColumnInfo& c, const std::string& range, const Literal& lit) {
    return makeError(ErrorKind::Invalid,
                     "数值溢出：列 " + quoteName(c.name) + " " + range + "，得到 " + describe(lit));
}

std::u16string trimmed(std::u16string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == u' ' || s[b] == u'\t' || s[b] == 0x3000))
        ++b;
    while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t' || s[e - 1] == 0x3000))
        --e;
    return std::u16string(s.substr(b, e - b));
}

// A number written as text: [sign] digits [. digits] [e [sign] digits], blanks around allowed.
// Gives the value and the ASCII text without blanks or '+'.
bool numberFromText(std::u16string_view s, double& value, std::u16string& text) {
    const std::u16string t = trimmed(s);
    size_t i = 0, digits = 0;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
        ++i;
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9')
        ++i, ++digits;
    if (i < t.size() && t[i] == u'.') {
        ++i;
        while (i < t.size() && t[i] >= u'0' && t[i] <= u'9')
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < t.size() && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
            ++i;
        size_t expDigits = 0;
        while (i < t.size() && t[i] >= u'0' && t[i] <= u'9')
            ++i, ++expDigits;
        if (expDigits == 0)
            return false;
    }
    if (i != t.size())
        return false;
    text = t[0] == u'+' ? t.substr(1) : t;
    value = std::strtod(ascii(text).c_str(), nullptr);
    return true;
}

// The value of a decimal number text times 10^scale, rounded half away from zero, as a magnitude
// and a sign; false when the magnitude needs more than 38 digits.
bool scaledInteger(std::u16string_view text, int scale, Int128& magnitude, bool& negative) {
    size_t i = 0;
    negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    std::string digits;
    int fraction = 0;
    bool afterPoint = false;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'.') {
            afterPoint = true;
        } else if (c >= u'0' && c <= u'9') {
            if (!(digits.empty() && c == u'0')) // leading zeros carry nothing
                digits += char(c);
            if (afterPoint)
                ++fraction;
        } else {
            break;
        }
    }
    long exponent = 0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        exponent = std::strtol(ascii(text.substr(i + 1)).c_str(), nullptr, 10);
        if (exponent > 10000)
            exponent = 10000;
        if (exponent < -10000)
            exponent = -10000;
    }
    magnitude = 0;
    if (digits.empty())
        return true;
    const long shift = exponent - fraction + scale;
    long keep = long(digits.size()) + (shift < 0 ? shift : 0);
    if (keep < 0)
        return true; // rounds to 0
    if (keep + (shift > 0 ? shift : 0) > 38)
        return false;
    for (long k = 0; k < keep; ++k)
        magnitude = magnitude * 10 + unsigned(digits[size_t(k)] - '0');
    for (long k = 0; k < shift; ++k)
        magnitude *= 10;
    if (shift < 0 && size_t(keep) < digits.size() && digits[size_t(keep)] >= '5')
        magnitude += 1;
    return true;
}

std::u16string decimalText(bool negative, Int128 magnitude, int scale) {
    std::string digits;
    do {
        digits.insert(digits.begin(), char('0' + int((magnitude % 10).low())));
        magnitude /= 10;
    } while (magnitude != 0);
    while (int(digits.size()) <= scale)
        digits.insert(digits.begin(), '0');
    if (scale > 0) {
        digits.insert(digits.end() - scale, '.');
        while (digits.back() == '0')
            digits.pop_back();
        if (digits.back() == '.')
            digits.pop_back();
    }
    if (negative && digits != "0")
        digits.insert(digits.begin(), '-');
    return widen(digits);
}

std::u16string formatNumber(const char* format, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v);
    return widen(buf);
}

std::u16string guidText(const Guid& g) {
    const auto& b = g.bytes;
    char buf[64];
    std::snprintf(buf, sizeof buf, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return widen(buf);
}

// {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}, braces optional; the first three groups are stored
// little-endian, as a Windows GUID lies in memory.
bool guidFromText(std::u16string_view s, Guid& g) {
    std::u16string t = trimmed(s);
    if (t.size() == 38 && t.front() == u'{' && t.back() == u'}')
        t = t.substr(1, 36);
    if (t.size() != 36 || t[8] != u'-' || t[13] != u'-' || t[18] != u'-' || t[23] != u'-')
        return false;
    uint8_t raw[16];
    size_t n = 0;
    for (size_t i = 0; i < t.size(); i += 2) {
        if (t[i] == u'-') {
            --i;
            continue;
        }
        auto hex = [](char16_t c) {
            return c >= u'0' && c <= u'9'   ? c - u'0'
                   : c >= u'a' && c <= u'f' ? c - u'a' + 10
                   : c >= u'A' && c <= u'F' ? c - u'A' + 10
                                            : -1;
        };
        const int hi = hex(t[i]), lo = i + 1 < t.size() ? hex(t[i + 1]) : -1;
        if (hi < 0 || lo < 0 || n >= 16)
            return false;
        raw[n++] = uint8_t(hi * 16 + lo);
    }
    if (n != 16)
        return false;
    const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    for (int k = 0; k < 16; ++k)
        g.bytes[size_t(k)] = raw[order[k]];
    return true;
}

// "true", "yes", "on", "真", "是" and their opposites, or a number (not 0 is true).
std::optional<bool> booleanFromText(std::u16string_view s) {
    const std::u16string t = trimmed(s);
    for (const char16_t* w : {u"true", u"yes", u"on", u"真", u"是"})
        if (sameName(t, w))
            return true;
    for (const char16_t* w : {u"false", u"no", u"off", u"假", u"否"})
        if (sameName(t, w))
            return false;
    double v = 0;
    std::u16string text;
    if (numberFromText(t, v, text))
        return v != 0;
    return std::nullopt;
}

bool secondsOf(const Value& v, int64_t& out) {
    double d = 0;
    if (v.index() == 8 || v.index() == 7) {
        numberOf(v, d);
        out = dateSeconds(d);
        return true;
    }
    return false;
}

// Where a Like or Truth operand of a literal ends up.
Value plainValue(const Literal& lit) {
    switch (lit.kind) {
    case Literal::Kind::Null:
        return Null{};
    case Literal::Kind::Text:
        return lit.text;
    case Literal::Kind::Number:
        return lit.number;
    case Literal::Kind::Date:
        return DateTime{lit.number};
    case Literal::Kind::Boolean:
        return lit.boolean;
    }
    return Null{};
}

CompareOp mirrored(CompareOp op) {
    switch (op) {
    case CompareOp::Lt:
        return CompareOp::Gt;
    case CompareOp::Le:
        return CompareOp::Ge;
    case CompareOp::Gt:
        return CompareOp::Lt;
    case CompareOp::Ge:
        return CompareOp::Le;
    default:
        return op;
    }
}

Truth truthOf(bool b) {
    return b ? Truth::True : Truth::False;
}

Truth apply(CompareOp op, int c) {
    switch (op) {
    case CompareOp::Eq:
        return truthOf(c == 0);
    case CompareOp::Ne:
        return truthOf(c != 0);
    case CompareOp::Lt:
        return truthOf(c < 0);
    case CompareOp::Le:
        return truthOf(c <= 0);
    case CompareOp::Gt:
        return truthOf(c > 0);
    case CompareOp::Ge:
        return truthOf(c >= 0);
    }
    return Truth::Unknown;
}

const Value& valueOf(const BoundOperand& o, const Value* slots) {
    return o.isSlot ? slots[o.slot] : o.constant;
}

} // namespace

bool numberOf(const Value& v, double& out) {
    switch (v.index()) {
    case 1:
        out = std::get<bool>(v) ? -1 : 0;
        return true;
    case 2:
        out = std::get<uint8_t>(v);
        return true;
    case 3:
        out = std::get<int16_t>(v);
        return true;
    case 4:
        out = std::get<int32_t>(v);
        return true;
    case 5:
        out = double(std::get<Currency>(v).scaled) / 10000.0;
        return true;
    case 6:
        out = std::get<float>(v);
        return true;
    case 7:
        out = std::get<double>(v);
        return true;
    case 8:
        out = std::get<DateTime>(v).days;
        return true;
    case 12: {
        const Decimal& d = std::get<Decimal>(v);
        const double m = double(d.magnitude[2]) * 18446744073709551616.0 +
                         double(d.magnitude[1]) * 4294967296.0 + double(d.magnitude[0]);
        out = (d.negative ? -m : m) / std::pow(10.0, d.scale);
        return true;
    }
    default:
        return false;
    }
}

std::string quoteName(const std::u16string& name) {
    return "'" + toUtf8(name) + "'";
}

// ---- conversion ----

Result<Value> storeLiteral(const Literal& lit, const ColumnInfo& c) {
    using K = Literal::Kind;
    if (lit.kind == K::Null) {
        if (!c.nullable)
            return makeError(ErrorKind::Invalid, "列 " + quoteName(c.name) + " 不能为空");
        return Value(Null{});
    }
    // Numbers given as text, TRUE/FALSE and dates as numbers, for the number columns.
    auto number = [&](double& v, std::u16string& text) -> bool {
        switch (lit.kind) {
        case K::Number:
            v = lit.number;
            text = lit.text;
            return true;
        case K::Text:
            return numberFromText(lit.text, v, text);
        case K::Boolean:
            v = lit.boolean ? -1 : 0;
            text = lit.boolean ? u"-1" : u"0";
            return true;
        case K::Date:
            v = lit.number;
            text = formatNumber("%.17g", v);
            return true;
        default:
            return false;
        }
    };
    auto whole = [&](double lo, double hi, const char* range) -> Result<double> {
        double v = 0;
        std::u16string text;
        if (!number(v, text))
            return mismatch(c, lit);
        if (std::isfinite(v) && v != std::trunc(v))
            return mismatch(c, lit);
        if (!(v >= lo && v <= hi))
            return overflow(c, range, lit);
        return v;
    };
    switch (c.type) {
    case ColumnType::Text:
    case ColumnType::Memo: {
        std::u16string s;
        if (lit.kind == K::Text)
            s = lit.text;
        else if (lit.kind == K::Number)
            s = lit.text;
        else if (lit.kind == K::Date)
            s = formatDateText(lit.number);
        else
            return mismatch(c, lit);
        if (c.maxLength > 0 && s.size() > c.maxLength)
            return makeError(ErrorKind::Invalid, "值太长：列 " + quoteName(c.name) + " 最多 " +
                                                     std::to_string(c.maxLength) + " 个字符");
        return Value(std::move(s));
    }
    case ColumnType::Byte: {
        auto v = whole(0, 255, "的值须在 0 到 255 之间");
        if (!v)
            return v.error();
        return Value(uint8_t(*v));
    }
    case ColumnType::Integer: {
        auto v = whole(-32768, 32767, "的值须在 -32768 到 32767 之间");
        if (!v)
            return v.error();
        return Value(int16_t(*v));
    }
    case ColumnType::Long: {
        auto v = whole(-2147483648.0, 2147483647.0, "的值须在 -2147483648 到 2147483647 之间");
        if (!v)
            return v.error();
        return Value(int32_t(*v));
    }
    case ColumnType::Single:
    case ColumnType::Double: {
        double v = 0;
        std::u16string text;
        if (!number(v, text))
            return mismatch(c, lit);
        if (!std::isfinite(v) || (c.type == ColumnType::Single && std::fabs(v) > FLT_MAX))
            return overflow(c, "放不下这个数", lit);
        if (c.type == ColumnType::Single)
            return Value(float(v));
        return Value(v);
    }
    case ColumnType::Currency:
    case ColumnType::Numeric: {
        double v = 0;
        std::u16string text;
        if (!number(v, text))
            return mismatch(c, lit);
        const int scale = c.type == ColumnType::Currency ? 4 : c.scale;
        Int128 m = 0;
        bool negative = false;
        const bool fits = scaledInteger(text, scale, m, negative);
        if (c.type == ColumnType::Currency) {
            if (!fits || m > Int128(std::numeric_limits<int64_t>::max()))
                return overflow(c, "的值须在 -922337203685477.5807 到 922337203685477.5807 之间", lit);
            const int64_t s = m.toInt64();
            return Value(Currency{negative ? -s : s});
        }
        const int precision = c.precision < 1 ? 1 : (c.precision > 28 ? 28 : c.precision);
        Int128 limit = 1;
        for (int k = 0; k < precision; ++k)
            limit *= 10;
        if (!fits || m >= limit)
            return overflow(c,
                            "最多 " + std::to_string(precision) + " 位数字（其中小数 " +
                                std::to_string(scale) + " 位）",
                            lit);
        Decimal d;
        d.negative = negative && m != 0;
        d.precision = uint8_t(precision);
        d.scale = uint8_t(scale);
        d.magnitude = {m.word32(0), m.word32(1), m.word32(2)};
        return Value(d);
    }
    case ColumnType::Boolean: {
        std::optional<bool> b;
        if (lit.kind == K::Boolean)
            b = lit.boolean;
        else if (lit.kind == K::Number)
            b = lit.number != 0;
        else if (lit.kind == K::Text)
            b = booleanFromText(lit.text);
        if (!b)
            return mismatch(c, lit);
        return Value(*b);
    }
    case ColumnType::DateTime: {
        if (lit.kind == K::Date)
            return Value(DateTime{lit.number});
        if (lit.kind == K::Text) {
            const std::optional<double> d = parseDateText(std::u16string_view(lit.text));
            if (!d)
                return mismatch(c, lit);
            return Value(DateTime{*d});
        }
        if (lit.kind == K::Number) {
            if (!(lit.number >= kMinDateNumber && lit.number < kMaxDateNumber + 1))
                return overflow(c, "的日期须在 100年1月1日 到 9999年12月31日 之间", lit);
            return Value(DateTime{lit.number});
        }
        return mismatch(c, lit);
    }
    case ColumnType::GUID: {
        Guid g;
        if (lit.kind != K::Text || !guidFromText(lit.text, g))
            return mismatch(c, lit);
        return Value(g);
    }
    case ColumnType::Binary:
    case ColumnType::OLE:
        return mismatch(c, lit);
    }
    return mismatch(c, lit);
}

Literal literalOf(const Value& v) {
    Literal lit;
    using K = Literal::Kind;
    switch (v.index()) {
    case 0:
        break;
    case 1:
        lit.kind = K::Boolean, lit.boolean = std::get<bool>(v);
        break;
    case 2:
    case 3:
    case 4:
        lit.kind = K::Number;
        numberOf(v, lit.number);
        lit.text = formatNumber("%.0f", lit.number);
        break;
    case 5: {
        const int64_t s = std::get<Currency>(v).scaled;
        lit.kind = K::Number;
        numberOf(v, lit.number);
        lit.text = decimalText(s < 0, s < 0 ? -Int128(s) : Int128(s), 4);
        break;
    }
    case 6:
        lit.kind = K::Number;
        numberOf(v, lit.number);
        lit.text = formatNumber("%.7g", lit.number);
        break;
    case 7:
        lit.kind = K::Number;
        lit.number = std::get<double>(v);
        lit.text = formatNumber("%.15g", lit.number);
        break;
    case 8:
        lit.kind = K::Date;
        lit.number = std::get<DateTime>(v).days;
        lit.text = formatIsoDateTime(lit.number);
        break;
    case 9:
        lit.kind = K::Text, lit.text = std::get<std::u16string>(v);
        break;
    case 11:
        lit.kind = K::Text, lit.text = guidText(std::get<Guid>(v));
        break;
    case 12: {
        const Decimal& d = std::get<Decimal>(v);
        const Int128 m = Int128::fromMagnitude(d.magnitude[2], d.magnitude[1], d.magnitude[0]);
        lit.kind = K::Number;
        numberOf(v, lit.number);
        lit.text = decimalText(d.negative, m, d.scale);
        break;
    }
    default: // binary data has no literal
        lit.kind = K::Text;
        break;
    }
    return lit;
}

std::u16string valueText(const Value& v) {
    switch (v.index()) {
    case 0:
        return {};
    case 1:
        return std::get<bool>(v) ? u"True" : u"False";
    case 8:
        return formatDateText(std::get<DateTime>(v).days);
    case 9:
        return std::get<std::u16string>(v);
    case 10:
        return {};
    default:
        return literalOf(v).text;
    }
}

// ---- binding ----

Result<size_t> Binder::column(const ColumnRef& ref) const {
    auto notFound = [&] {
        const std::u16string full = ref.qualifier.empty() ? ref.name : ref.qualifier + u"." + ref.name;
        return makeError(ErrorKind::NotFound, "找不到列 " + quoteName(full));
    };
    if (!ref.qualifier.empty() && !table.empty() && !sameName(ref.qualifier, table))
        return notFound();
    for (size_t i = 0; i < columns.size(); ++i)
        if (sameName(columns[i].name, ref.name))
            return i;
    return notFound();
}

Result<size_t> Binder::column(const Operand& o) const {
    if (o.kind == Operand::Kind::Column)
        return column(o.column);
    if (!aggregate)
        return syntaxErrorAt(o.aggregate.position, toUtf8(o.aggregate.text), "此处不能使用合计函数");
    return aggregate(o.aggregate);
}

const ColumnInfo& Binder::info(size_t c) const {
    return c < columns.size() ? columns[c] : (*aggregateColumns)[c - columns.size()];
}

Result<std::unique_ptr<BoundExpr>> Binder::compare(const Operand& xIn, CompareOp opIn,
                                                   const Operand& yIn) const {
    const Operand* x = &xIn;
    const Operand* y = &yIn;
    CompareOp op = opIn;
    // Column first, so that a literal is read for the column's type.
    if (x->kind == Operand::Kind::Literal && y->kind != Operand::Kind::Literal) {
        std::swap(x, y);
        op = mirrored(op);
    }
    auto e = std::make_unique<BoundExpr>();
    e->kind = BoundExpr::Kind::Compare;
    e->op = op;
    using K = Literal::Kind;

    if (x->kind != Operand::Kind::Literal && y->kind != Operand::Kind::Literal) {
        auto cx = column(*x);
        if (!cx)
            return cx.error();
        auto cy = column(*y);
        if (!cy)
            return cy.error();
        const Family fx = familyOf(info(*cx).type), fy = familyOf(info(*cy).type);
        const bool numeric =
            (fx == Family::Number || fx == Family::Date) && (fy == Family::Number || fy == Family::Date);
        if (fx == fy && fx != Family::Binary)
            e->mode = fx == Family::Text   ? Mode::Text
                      : fx == Family::Date ? Mode::Date
                      : fx == Family::Guid ? Mode::Guid
                                           : Mode::Number;
        else if (numeric)
            e->mode = Mode::Number;
        else
            return makeError(ErrorKind::Invalid, "类型不匹配：列 " + quoteName(info(*cx).name) + " 与列 " +
                                                     quoteName(info(*cy).name) + " 不能比较");
        e->a = {true, slotFor(*cx), Null{}};
        e->b = {true, slotFor(*cy), Null{}};
        return e;
    }

    if (x->kind != Operand::Kind::Literal) {
        auto cx = column(*x);
        if (!cx)
            return cx.error();
        const ColumnInfo& c = info(*cx);
        const Literal& lit = y->literal;
        e->a = {true, slotFor(*cx), Null{}};
        e->b.constant = Null{};
        if (lit.kind == K::Null)
            return e; // never true
        switch (familyOf(c.type)) {
        case Family::Text:
            if (lit.kind != K::Text)
                return mismatch(c, lit);
            e->mode = Mode::Text;
            e->b.constant = lit.text;
            break;
        case Family::Number: {
            double v = 0;
            std::u16string text;
            const std::optional<bool> b =
                c.type == ColumnType::Boolean ? booleanFromText(lit.text) : std::optional<bool>();
            e->mode = Mode::Number;
            if (lit.kind == K::Number || lit.kind == K::Date)
                v = lit.number;
            else if (lit.kind == K::Boolean)
                v = lit.boolean ? -1 : 0;
            else if (b)
                v = *b ? -1 : 0;
            else if (!numberFromText(lit.text, v, text))
                return mismatch(c, lit);
            e->b.constant = v;
            break;
        }
        case Family::Date:
            if (lit.kind == K::Number) {
                e->mode = Mode::Number;
                e->b.constant = lit.number;
            } else if (lit.kind == K::Date) {
                e->mode = Mode::Date;
                e->b.constant = DateTime{lit.number};
            } else if (lit.kind == K::Text) {
                const std::optional<double> d = parseDateText(std::u16string_view(lit.text));
                if (!d)
                    return mismatch(c, lit);
                e->mode = Mode::Date;
                e->b.constant = DateTime{*d};
            } else {
                return mismatch(c, lit);
            }
            break;
        case Family::Guid: {
            Guid g;
            if (lit.kind != K::Text || !guidFromText(lit.text, g))
                return mismatch(c, lit);
            e->mode = Mode::Guid;
            e->b.constant = g;
            break;
        }
        case Family::Binary:
            return makeError(ErrorKind::Invalid,
                             "类型不匹配：列 " + quoteName(c.name) + " 是二进制数据，不能比较");
        }
        return e;
    }

    // Two literals.
    const Literal& l = x->literal;
    const Literal& r = y->literal;
    e->a.constant = plainValue(l);
    e->b.constant = plainValue(r);
    if (l.kind == K::Null || r.kind == K::Null)
        return e;
    auto numeric = [](K k) { return k == K::Number || k == K::Boolean || k == K::Date; };
    auto fail = [&] {
        return makeError(ErrorKind::Invalid,
                         "类型不匹配：" + describe(l) + " 与 " + describe(r) + " 不能比较");
    };
    if (l.kind == K::Text && r.kind == K::Text) {
        e->mode = Mode::Text;
    } else if (l.kind == K::Date && r.kind == K::Date) {
        e->mode = Mode::Date;
    } else if (numeric(l.kind) && numeric(r.kind)) {
        e->mode = Mode::Number;
    } else {
        // One text and one other: read the text as that kind.
        const bool textLeft = l.kind == K::Text;
        const Literal& t = textLeft ? l : r;
        const Literal& o = textLeft ? r : l;
        Value converted;
        if (o.kind == K::Date) {
            const std::optional<double> d = parseDateText(std::u16string_view(t.text));
            if (!d)
                return fail();
            converted = DateTime{*d};
            e->mode = Mode::Date;
        } else {
            double v = 0;
            std::u16string text;
            if (!numberFromText(t.text, v, text))
                return fail();
            converted = v;
            e->mode = Mode::Number;
        }
        (textLeft ? e->a : e->b).constant = std::move(converted);
    }
    return e;
}

Result<std::unique_ptr<BoundExpr>> Binder::bind(const Expr& x) const {
    auto e = std::make_unique<BoundExpr>();
    auto operand = [&](const Operand& o, BoundOperand& out) -> Result<size_t> {
        if (o.kind != Operand::Kind::Literal) {
            auto c = column(o);
            if (!c)
                return c.error();
            out.isSlot = true;
            out.slot = slotFor(*c);
            return *c;
        }
        out.constant = plainValue(o.literal);
        return SIZE_MAX;
    };
    switch (x.kind) {
    case Expr::Kind::And:
    case Expr::Kind::Or: {
        e->kind = x.kind == Expr::Kind::And ? BoundExpr::Kind::And : BoundExpr::Kind::Or;
        auto l = bind(*x.left);
        if (!l)
            return l;
        auto r = bind(*x.right);
        if (!r)
            return r;
        e->left = std::move(*l);
        e->right = std::move(*r);
        return e;
    }
    case Expr::Kind::Not: {
        e->kind = BoundExpr::Kind::Not;
        auto l = bind(*x.left);
        if (!l)
            return l;
        e->left = std::move(*l);
        return e;
    }
    case Expr::Kind::Compare:
        return compare(x.operands[0], x.op, x.operands[1]);
    case Expr::Kind::Between: {
        // x BETWEEN a AND b is x >= a AND x <= b.
        e->kind = BoundExpr::Kind::And;
        auto l = compare(x.operands[0], CompareOp::Ge, x.operands[1]);
        if (!l)
            return l;
        auto r = compare(x.operands[0], CompareOp::Le, x.operands[2]);
        if (!r)
            return r;
        e->left = std::move(*l);
        e->right = std::move(*r);
        break;
    }
    case Expr::Kind::In: {
        // x IN (a, b, ...) is x = a OR x = b OR ...
        std::unique_ptr<BoundExpr> chain;
        for (size_t i = 1; i < x.operands.size(); ++i) {
            auto eq = compare(x.operands[0], CompareOp::Eq, x.operands[i]);
            if (!eq)
                return eq;
            if (!chain) {
                chain = std::move(*eq);
            } else {
                auto orNode = std::make_unique<BoundExpr>();
                orNode->kind = BoundExpr::Kind::Or;
                orNode->left = std::move(chain);
                orNode->right = std::move(*eq);
                chain = std::move(orNode);
            }
        }
        e = std::move(chain);
        break;
    }
    case Expr::Kind::IsNull: {
        e->kind = BoundExpr::Kind::IsNull;
        e->negated = x.negated;
        auto c = operand(x.operands[0], e->a);
        if (!c)
            return c.error();
        return e;
    }
    case Expr::Kind::Like: {
        e->kind = BoundExpr::Kind::Like;
        e->negated = x.negated;
        auto c = operand(x.operands[0], e->a);
        if (!c)
            return c.error();
        if (*c != SIZE_MAX) {
            const ColumnInfo& col = info(*c);
            if (familyOf(col.type) == Family::Binary)
                return makeError(ErrorKind::Invalid,
                                 "类型不匹配：列 " + quoteName(col.name) + " 是二进制数据，不能用 LIKE");
            e->a.textual = familyOf(col.type) != Family::Text;
        } else {
            e->a.constant = valueText(e->a.constant);
        }
        const Operand& p = x.operands[1];
        if (p.kind == Operand::Kind::Literal) {
            if (p.literal.kind == Literal::Kind::Null)
                e->b.constant = Null{};
            else {
                const std::u16string text =
                    p.literal.kind == Literal::Kind::Text || p.literal.kind == Literal::Kind::Number
                        ? p.literal.text
                        : valueText(plainValue(p.literal));
                e->pattern = std::make_unique<LikePattern>(text);
                e->b.constant = text;
            }
        } else {
            auto pc = operand(p, e->b);
            if (!pc)
                return pc.error();
            e->b.textual = familyOf(info(*pc).type) != Family::Text;
        }
        return e;
    }
    case Expr::Kind::Truth: {
        e->kind = BoundExpr::Kind::Truth;
        auto c = operand(x.operands[0], e->a);
        if (!c)
            return c.error();
        if (*c != SIZE_MAX) {
            const ColumnInfo& col = info(*c);
            if (familyOf(col.type) != Family::Number)
                return makeError(ErrorKind::Invalid, "类型不匹配：列 " + quoteName(col.name) +
                                                         " 不是是/否值或数字，不能单独作为条件");
        } else if (x.operands[0].literal.kind == Literal::Kind::Text) {
            return makeError(ErrorKind::Invalid, "类型不匹配：" + describe(x.operands[0].literal) +
                                                     " 不是是/否值，不能单独作为条件");
        }
        return e;
    }
    }
    if (x.negated) {
        auto notNode = std::make_unique<BoundExpr>();
        notNode->kind = BoundExpr::Kind::Not;
        notNode->left = std::move(e);
        return notNode;
    }
    return e;
}

// ---- evaluation ----

Truth evaluate(const BoundExpr& e, const Value* slots) {
    switch (e.kind) {
    case BoundExpr::Kind::And: {
        const Truth l = evaluate(*e.left, slots);
        if (l == Truth::False)
            return Truth::False;
        const Truth r = evaluate(*e.right, slots);
        if (r == Truth::False)
            return Truth::False;
        return l == Truth::True && r == Truth::True ? Truth::True : Truth::Unknown;
    }
    case BoundExpr::Kind::Or: {
        const Truth l = evaluate(*e.left, slots);
        if (l == Truth::True)
            return Truth::True;
        const Truth r = evaluate(*e.right, slots);
        if (r == Truth::True)
            return Truth::True;
        return l == Truth::False && r == Truth::False ? Truth::False : Truth::Unknown;
    }
    case BoundExpr::Kind::Not: {
        const Truth t = evaluate(*e.left, slots);
        return t == Truth::Unknown ? t : truthOf(t == Truth::False);
    }
    case BoundExpr::Kind::IsNull:
        return truthOf(isNull(valueOf(e.a, slots)) != e.negated);
    case BoundExpr::Kind::Truth: {
        const Value& v = valueOf(e.a, slots);
        double d = 0;
        if (isNull(v) || !numberOf(v, d))
            return Truth::Unknown;
        return truthOf(d != 0);
    }
    case BoundExpr::Kind::Like: {
        const Value& v = valueOf(e.a, slots);
        const Value& p = valueOf(e.b, slots);
        if (isNull(v) || isNull(p))
            return Truth::Unknown;
        bool hit = false;
        std::u16string converted;
        const std::u16string* text = std::get_if<std::u16string>(&v);
        if (!text || e.a.textual) {
            converted = valueText(v);
            text = &converted;
        }
        if (e.pattern) {
            hit = e.pattern->matches(*text);
        } else { // a pattern taken from a column, compiled row by row
            std::u16string pconv;
            const std::u16string* ptext = std::get_if<std::u16string>(&p);
            if (!ptext || e.b.textual) {
                pconv = valueText(p);
                ptext = &pconv;
            }
            hit = LikePattern(*ptext).matches(*text);
        }
        return truthOf(hit != e.negated);
    }
    case BoundExpr::Kind::Compare: {
        const Value& a = valueOf(e.a, slots);
        const Value& b = valueOf(e.b, slots);
        if (isNull(a) || isNull(b))
            return Truth::Unknown;
        switch (e.mode) {
        case Mode::Text: {
            const auto* x = std::get_if<std::u16string>(&a);
            const auto* y = std::get_if<std::u16string>(&b);
            if (!x || !y)
                return Truth::Unknown;
            if (e.op == CompareOp::Eq || e.op == CompareOp::Ne)
                return truthOf(equalText(*x, *y) == (e.op == CompareOp::Eq));
            return apply(e.op, compareText(*x, *y));
        }
        case Mode::Number: {
            double x = 0, y = 0;
            if (!numberOf(a, x) || !numberOf(b, y) || std::isnan(x) || std::isnan(y))
                return Truth::Unknown;
            return apply(e.op, x < y ? -1 : (x > y ? 1 : 0));
        }
        case Mode::Date: {
            int64_t x = 0, y = 0;
            if (!secondsOf(a, x) || !secondsOf(b, y))
                return Truth::Unknown;
            return apply(e.op, x < y ? -1 : (x > y ? 1 : 0));
        }
        case Mode::Guid: {
            const auto* x = std::get_if<Guid>(&a);
            const auto* y = std::get_if<Guid>(&b);
            if (!x || !y)
                return Truth::Unknown;
            return apply(e.op, std::memcmp(x->bytes.data(), y->bytes.data(), 16));
        }
        }
        return Truth::Unknown;
    }
    }
    return Truth::Unknown;
}

} // namespace jet::sql::detail

namespace jet::sql {

bool CompiledCondition::matches(const std::vector<Value>& row) const {
    if (!root_)
        return true;
    if (row.size() < width_)
        return false;
    return detail::evaluate(*root_, row.data()) == detail::Truth::True;
}

Result<CompiledCondition> compileCondition(const Condition& condition,
                                           const std::vector<ColumnInfo>& columns) {
    CompiledCondition out;
    out.width_ = 0;
    if (!condition.root)
        return out;
    std::vector<bool> seen(columns.size(), false);
    detail::Binder binder{columns, {}, [&](size_t c) {
                              if (!seen[c]) {
                                  seen[c] = true;
                                  out.used_.push_back(c);
                              }
                              if (c + 1 > out.width_)
                                  out.width_ = c + 1;
                              return uint32_t(c);
                          }};
    auto bound = binder.bind(*condition.root);
    if (!bound)
        return bound.error();
    out.root_ = std::shared_ptr<const detail::BoundExpr>(std::move(*bound));
    return out;
}

Result<bool> evaluate(const Condition& condition, const std::vector<ColumnInfo>& columns,
                      const std::vector<Value>& row) {
    auto compiled = compileCondition(condition, columns);
    if (!compiled)
        return compiled.error();
    return compiled->matches(row);
}

Result<Value> convertForColumn(const Value& value, const ColumnInfo& column) {
    if (const Bytes* b = std::get_if<Bytes>(&value)) {
        if (column.type != ColumnType::Binary && column.type != ColumnType::OLE)
            return makeError(ErrorKind::Invalid,
                             "类型不匹配：列 " + detail::quoteName(column.name) + " 不能存放二进制数据");
        if (column.maxLength > 0 && b->size() > column.maxLength)
            return makeError(ErrorKind::Invalid, "值太长：列 " + detail::quoteName(column.name) + " 最多 " +
                                                     std::to_string(column.maxLength) + " 个字节");
        return value;
    }
    if (std::holds_alternative<Guid>(value) && column.type == ColumnType::GUID)
        return value;
    return detail::storeLiteral(detail::literalOf(value), column);
}

Result<Value> convertLiteral(const Literal& literal, const ColumnInfo& column) {
    return detail::storeLiteral(literal, column);
}

} // namespace jet::sql
