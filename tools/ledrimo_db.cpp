// ledrimo-db: looks inside a Jet 4 database from the command line, and changes its rows.
//
//   ledrimo-db tables FILE [--system]
//   ledrimo-db schema FILE [TABLE] [--system]
//   ledrimo-db dump FILE TABLE [--format csv|json]
//   ledrimo-db check FILE
//   ledrimo-db insert FILE TABLE JSON
//   ledrimo-db update FILE TABLE ROW JSON
//   ledrimo-db delete FILE TABLE ROW
//   ledrimo-db sql FILE STATEMENT [--format csv|json]
//   (each also takes --password P and --help)
//   ledrimo-db create FILE      a new database with Ledrimo's tables, `admin` empty
//   ledrimo-db new FILE         the database image the program carries, written out
//   (neither replaces an existing file)
//
// Every verb is a free function that receives the parsed arguments and an output sink, so more
// verbs are added by writing the function and one line in the verb table. Output conventions
// (documented in --help and kept stable for scripts):
//   - CSV is RFC 4180 with a header row, UTF-8, CRLF line ends; text and memo values are always
//     quoted, as is any other empty value, so an empty text is "" and only NULL is an empty
//     unquoted field.
//   - JSON is an array of objects keyed by column name, one row per line; NULL is null.
//   - Dates "YYYY-MM-DD HH:MM:SS" (the Access rule for negative day numbers; outside the years
//     100..9999 the stored day number); booleans true/false; binary and OLE upper-case hex;
//     GUIDs {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} in upper case; doubles and singles in the
//     shortest form that reads back to the same number; currency with 4 decimals and decimals
//     exactly, as JSON strings so that no reader rounds them.
// Errors go to stderr and the exit code is 1.
#include "jet/check.h"
#include "jet/codec.h"
#include "jet/create.h"
#include "jet/database.h"
#include "jet/datetext.h"
#include "jet/sql_engine.h"
#include "store/database_image.h"
#include "store/image_container.h"
#include "store/schema.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// ---- output ---------------------------------------------------------------------------------

// A buffered stdout: rows are formatted into one string and written in large blocks.
class Output {
public:
    ~Output() { flush(); }
    void put(std::string_view s) {
        buf_.append(s);
        if (buf_.size() >= (1u << 16))
            flush();
    }
    void put(char c) { buf_.push_back(c); }
    void flush() {
        if (!buf_.empty())
            std::fwrite(buf_.data(), 1, buf_.size(), stdout);
        buf_.clear();
    }

private:
    std::string buf_;
};

// ---- arguments ------------------------------------------------------------------------------

struct Args {
    std::vector<std::string> positional;
    std::optional<std::string> password;
    std::optional<std::string> format;
    bool system = false;
    bool help = false;
};

struct UsageError {
    std::string message;
};

enum OptionBits : unsigned { kOptPassword = 1, kOptSystem = 2, kOptFormat = 4 };

struct Verb {
    const char* name;
    const char* usage;
    const char* help;
    unsigned options;
    size_t minArgs, maxArgs;
    int (*run)(const Args&, Output&);
};

// Parses `argv` after the verb; accepts only the options in `allowed`.
std::optional<UsageError> parseArgs(int argc, char** argv, unsigned allowed, Args& out) {
    for (int i = 0; i < argc; ++i) {
        std::string a = argv[i];
        std::optional<std::string> inlineValue;
        if (a.rfind("--", 0) == 0) {
            const auto eq = a.find('=');
            if (eq != std::string::npos) {
                inlineValue = a.substr(eq + 1);
                a = a.substr(0, eq);
            }
        }
        auto value = [&](std::optional<std::string>& dst) -> std::optional<UsageError> {
            if (inlineValue) {
                dst = *inlineValue;
            } else if (i + 1 < argc) {
                dst = argv[++i];
            } else {
                return UsageError{"选项 " + a + " 需要一个值"};
            }
            return std::nullopt;
        };
        if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a == "--password" && (allowed & kOptPassword)) {
            if (auto e = value(out.password))
                return e;
        } else if (a == "--format" && (allowed & kOptFormat)) {
            if (auto e = value(out.format))
                return e;
        } else if (a == "--system" && (allowed & kOptSystem) && !inlineValue) {
            out.system = true;
        } else if (a == "--") {
            for (++i; i < argc; ++i)
                out.positional.push_back(argv[i]);
        } else if (a.size() > 1 && a[0] == '-') {
            return UsageError{"未知选项：" + a};
        } else {
            out.positional.push_back(a);
        }
    }
    return std::nullopt;
}

