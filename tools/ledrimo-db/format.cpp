#include "tools/ledrimo-db/format.h"

#include "jet/codec.h"
#include "jet/datetext.h"

#include <charconv>

namespace dbtool {

static void appendInt(std::string& out, long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// A value's text in both formats, except text (which each format quotes its own way). Returns
// false for values the format writes as a string.
static void plainText(const jet::Value& v, std::string& out) {
    switch (v.index()) {
    case 1:
        out += std::get<bool>(v) ? "true" : "false";
        break;
    case 2:
        appendInt(out, std::get<uint8_t>(v));
        break;
    case 3:
        appendInt(out, std::get<int16_t>(v));
        break;
    case 4:
        appendInt(out, std::get<int32_t>(v));
        break;
    case 5:
        out += jet::formatCurrency(std::get<jet::Currency>(v));
        break;
    case 6:
        out += jet::formatFloat(std::get<float>(v));
        break;
    case 7:
        out += jet::formatDouble(std::get<double>(v));
        break;
    case 8:
        out += jet::formatDateTime(std::get<jet::DateTime>(v));
        break;
    case 10: {
        const auto& b = std::get<jet::Bytes>(v);
        out += jet::formatHex(jet::ByteView(b.data(), b.size()));
        break;
    }
    case 11:
        out += jet::formatGuid(std::get<jet::Guid>(v));
        break;
    case 12:
        out += jet::formatDecimal(std::get<jet::Decimal>(v));
        break;
    default:
        break;
    }
}

void csvQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (char c : s) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

static void putUtf8(std::string& out, uint32_t cp);

// Text straight from UTF-16 into a quoted CSV field (as jet::toUtf8 would convert it).
static void csvQuotedText(std::string& out, std::u16string_view s) {
    out += '"';
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c < 0x80) {
            if (c == '"')
                out += '"';
            out += char(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (uint32_t(s[i + 1]) - 0xDC00);
            ++i;
        }
        putUtf8(out, c);
    }
    out += '"';
}

void csvField(std::string& out, const jet::Value& v, std::string& scratch) {
    if (jet::isNull(v))
        return;
    if (auto t = std::get_if<std::u16string>(&v)) {
        csvQuotedText(out, *t);
        return;
    }
    scratch.clear();
    plainText(v, scratch);
    // Quoted when it must be, and when it is empty (a zero-length binary value), so that only
    // NULL is an empty unquoted field.
    if (scratch.empty() || scratch.find_first_of(",\"\r\n") != std::string::npos)
        csvQuoted(out, scratch);
    else
        out += scratch;
}

static void putUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// JSON string from UTF-16: control characters, quotes and backslashes escaped; a lone
// surrogate (possible in stored text) written as its \u escape, so the output stays valid UTF-8.
void jsonString(std::string& out, std::u16string_view s) {
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c == u'"' || c == u'\\') {
            out += '\\';
            out += char(c);
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\r') {
            out += "\\r";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF)) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
                putUtf8(out, 0x10000 + ((uint32_t(c) - 0xD800) << 10) + (uint32_t(s[i + 1]) - 0xDC00));
                ++i;
                continue;
            }
            out += "\\u";
            for (int k = 12; k >= 0; k -= 4)
                out += hex[(c >> k) & 15];
        } else {
            putUtf8(out, c);
        }
    }
    out += '"';
}

static void jsonString(std::string& out, std::string_view ascii) {
    out += '"';
    out += ascii;
    out += '"';
}

void jsonValue(std::string& out, const jet::Value& v, std::string& scratch) {
    switch (v.index()) {
    case 0:
        out += "null";
        return;
    case 9:
        jsonString(out, std::u16string_view(std::get<std::u16string>(v)));
        return;
    default:
        break;
    }
    scratch.clear();
    plainText(v, scratch);
    const bool number = v.index() >= 2 && v.index() <= 7 && v.index() != 5 &&
                        !(scratch == "NaN" || scratch == "Infinity" || scratch == "-Infinity");
    if (number || v.index() == 1)
        out += scratch;
    else
        jsonString(out, std::string_view(scratch));
}

void RowPrinter::begin(const std::vector<std::u16string>& names) {
    if (csv_) {
        line_.clear();
        for (size_t i = 0; i < names.size(); ++i) {
            if (i)
                line_ += ',';
            const std::string name = jet::toUtf8(names[i]);
            if (name.find_first_of(",\"\r\n") != std::string::npos)
                csvQuoted(line_, name);
            else
                line_ += name;
        }
        line_ += "\r\n";
        out_.put(line_);
    } else {
        for (const auto& n : names) {
            std::string k;
            jsonString(k, std::u16string_view(n));
            keys_.push_back(k + ":");
        }
        out_.put("[");
    }
}

void RowPrinter::end() {
    if (!csv_)
        out_.put(first_ ? "]\n" : "\n]\n");
}

} // namespace dbtool
