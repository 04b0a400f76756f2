// Verbs that look inside a database: tables, schema, dump, check.
#include "jet/check.h"
#include "jet/codec.h"
#include "tools/ledrimo-db/format.h"
#include "tools/ledrimo-db/verbs.h"

#include <cstdio>
#include <cstring>

namespace dbtool {

namespace {

int runTables(const Args& args, Output& out) {
    auto db = openDatabase(args);
    if (!db)
        return fail(db.error());
    for (const auto* t : (*db)->catalog().tables(args.flag(kSystemOption.name))) {
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
        nameWidth = std::max(nameWidth, displayWidth(c.name));
        typeWidth = std::max(typeWidth, columnTypeText(c).size());
    }
    auto pad = [](std::string v, size_t w) {
        v.resize(std::max(v.size(), w), ' ');
        return v;
    };
    for (const auto& c : def.columns) {
        s += "  " + pad(std::to_string(c.number), 4) + jet::toUtf8(c.name) +
             std::string(nameWidth + 2 - displayWidth(c.name), ' ') + pad(columnTypeText(c), typeWidth + 2) +
             pad(std::to_string(c.size), 6) + columnFlags(c) + "\n";
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
        tables = (*db)->catalog().tables(args.flag(kSystemOption.name));
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
    const auto format = formatOption(args, {"csv", "json"});
    if (!format)
        return 1;
    const bool csv = *format == "csv";
    auto db = openDatabase(args);
    if (!db)
        return fail(db.error());
    auto table = (*db)->openTable(jet::fromUtf8(args.positional[1]));
    if (!table)
        return fail(table.error());
    std::vector<std::u16string> names;
    for (const auto& c : (*table)->def().columns)
        names.push_back(c.name);
    RowPrinter printer(out, csv);
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

} // namespace

const std::vector<Verb>& inspectVerbs() {
    static const std::vector<Verb> verbs = {
        {"tables",
         "ledrimo-db tables FILE [--system] [--password P]",
         "列出数据库中的用户表，每行一个，按系统目录中的顺序。\n"
         "  --system        同时列出系统表\n"
         "  --password P    数据库密码（数据库设有密码时需要）\n",
         {kPasswordOption, kSystemOption},
         1,
         1,
         runTables},
        {"schema",
         "ledrimo-db schema FILE [TABLE] [--system] [--password P]",
         "显示表的结构：每列的列号、名称、类型、字节数和属性\n"
         "（fixed/variable、nullable、autonumber、compressed 即 Unicode 压缩、sort 即排序规则）。\n"
         "不给 TABLE 时显示所有用户表。\n"
         "  --system        不给 TABLE 时同时显示系统表\n"
         "  --password P    数据库密码\n",
         {kPasswordOption, kSystemOption},
         1,
         2,
         runSchema},
        {"dump",
         "ledrimo-db dump FILE TABLE [--format csv|json] [--password P]",
         "按表中的顺序输出表的每一行。\n"
         "  --format csv    （默认）RFC 4180，第一行为列名，UTF-8，行尾 CRLF；文本值总带引号，\n"
         "                  空文本为 \"\"，NULL 为不带引号的空字段\n"
         "  --format json   对象数组，键为列名，每行一个对象；NULL 为 null\n"
         "  日期为 YYYY-MM-DD HH:MM:SS；布尔值为 true/false；二进制和 OLE 为大写十六进制；\n"
         "  GUID 为 {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}；浮点数以能原样读回的最短形式输出；\n"
         "  货币保留 4 位小数，小数类型按原精度输出（JSON 中二者为字符串）。\n"
         "  --password P    数据库密码\n",
         {kPasswordOption, kFormatOption},
         2,
         2,
         runDump},
        {"check",
         "ledrimo-db check FILE [--password P]",
         "检查整个数据库：每个表的页与用法图是否一致（页的类型和所属的表）、数据页的页头\n"
         "（记录的空闲空间是否等于实际空闲空间）和行偏移（是否在页内、是否重叠）、移动行的\n"
         "指针、表定义中的行数计数与实际行数，以及每一行能否解码。\n"
         "每个问题一行（“错误：”或“警告：”），最后一行是总结。有错误时退出码为 1；\n"
         "只有警告时为 0（例如 Access 自己写的文件中行数计数偶尔差一）。\n"
         "  --password P    数据库密码\n",
         {kPasswordOption},
         1,
         1,
         runCheck},
    };
    return verbs;
}

} // namespace dbtool