// ---- shared steps ---------------------------------------------------------------------------

int fail(const jet::Error& e) {
    std::fprintf(stderr, "ledrimo-db：%s\n", e.describe().c_str());
    return 1;
}

jet::Result<std::unique_ptr<jet::Database>> openDatabase(const Args& args) {
    jet::OpenOptions opt;
    if (args.password)
        opt.password = jet::fromUtf8(*args.password);
    return jet::Database::open(args.positional.at(0), opt);
}

// ---- text forms -----------------------------------------------------------------------------

void appendInt(std::string& out, long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// A value's text in both formats, except text (which each format quotes its own way). Returns
// false for values the format writes as a string.
void plainText(const jet::Value& v, std::string& out) {
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

void putUtf8(std::string& out, uint32_t cp);

// Text straight from UTF-16 into a quoted CSV field (as jet::toUtf8 would convert it).
void csvQuotedText(std::string& out, std::u16string_view s) {
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

void putUtf8(std::string& out, uint32_t cp) {
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

void jsonString(std::string& out, std::string_view ascii) {
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

// ---- verbs ----------------------------------------------------------------------------------

int runTables(const Args& args, Output& out) {
    auto db = openDatabase(args);
    if (!db)
        return fail(db.error());
    for (const auto* t : (*db)->catalog().tables(args.system)) {
        out.put(jet::toUtf8(t->name));
        out.put('\n');
    }
    return 0;
}

std::string columnFlags(const jet::ColumnDef& c) {
    std::string f = c.isFixed() || c.type == jet::ColumnType::Boolean ? "fixed" : "variable";
    if (c.isNullable())
        f += ", nullable";
    if (c.isAutoNumber())
        f += ", autonumber";
    if (c.isAutoGuid())
        f += ", autonumber-guid";
    if (c.isHyperlink())
        f += ", hyperlink";
    if (c.type == jet::ColumnType::Text || c.type == jet::ColumnType::Memo) {
        if (c.isCompressedUnicode())
            f += ", compressed";
        f += ", sort " + std::to_string(c.sortOrder);
        if (c.sortOrderVersion)
            f += "/" + std::to_string(c.sortOrderVersion);
    }
    return f;
}

std::string columnTypeText(const jet::ColumnDef& c) {
    char buf[48];
    const char* name = jet::columnTypeName(c.type);
    switch (c.type) {
    case jet::ColumnType::Text:
        std::snprintf(buf, sizeof buf, "%s(%d)", name, c.size / 2);
        break;
    case jet::ColumnType::Binary:
        std::snprintf(buf, sizeof buf, "%s(%d)", name, c.size);
        break;
    case jet::ColumnType::Numeric:
        std::snprintf(buf, sizeof buf, "%s(%d,%d)", name, c.precision, c.scale);
        break;
    default:
        if (std::strcmp(name, "Unknown") == 0)
            std::snprintf(buf, sizeof buf, "Unknown(0x%02X)", unsigned(uint8_t(c.type)));
        else
            std::snprintf(buf, sizeof buf, "%s", name);
    }
    return buf;
}

// Columns a name takes in a terminal: East Asian wide characters take two, a surrogate pair
// (a character past U+FFFF, mostly wide ideographs) two as well.
size_t displayWidth(const std::u16string& text) {
    size_t w = 0;
    for (char16_t c : text) {
        if (c >= 0xDC00 && c <= 0xDFFF)
            continue; // the second half of a pair, counted with the first
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                          (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xD800 && c <= 0xDBFF) ||
                          (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
                          (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6);
        w += wide ? 2 : 1;
    }
    return w;
}

void printSchema(const jet::TableDef& def, Output& out) {
    std::string s = "TABLE " + jet::toUtf8(def.name) + "  (tdef page " + std::to_string(def.page) +
                    ", row counter " + std::to_string(def.rowCount) + ", " +
                    std::to_string(def.columns.size()) + " columns, " +
                    std::to_string(def.logicalIndexCount) + " indexes)\n";
    size_t nameWidth = 4, typeWidth = 4;
    for (const auto& c : def.columns) {
        nameWidth = std::max(nameWidth, displayWidth(c.name));
        typeWidth = std::max(typeWidth, columnTypeText(c).size());
    }
    auto pad = [](std::string v, size_t w) {
        v.resize(std::max(v.size(), w), ' ');
        return v;
    };
    for (const auto& c : def.columns) {
        s += "  " + pad(std::to_string(c.number), 4) + jet::toUtf8(c.name) +
             std::string(nameWidth + 2 - displayWidth(c.name), ' ') +
             pad(columnTypeText(c), typeWidth + 2) + pad(std::to_string(c.size), 6) + columnFlags(c) + "\n";
    }
    out.put(s);
}

int runSchema(const Args& args, Output& out) {
    auto db = openDatabase(args);
    if (!db)
        return fail(db.error());
    std::vector<const jet::CatalogEntry*> tables;
    if (args.positional.size() > 1) {
        const auto* e = (*db)->catalog().findTable(jet::fromUtf8(args.positional[1]));
        if (!e)
            return fail(jet::makeError(jet::ErrorKind::NotFound, "没有名为“" + args.positional[1] + "”的表",
                                       args.positional[0]));
        tables.push_back(e);
    } else {
        tables = (*db)->catalog().tables(args.system);
    }
    bool first = true;
    for (const auto* e : tables) {
        auto def = (*db)->tableDef(*e);
        if (!def)
            return fail(def.error());
        if (!first)
            out.put('\n');
        first = false;
        printSchema(**def, out);
    }
    return 0;
}

// Writes rows as `dump` does: a header and one line per row (CSV), or an array of objects (JSON).
class RowPrinter {
public:
    RowPrinter(Output& out, bool csv) : out_(out), csv_(csv) {}

    void begin(const std::vector<std::u16string>& names) {
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

    template <class Values> void row(const Values& values, size_t count) {
        line_.clear();
        if (csv_) {
            for (size_t i = 0; i < count; ++i) {
                if (i)
                    line_ += ',';
                csvField(line_, values[i], scratch_);
            }
            line_ += "\r\n";
        } else {
            line_ += first_ ? "\n{" : ",\n{";
            for (size_t i = 0; i < count; ++i) {
                if (i)
                    line_ += ',';
                line_ += keys_[i];
                jsonValue(line_, values[i], scratch_);
            }
            line_ += '}';
        }
        first_ = false;
        out_.put(line_);
    }

    void end() {
        if (!csv_)
            out_.put(first_ ? "]\n" : "\n]\n");
    }

private:
    Output& out_;
    bool csv_;
    bool first_ = true;
    std::string line_, scratch_;
    std::vector<std::string> keys_;
};

std::optional<bool> csvFormat(const Args& args) {
    const std::string format = args.format.value_or("csv");
    if (format != "csv" && format != "json")
        return std::nullopt;
    return format == "csv";
}

int badFormat(const Args& args) {
    return fail(jet::makeError(jet::ErrorKind::Invalid,
                               "未知的输出格式：" + args.format.value_or("") + "（可用 csv 或 json）"));
}

int runDump(const Args& args, Output& out) {
    const auto csv = csvFormat(args);
    if (!csv)
        return badFormat(args);
    auto db = openDatabase(args);
    if (!db)
        return fail(db.error());
    auto table = (*db)->openTable(jet::fromUtf8(args.positional[1]));
    if (!table)
        return fail(table.error());
    std::vector<std::u16string> names;
    for (const auto& c : (*table)->def().columns)
        names.push_back(c.name);
    RowPrinter printer(out, *csv);
    printer.begin(names);
    auto cursor = (*table)->cursor();
    std::vector<jet::Value> values;
    for (;;) {
        auto more = cursor.next();
        if (!more) {
            out.flush();
            return fail(more.error());
        }
        if (!*more)
            break;
        if (auto st = cursor.values(values); !st) {
            out.flush();
            return fail(st.error());
        }
        printer.row(values, values.size());
    }
    printer.end();
    return 0;
}

// ---- JSON input (for insert and update) -------------------------------------------------------

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

// The changes a JSON object names, for the columns of `def`.
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

// ---- writing verbs ----------------------------------------------------------------------------

jet::Result<std::unique_ptr<jet::Database>> openForWriting(const Args& args) {
    jet::OpenOptions opt;
    if (args.password)
        opt.password = jet::fromUtf8(*args.password);
    opt.write = true;
    return jet::Database::open(args.positional.at(0), opt);
}

jet::Result<std::shared_ptr<const jet::TableDef>> writableTable(jet::Database& db, const std::string& name) {
    const jet::CatalogEntry* e = db.catalog().findTable(jet::fromUtf8(name));
    if (!e)
        return jet::makeError(jet::ErrorKind::NotFound, "没有名为“" + name + "”的表", db.file()->name());
    return db.tableDef(*e);
}

jet::Result<uint64_t> rowPosition(const std::string& text) {
    uint64_t n = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size())
        return jet::makeError(jet::ErrorKind::Invalid, "行号应为从 0 数起的整数：" + text);
    return n;
}

int runInsert(const Args& args, Output&) {
    auto db = openForWriting(args);
    if (!db)
        return fail(db.error());
    auto def = writableTable(**db, args.positional[1]);
    if (!def)
        return fail(def.error());
    auto changes = changesFromJson(args.positional[2], **def);
    if (!changes)
        return fail(changes.error());
    std::vector<jet::Value> row((*def)->columns.size(), jet::Value(jet::Null{}));
    for (auto& c : *changes)
        row[c.column] = std::move(c.value);
    auto id = (*db)->insertRow((*def)->name, row);
    if (!id)
        return fail(id.error());
    return 0;
}

int runUpdate(const Args& args, Output&) {
    auto position = rowPosition(args.positional[2]);
    if (!position)
        return fail(position.error());
    auto db = openForWriting(args);
    if (!db)
        return fail(db.error());
    auto def = writableTable(**db, args.positional[1]);
    if (!def)
        return fail(def.error());
    auto changes = changesFromJson(args.positional[3], **def);
    if (!changes)
        return fail(changes.error());
    auto id = (*db)->rowAt((*def)->name, *position);
    if (!id)
        return fail(id.error());
    if (auto st = (*db)->updateRow((*def)->name, *id, *changes); !st)
        return fail(st.error());
    return 0;
}

int runDelete(const Args& args, Output&) {
    auto position = rowPosition(args.positional[2]);
    if (!position)
        return fail(position.error());
    auto db = openForWriting(args);
    if (!db)
        return fail(db.error());
    auto def = writableTable(**db, args.positional[1]);
    if (!def)
        return fail(def.error());
    auto id = (*db)->rowAt((*def)->name, *position);
    if (!id)
        return fail(id.error());
    if (auto st = (*db)->deleteRow((*def)->name, *id); !st)
        return fail(st.error());
    return 0;
}

int runSql(const Args& args, Output& out) {
    const auto csv = csvFormat(args);
    if (!csv)
        return badFormat(args);
    auto statement = jet::sql::parseStatement(std::string_view(args.positional[1]));
    if (!statement)
        return fail(statement.error());
    jet::sql::Connection::Options opt;
    if (args.password)
        opt.password = jet::fromUtf8(*args.password);
    opt.write = statement->kind != jet::sql::StatementKind::Select;
    auto conn = jet::sql::Connection::open(args.positional[0], opt);
    if (!conn)
        return fail(conn.error());
    auto result = jet::sql::execute(*statement, (*conn)->storage());
    if (!result) {
        jet::Error e = result.error();
        if (e.file.empty())
            e.file = args.positional[0];
        return fail(e);
    }
    if (result->kind != jet::sql::StatementKind::Select) {
        out.put(std::to_string(result->rowsAffected) + "\n");
        return 0;
    }
    std::vector<std::u16string> names;
    for (const auto& c : result->columns)
        names.push_back(c.name);
    RowPrinter printer(out, *csv);
    printer.begin(names);
    const size_t width = result->columns.size();
    for (size_t r = 0; r < result->rowCount(); ++r)
        printer.row(result->values.data() + r * width, width);
    printer.end();
    return 0;
}

int runCheck(const Args& args, Output& out) {
    auto db = openDatabase(args);
    if (!db)
        return fail(db.error());
    const jet::CheckReport report = jet::checkDatabase(**db);
    out.put(report.describe());
    std::string summary = "检查了 " + std::to_string(report.tables) + " 个表、" +
                          std::to_string(report.pages) + " 个数据页、" + std::to_string(report.rows) +
                          " 行：";
    if (report.findings.empty())
        summary += "没有发现问题\n";
    else
        summary +=
            std::to_string(report.errors()) + " 个错误，" + std::to_string(report.warnings()) + " 个警告\n";
    out.put(summary);
    return report.ok() ? 0 : 1;
}

int runCreate(const Args& args, Output&) {
    auto file = store::createLedrimoDatabase(jet::accessDateNow(), {});
    if (!file)
        return fail(file.error());
    auto written = jet::writeNewFile(args.positional[0], *file);
    if (!written)
        return fail(written.error());
    return 0;
}

int runNew(const Args& args, Output&) {
    const std::string_view packed = store::databaseImageView();
    const auto stated = store::imageStatedSize(packed);
    const auto file = store::unpackImage(packed);
    if (!file || !stated || file->size() != *stated)
        return fail(jet::makeError(jet::ErrorKind::Corrupt, "程序携带的数据库映像已损坏"));
    auto written = jet::writeNewFile(args.positional[0], jet::Bytes(file->begin(), file->end()));
    if (!written)
        return fail(written.error());
    return 0;
}

const Verb kVerbs[] = {
    {"tables", "ledrimo-db tables FILE [--system] [--password P]",
     "列出数据库中的用户表，每行一个，按系统目录中的顺序。\n"
     "  --system        同时列出系统表\n"
     "  --password P    数据库密码（数据库设有密码时需要）\n",
     kOptPassword | kOptSystem, 1, 1, runTables},
    {"schema", "ledrimo-db schema FILE [TABLE] [--system] [--password P]",
     "显示表的结构：每列的列号、名称、类型、字节数和属性\n"
     "（fixed/variable、nullable、autonumber、compressed 即 Unicode 压缩、sort 即排序规则）。\n"
     "不给 TABLE 时显示所有用户表。\n"
     "  --system        不给 TABLE 时同时显示系统表\n"
     "  --password P    数据库密码\n",
     kOptPassword | kOptSystem, 1, 2, runSchema},
    {"dump", "ledrimo-db dump FILE TABLE [--format csv|json] [--password P]",
     "按表中的顺序输出表的每一行。\n"
     "  --format csv    （默认）RFC 4180，第一行为列名，UTF-8，行尾 CRLF；文本值总带引号，\n"
     "                  空文本为 \"\"，NULL 为不带引号的空字段\n"
     "  --format json   对象数组，键为列名，每行一个对象；NULL 为 null\n"
     "  日期为 YYYY-MM-DD HH:MM:SS；布尔值为 true/false；二进制和 OLE 为大写十六进制；\n"
     "  GUID 为 {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}；浮点数以能原样读回的最短形式输出；\n"
     "  货币保留 4 位小数，小数类型按原精度输出（JSON 中二者为字符串）。\n"
     "  --password P    数据库密码\n",
     kOptPassword | kOptFormat, 2, 2, runDump},
    {"check", "ledrimo-db check FILE [--password P]",
     "检查整个数据库：每个表的页与用法图是否一致（页的类型和所属的表）、数据页的页头\n"
     "（记录的空闲空间是否等于实际空闲空间）和行偏移（是否在页内、是否重叠）、移动行的\n"
     "指针、表定义中的行数计数与实际行数，以及每一行能否解码。\n"
     "每个问题一行（“错误：”或“警告：”），最后一行是总结。有错误时退出码为 1；\n"
     "只有警告时为 0（例如 Access 自己写的文件中行数计数偶尔差一）。\n"
     "  --password P    数据库密码\n",
     kOptPassword, 1, 1, runCheck},
    {"insert", "ledrimo-db insert FILE TABLE JSON [--password P]",
     "在表的末尾加入一行。JSON 是一个对象，键为列名，值按列的类型转换：文本为字符串；\n"
     "数字为数字（也可写成字符串）；日期为 \"YYYY-MM-DD HH:MM:SS\" 或 \"YYYY-MM-DD\"；是/否为 true/false；\n"
     "二进制和 OLE 为十六进制字符串；GUID 为 \"{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}\"；null 为空值。\n"
     "没有给出的列为空值（自动编号列取下一个编号）。例如：\n"
     "  ledrimo-db insert db data '{\"姓名\": \"张三\", \"上班时间\": 8, \"上班日期\": \"2010-07-20\"}'\n"
     "值不合列的要求（文本太长、数值超出范围、类型不对）时不写入任何内容，退出码为 1。\n"
     "  --password P    数据库密码\n",
     kOptPassword, 3, 3, runInsert},
    {"update", "ledrimo-db update FILE TABLE ROW JSON [--password P]",
     "修改第 ROW 行（按表中的顺序，从 0 数起，与 dump 的输出顺序相同）中 JSON 给出的列，\n"
     "其他列不变。JSON 的写法同 insert。\n"
     "  --password P    数据库密码\n",
     kOptPassword, 4, 4, runUpdate},
    {"delete", "ledrimo-db delete FILE TABLE ROW [--password P]",
     "删除第 ROW 行（按表中的顺序，从 0 数起）。\n"
     "  --password P    数据库密码\n",
     kOptPassword, 3, 3, runDelete},
    {"sql", "ledrimo-db sql FILE STATEMENT [--format csv|json] [--password P]",
     "执行一条 SQL 语句（SELECT、INSERT、UPDATE 或 DELETE）。SELECT 的结果按 dump 的格式输出；\n"
     "其他语句输出改动的行数。一条语句要么全部完成，要么什么也不改。例如：\n"
     "  ledrimo-db sql db \"SELECT * FROM data WHERE 上班日期 = #2010-07-20# ORDER BY ID\"\n"
     "  ledrimo-db sql db \"DELETE FROM data WHERE ID = 'GZ-00001'\"\n"
     "  --format csv|json  SELECT 结果的格式（默认 csv）\n"
     "  --password P    数据库密码\n",
     kOptPassword | kOptFormat, 2, 2, runSql},
    {"create", "ledrimo-db create FILE",
     "新建一个数据库文件：含 Ledrimo 的表 data 和 admin（admin 为空），\n"
     "Jet 4（Access 2000）格式，代码页 936，排序规则 2052。FILE 已存在时不覆盖。\n",
     0, 1, 1, runCreate},
    {"new", "ledrimo-db new FILE",
     "把程序携带的数据库映像解压后写成 FILE：表 data 为空，admin 含默认账户\n"
     "（用户名和密码均为 tamsu）。FILE 已存在时不覆盖。\n",
     0, 1, 1, runNew},
};

void printOverview(FILE* to) {
    std::fputs("ledrimo-db：查看、修改和新建 Jet 4（Access 2000–2003）数据库文件\n\n用法：\n", to);
    for (const auto& v : kVerbs)
        std::fprintf(to, "  %s\n", v.usage);
    std::fputs("\n每个命令都接受 --help。出错时在标准错误输出说明，退出码为 1，文件不会被改动。\n", to);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printOverview(stderr);
        return 1;
    }
    const std::string verbName = argv[1];
    if (verbName == "--help" || verbName == "-h" || verbName == "help") {
        printOverview(stdout);
        return 0;
    }
    const Verb* verb = nullptr;
    for (const auto& v : kVerbs)
        if (verbName == v.name)
            verb = &v;
    if (!verb) {
        std::fprintf(stderr, "ledrimo-db：未知命令：%s\n\n", verbName.c_str());
        printOverview(stderr);
        return 1;
    }
    Args args;
    if (auto e = parseArgs(argc - 2, argv + 2, verb->options, args)) {
        std::fprintf(stderr, "ledrimo-db %s：%s\n用法：%s\n", verb->name, e->message.c_str(), verb->usage);
        return 1;
    }
    if (args.help) {
        std::printf("用法：%s\n\n%s", verb->usage, verb->help);
        return 0;
    }
    if (args.positional.size() < verb->minArgs || args.positional.size() > verb->maxArgs) {
        std::fprintf(stderr, "ledrimo-db %s：参数个数不对\n用法：%s\n", verb->name, verb->usage);
        return 1;
    }
    Output out;
    return verb->run(args, out);
}
