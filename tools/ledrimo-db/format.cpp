#include "tools/ledrimo-db/format.h"

#include "jet/codec.h"

#include <cmath>

namespace dbtool {

namespace {

void guid(Output& out, const jet::Guid& g) {
    static const char hex[] = "0123456789ABCDEF";
    // The first three groups are little-endian numbers, the last two the bytes as stored.
    static const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    char* o = out.room(38);
    *o++ = '{';
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            *o++ = '-';
        const uint8_t b = g.bytes[size_t(order[i])];
        *o++ = hex[b >> 4];
        *o++ = hex[b & 15];
    }
    *o++ = '}';
    out.advance(o);
}

// The values whose form is the same in CSV and JSON apart from quoting: everything but NULL and
// text.
void plain(Output& out, const jet::Value& v) {
    switch (v.index()) {
    case 1:
        out.put(std::get<bool>(v) ? std::string_view("true") : std::string_view("false"));
        break;
    case 2:
        out.number(std::get<uint8_t>(v));
        break;
    case 3:
        out.number(std::get<int16_t>(v));
        break;
    case 4:
        out.number(std::get<int32_t>(v));
        break;
    case 5:
        out.currency(std::get<jet::Currency>(v).scaled);
        break;
    case 6:
        out.number(std::get<float>(v));
        break;
    case 7:
        out.number(std::get<double>(v));
        break;
    case 8:
        out.dateTime(std::get<jet::DateTime>(v).days);
        break;
    case 10: {
        const auto& b = std::get<jet::Bytes>(v);
        out.hex(b.data(), b.size());
        break;
    }
    case 11:
        guid(out, std::get<jet::Guid>(v));
        break;
    case 12:
        out.put(jet::formatDecimal(std::get<jet::Decimal>(v)));
        break;
    default:
        break;
    }
}

// Whether a value is written as a JSON number: integers, and floating-point numbers that are
// finite (JSON has no NaN or Infinity).
bool jsonNumber(const jet::Value& v) {
    switch (v.index()) {
    case 2:
    case 3:
    case 4:
        return true;
    case 6:
        return std::isfinite(std::get<float>(v));
    case 7:
        return std::isfinite(std::get<double>(v));
    default:
        return false;
    }
}

} // namespace

void csvField(Output& out, const jet::Value& v) {
    switch (v.index()) {
    case 0:
        return;
    case 9:
        out.csvText(std::get<std::u16string>(v));
        return;
    case 10:
        // Quoted when empty, so that only NULL is an empty unquoted field.
        if (std::get<jet::Bytes>(v).empty()) {
            out.put("\"\"");
            return;
        }
        break;
    default:
        break;
    }
    plain(out, v);
}

void csvName(Output& out, std::u16string_view name) {
    if (name.find_first_of(u",\"\r\n") != std::u16string_view::npos)
        out.csvText(name);
    else
        out.text(name);
}

void csvQuoted(Output& out, std::string_view utf8) {
    out.put('"');
    for (size_t quote; (quote = utf8.find('"')) != std::string_view::npos; utf8.remove_prefix(quote + 1)) {
        out.put(utf8.substr(0, quote + 1));
        out.put('"');
    }
    out.put(utf8);
    out.put('"');
}

void jsonValue(Output& out, const jet::Value& v) {
    switch (v.index()) {
    case 0:
        out.put("null");
        return;
    case 9:
        out.jsonText(std::get<std::u16string>(v));
        return;
    default:
        break;
    }
    if (v.index() == 1 || jsonNumber(v)) {
        plain(out, v);
        return;
    }
    out.put('"'); // none of these forms needs escaping
    plain(out, v);
    out.put('"');
}

void RowPrinter::begin(const std::vector<std::u16string>& names) {
    if (csv_) {
        for (size_t i = 0; i < names.size(); ++i) {
            if (i)
                out_.put(',');
            csvName(out_, names[i]);
        }
        out_.put("\r\n");
        return;
    }
    for (const auto& n : names) {
        std::string key;
        jet::TextWriter k(key);
        k.jsonText(n);
        k.put(':');
        k.flush();
        keys_.push_back(std::move(key));
    }
    out_.put('[');
}

void RowPrinter::end() {
    if (!csv_)
        out_.put(first_ ? "]\n" : "\n]\n");
}

} // namespace dbtool
