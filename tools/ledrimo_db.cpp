// ledrimo-db: looks inside a Jet 4 database from the command line.
//
//   ledrimo-db tables FILE [--system]
//   ledrimo-db schema FILE [TABLE] [--system]
//   ledrimo-db dump FILE TABLE [--format csv|json]
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
#include "jet/codec.h"
#include "jet/create.h"
#include "jet/database.h"
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

void printSchema(const jet::TableDef& def, Output& out) {
    std::string s = "TABLE " + jet::toUtf8(def.name) + "  (tdef page " + std::to_string(def.page) +
                    ", row counter " + std::to_string(def.rowCount) + ", " +
                    std::to_string(def.columns.size()) + " columns, " +
                    std::to_string(def.logicalIndexCount) + " indexes)\n";
    size_t nameWidth = 4, typeWidth = 4;
    for (const auto& c : def.columns) {
        nameWidth = std::max(nameWidth, jet::toUtf8(c.name).size());
        typeWidth = std::max(typeWidth, columnTypeText(c).size());
    }
    auto pad = [](std::string v, size_t w) {
        v.resize(std::max(v.size(), w), ' ');
        return v;
    };
    for (const auto& c : def.columns) {
        s += "  " + pad(std::to_string(c.number), 4) + pad(jet::toUtf8(c.name), nameWidth + 2) +
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

int runDump(const Args& args, Output& out) {
    const std::string format = args.format.value_or("csv");
    if (format != "csv" && format != "json")
        return fail(
            jet::makeError(jet::ErrorKind::Invalid, "未知的输出格式：" + format + "（可用 csv 或 json）"));
    auto db = openDatabase(args);
    if (!db)
        return fail(db.error());
    auto table = (*db)->openTable(jet::fromUtf8(args.positional[1]));
    if (!table)
        return fail(table.error());
    const auto& cols = (*table)->def().columns;
    const bool csv = format == "csv";
    std::string line, scratch;
    std::vector<std::string> keys; // JSON: "name": prefixes
    if (csv) {
        for (size_t i = 0; i < cols.size(); ++i) {
            if (i)
                line += ',';
            const std::string name = jet::toUtf8(cols[i].name);
            if (name.find_first_of(",\"\r\n") != std::string::npos)
                csvQuoted(line, name);
            else
                line += name;
        }
        line += "\r\n";
        out.put(line);
    } else {
        for (const auto& c : cols) {
            std::string k;
            jsonString(k, std::u16string_view(c.name));
            keys.push_back(k + ":");
        }
        out.put("[");
    }
    auto cursor = (*table)->cursor();
    std::vector<jet::Value> values;
    bool first = true;
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
        line.clear();
        if (csv) {
            for (size_t i = 0; i < values.size(); ++i) {
                if (i)
                    line += ',';
                csvField(line, values[i], scratch);
            }
            line += "\r\n";
        } else {
            line += first ? "\n{" : ",\n{";
            for (size_t i = 0; i < values.size(); ++i) {
                if (i)
                    line += ',';
                line += keys[i];
                jsonValue(line, values[i], scratch);
            }
            line += '}';
        }
        first = false;
        out.put(line);
    }
    if (!csv)
        out.put(first ? "]\n" : "\n]\n");
    return 0;
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
    std::fputs("ledrimo-db：查看和新建 Jet 4（Access 2000–2003）数据库文件\n\n用法：\n", to);
    for (const auto& v : kVerbs)
        std::fprintf(to, "  %s\n", v.usage);
    std::fputs("\n每个命令都接受 --help。出错时在标准错误输出说明，退出码为 1。\n", to);
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
