// Verbs that change rows: insert, update, delete, and sql (which also runs SELECT).
#include "jet/codec.h"
#include "jet/sql_engine.h"
#include "tools/ledrimo-db/format.h"
#include "tools/ledrimo-db/json_input.h"
#include "tools/ledrimo-db/verbs.h"

#include <charconv>

namespace dbtool {

namespace {

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
    auto db = openDatabase(args, true);
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
    auto db = openDatabase(args, true);
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
    auto db = openDatabase(args, true);
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
    const auto format = formatOption(args, {"csv", "json"});
    if (!format)
        return 1;
    auto statement = jet::sql::parseStatement(std::string_view(args.positional[1]));
    if (!statement)
        return fail(statement.error());
    jet::sql::Connection::Options opt;
    if (auto password = args.option(kPasswordOption.name))
        opt.password = jet::fromUtf8(*password);
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
    RowPrinter printer(out, *format == "csv");
    printer.begin(names);
    const size_t width = result->columns.size();
    for (size_t r = 0; r < result->rowCount(); ++r)
        printer.row(result->values.data() + r * width, width);
    printer.end();
    return 0;
}

} // namespace

const std::vector<Verb>& editVerbs() {
    static const std::vector<Verb> verbs = {
        {"insert",
         "ledrimo-db insert FILE TABLE JSON [--password P]",
         "在表的末尾加入一行。JSON 是一个对象，键为列名，值按列的类型转换：文本为字符串；\n"
         "数字为数字（也可写成字符串）；日期为 \"YYYY-MM-DD HH:MM:SS\" 或 \"YYYY-MM-DD\"；是/否为 "
         "true/false；\n"
         "二进制和 OLE 为十六进制字符串；GUID 为 \"{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}\"；null 为空值。\n"
         "没有给出的列为空值（自动编号列取下一个编号）。例如：\n"
         "  ledrimo-db insert db data '{\"姓名\": \"张三\", \"上班时间\": 8, \"上班日期\": \"2010-07-20\"}'\n"
         "值不合列的要求（文本太长、数值超出范围、类型不对）时不写入任何内容，退出码为 1。\n"
         "  --password P    数据库密码\n",
         {kPasswordOption},
         3,
         3,
         runInsert},
        {"update",
         "ledrimo-db update FILE TABLE ROW JSON [--password P]",
         "修改第 ROW 行（按表中的顺序，从 0 数起，与 dump 的输出顺序相同）中 JSON 给出的列，\n"
         "其他列不变。JSON 的写法同 insert。\n"
         "  --password P    数据库密码\n",
         {kPasswordOption},
         4,
         4,
         runUpdate},
        {"delete",
         "ledrimo-db delete FILE TABLE ROW [--password P]",
         "删除第 ROW 行（按表中的顺序，从 0 数起）。\n"
         "  --password P    数据库密码\n",
         {kPasswordOption},
         3,
         3,
         runDelete},
        {"sql",
         "ledrimo-db sql FILE STATEMENT [--format csv|json] [--password P]",
         "执行一条 SQL 语句（SELECT、INSERT、UPDATE 或 DELETE）。SELECT 的结果按 dump 的格式输出；\n"
         "其他语句输出改动的行数。一条语句要么全部完成，要么什么也不改。SELECT 可以用合计函数\n"
         "COUNT、SUM、AVG、MIN、MAX，以及 GROUP BY、HAVING 和 AS 别名。例如：\n"
         "  ledrimo-db sql db \"SELECT * FROM data WHERE 上班日期 = #2010-07-20# ORDER BY ID\"\n"
         "  ledrimo-db sql db \"SELECT 公司名称, SUM(上班时间) AS 小时 FROM data GROUP BY 公司名称\"\n"
         "  ledrimo-db sql db \"DELETE FROM data WHERE ID = 'GZ-00001'\"\n"
         "  --format csv|json  SELECT 结果的格式（默认 csv）\n"
         "  --password P    数据库密码\n",
         {kPasswordOption, kFormatOption},
         2,
         2,
         runSql},
    };
    return verbs;
}

} // namespace dbtool
