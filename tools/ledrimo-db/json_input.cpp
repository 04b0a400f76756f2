#include "tools/ledrimo-db/json_input.h"

#include "jet/datetext.h"
#include "jet/sql_engine.h"

#include <charconv>
#include <optional>

namespace dbtool {

namespace {

struct JsonValue {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    std::string number;               // as written
    std::u16string string;            // \u escapes as UTF-16 code units
    std::vector<std::u16string> keys; // Object: the keys, in order
    std::vector<JsonValue> items;     // Array: the values; Object: the value of each key
};

class JsonReader {
public:
    explicit JsonReader(std::string_view text) : s_(text) {}

    // The whole text as one value; nullopt with error() set otherwise.
    std::optional<JsonValue> document() {
        auto v = value(0);
        if (v) {
            blanks();
            if (pos_ != s_.size()) {
                fault("多余的内容");
                return std::nullopt;
            }
        }
        return v;
    }
    const std::string& error() const { return error_; }

private:
    void blanks() {
        while (pos_ < s_.size() &&
               (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
            ++pos_;
    }
    void fault(const std::string& what) {
        if (error_.empty())
            error_ = "JSON 格式错误：第 " + std::to_string(pos_ + 1) + " 个字节附近" + what;
    }
    bool literal(std::string_view word) {
        if (s_.substr(pos_, word.size()) != word)
            return false;
        pos_ += word.size();
        return true;
    }
    std::optional<std::u16string> string() {
        ++pos_; // the opening quote
        std::string bytes;
        std::u16string out;
        auto flush = [&] {
            out += jet::fromUtf8(bytes);
            bytes.clear();
        };
        while (pos_ < s_.size()) {
            const char c = s_[pos_++];
            if (c == '"') {
                flush();
                return out;
            }
            if (uint8_t(c) < 0x20) {
                fault("字符串中有控制字符");
                return std::nullopt;
            }
            if (c != '\\') {
                bytes += c;
                continue;
            }
            if (pos_ >= s_.size())
                break;
            const char e = s_[pos_++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                bytes += e;
                break;
            case 'b':
                bytes += '\b';
                break;
            case 'f':
                bytes += '\f';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 'r':
                bytes += '\r';
                break;
            case 't':
                bytes += '\t';
                break;
            case 'u': {
                if (pos_ + 4 > s_.size()) {
                    fault("\\u 转义不完整");
                    return std::nullopt;
                }
                unsigned v = 0;
                for (int k = 0; k < 4; ++k) {
                    const char h = s_[pos_++];
                    v <<= 4;
                    if (h >= '0' && h <= '9')
                        v |= unsigned(h - '0');
                    else if (h >= 'a' && h <= 'f')
                        v |= unsigned(h - 'a' + 10);
                    else if (h >= 'A' && h <= 'F')
                        v |= unsigned(h - 'A' + 10);
                    else {
                        fault("\\u 转义中有非十六进制字符");
                        return std::nullopt;
                    }
                }
                flush();
                out += char16_t(v);
                break;
            }
            default:
                fault("未知的转义");
                return std::nullopt;
            }
        }
        fault("字符串没有结束");
        return std::nullopt;
    }
    std::optional<JsonValue> value(int depth) {
        blanks();
        JsonValue v;
        if (depth > 64) {
            fault("嵌套太深");
            return std::nullopt;
        }
        if (pos_ >= s_.size()) {
            fault("缺少值");
            return std::nullopt;
        }
        const char c = s_[pos_];
        if (c == '{' || c == '[') {
            const bool object = c == '{';
            v.kind = object ? JsonValue::Object : JsonValue::Array;
            ++pos_;
            blanks();
            if (pos_ < s_.size() && s_[pos_] == (object ? '}' : ']')) {
                ++pos_;
                return v;
            }
            for (;;) {
                std::u16string key;
                if (object) {
                    blanks();
                    if (pos_ >= s_.size() || s_[pos_] != '"') {
                        fault("应为带引号的列名");
                        return std::nullopt;
                    }
                    auto k = string();
                    if (!k)
                        return std::nullopt;
                    key = std::move(*k);
                    blanks();
                    if (pos_ >= s_.size() || s_[pos_] != ':') {
                        fault("应为冒号");
                        return std::nullopt;
                    }
                    ++pos_;
                }
                auto item = value(depth + 1);
                if (!item)
                    return std::nullopt;
                if (object)
                    v.keys.push_back(std::move(key));
                v.items.push_back(std::move(*item));
                blanks();
                if (pos_ < s_.size() && s_[pos_] == ',') {
                    ++pos_;
                    continue;
                }
                if (pos_ < s_.size() && s_[pos_] == (object ? '}' : ']')) {
                    ++pos_;
                    return v;
                }
                fault(object ? "应为逗号或 }" : "应为逗号或 ]");
                return std::nullopt;
            }
        }
        if (c == '"') {
            auto str = string();
            if (!str)
                return std::nullopt;
            v.kind = JsonValue::String;
            v.string = std::move(*str);
            return v;
        }
        if (literal("null"))
            return v;
        if (literal("true") || literal("false")) {
            v.kind = JsonValue::Bool;
            v.boolean = s_[pos_ - 1] == 'e' && s_[pos_ - 2] == 'u';
            return v;
        }
        const size_t start = pos_;
        if (pos_ < s_.size() && s_[pos_] == '-')
            ++pos_;
        const size_t digits = pos_;
        while (pos_ < s_.size() && ((s_[pos_] >= '0' && s_[pos_] <= '9') || s_[pos_] == '.' ||
                                    s_[pos_] == 'e' || s_[pos_] == 'E' || s_[pos_] == '+' || s_[pos_] == '-'))
            ++pos_;
        if (pos_ == digits) {
            fault("无法识别的值");
            return std::nullopt;
        }
        v.kind = JsonValue::Number;
        v.number = std::string(s_.substr(start, pos_ - start));
        double d = 0;
        const auto r = std::from_chars(v.number.data(), v.number.data() + v.number.size(), d);
        if (r.ec == std::errc::invalid_argument || r.ptr != v.number.data() + v.number.size()) {
            pos_ = start;
            fault("数字格式错误");
            return std::nullopt;
        }
        return v;
    }

    std::string_view s_;
    size_t pos_ = 0;
    std::string error_;
};

std::optional<jet::Bytes> bytesFromHex(const std::u16string& hex) {
    if (hex.size() % 2 != 0)
        return std::nullopt;
    jet::Bytes out;
    out.reserve(hex.size() / 2);
    auto digit = [](char16_t h) -> int {
        if (h >= u'0' && h <= u'9')
            return h - u'0';
        if (h >= u'a' && h <= u'f')
            return h - u'a' + 10;
        if (h >= u'A' && h <= u'F')
            return h - u'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int a = digit(hex[i]), b = digit(hex[i + 1]);
        if (a < 0 || b < 0)
            return std::nullopt;
        out.push_back(uint8_t(a * 16 + b));
    }
    return out;
}

// A JSON value for a column, by the conversions an INSERT statement makes ('2010-07-20 16:07:26'
// into a date, numbers checked against the column's range...), binary data as hex digits.
jet::Result<jet::Value> valueFromJson(const JsonValue& j, const jet::sql::ColumnInfo& column) {
    using jet::sql::Literal;
    const std::string name = "'" + jet::toUtf8(column.name) + "'";
    Literal lit;
    switch (j.kind) {
    case JsonValue::Null:
        lit.kind = Literal::Kind::Null;
        break;
    case JsonValue::Bool:
        lit.kind = Literal::Kind::Boolean;
        lit.boolean = j.boolean;
        break;
    case JsonValue::Number: {
        lit.kind = Literal::Kind::Number;
        lit.text = jet::fromUtf8(j.number);
        std::from_chars(j.number.data(), j.number.data() + j.number.size(), lit.number);
        break;
    }
    case JsonValue::String:
        if (column.type == jet::ColumnType::Binary || column.type == jet::ColumnType::OLE) {
            auto bytes = bytesFromHex(j.string);
            if (!bytes)
                return jet::makeError(jet::ErrorKind::Invalid,
                                      "类型不匹配：列 " + name + " 是二进制数据，值应为十六进制数字");
            return jet::sql::convertForColumn(jet::Value(std::move(*bytes)), column);
        }
        lit.kind = Literal::Kind::Text;
        lit.text = j.string;
        if (column.type == jet::ColumnType::DateTime && !jet::parseDateText(std::u16string_view(j.string))) {
            // dump writes a date outside the years 100-9999 as its day number
            double d = 0;
            const std::string t = jet::toUtf8(j.string);
            const auto r = std::from_chars(t.data(), t.data() + t.size(), d);
            if (r.ec == std::errc() && r.ptr == t.data() + t.size()) {
                lit.kind = Literal::Kind::Number;
                lit.number = d;
            }
        }
        break;
    default:
        return jet::makeError(jet::ErrorKind::Invalid, "列 " + name + " 的值不能是数组或对象");
    }
    return jet::sql::convertLiteral(lit, column);
}

} // namespace

jet::Result<std::vector<jet::ColumnChange>> changesFromJson(const std::string& text,
                                                            const jet::TableDef& def) {
    JsonReader reader(text);
    auto doc = reader.document();
    if (!doc)
        return jet::makeError(jet::ErrorKind::Invalid, reader.error());
    if (doc->kind != JsonValue::Object)
        return jet::makeError(jet::ErrorKind::Invalid,
                              "JSON 应为一个对象，键为列名，例如 {\"姓名\": \"张三\"}");
    const auto columns = jet::sql::columnInfo(def);
    std::vector<jet::ColumnChange> out;
    std::vector<bool> seen(columns.size(), false);
    for (size_t m = 0; m < doc->keys.size(); ++m) {
        const std::u16string& key = doc->keys[m];
        const JsonValue& value = doc->items[m];
        const int c = def.findColumn(key);
        if (c < 0)
            return jet::makeError(jet::ErrorKind::NotFound, "找不到列 '" + jet::toUtf8(key) + "'");
        if (seen[size_t(c)])
            return jet::makeError(jet::ErrorKind::Invalid, "列 '" + jet::toUtf8(key) + "' 重复出现");
        seen[size_t(c)] = true;
        auto v = valueFromJson(value, columns[size_t(c)]);
        if (!v)
            return v.error();
        out.push_back(jet::ColumnChange{size_t(c), std::move(*v)});
    }
    return out;
}

} // namespace dbtool
