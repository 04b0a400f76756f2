// Totals in SQL on real files: aggregates, GROUP BY, HAVING, aliases and ORDER BY against answers
// worked out by hand (and, for a sample file, from the mdb-export reading of it), exact sums of
// every number type, and ledrimo-db printing a grouped result.
#include "writeutil.h"

#include "jet/create.h"
#include "jet/datetext.h"
#include "jet/sql_engine.h"

#include <sstream>

using namespace testutil;
using namespace writeutil;
using jet::ColumnType;
using jet::Value;

namespace {

std::u16string text(const char* s) {
    return jet::fromUtf8(s);
}
Value date(const char* s) {
    return jet::DateTime{*jet::parseDateText(std::string_view(s))};
}

// A new database in `dir` holding one table.
std::string makeDatabase(const TempDir& dir, const jet::TableSpec& table) {
    auto bytes = jet::createDatabase({}, {table});
    EXPECT_TRUE(bytes.ok()) << (bytes.ok() ? "" : bytes.error().message);
    const std::string path = dir.file("db.mdb");
    EXPECT_TRUE(jet::writeNewFile(path, *bytes).ok());
    return path;
}

std::unique_ptr<jet::sql::Connection> reader(const std::string& path) {
    auto c = jet::sql::Connection::open(path, {.password = {}, .write = false});
    EXPECT_TRUE(c.ok()) << (c.ok() ? "" : c.error().describe());
    return c.ok() ? std::move(*c) : nullptr;
}

// The result as lines "name|name|..." then one "value|value|..." per row.
std::vector<std::string> lines(jet::sql::Connection& c, const std::string& statement) {
    auto r = c.execute(std::string_view(statement));
    if (!r.ok())
        return {"error: " + r.error().message};
    std::vector<std::string> out;
    std::string head;
    for (const auto& col : r->columns)
        head += (head.empty() ? "" : "|") + jet::toUtf8(col.name);
    out.push_back(head);
    for (size_t row = 0; row < r->rowCount(); ++row) {
        std::ostringstream line;
        for (size_t col = 0; col < r->columns.size(); ++col) {
            if (col)
                line << '|';
            jet::PrintTo(r->value(row, col), &line);
        }
        out.push_back(line.str());
    }
    return out;
}

std::vector<ColumnType> types(jet::sql::Connection& c, const std::string& statement) {
    auto r = c.execute(std::string_view(statement));
    std::vector<ColumnType> out;
    if (r.ok())
        for (const auto& col : r->columns)
            out.push_back(col.type);
    return out;
}

using Lines = std::vector<std::string>;

// Nine entries in the layout of the program's `data`: two employers written in Chinese, one written
// "ACME" and "acme", one entry without employer and one without hours.
jet::TableSpec workLog() {
    jet::TableSpec t;
    t.name = u"data";
    t.columns = {{u"姓名", ColumnType::Text, 20},
                 {u"公司名称", ColumnType::Text, 100},
                 {u"上班日期", ColumnType::DateTime},
                 {u"上班时间", ColumnType::Long},
                 {u"ID", ColumnType::Text, 100}};
    auto entry = [&](const char* name, const char* company, const char* day, Value hours, const char* id) {
        t.rows.push_back(
            {text(name), company ? Value(text(company)) : Value(jet::Null{}), date(day), hours, text(id)});
    };
    entry("张三", "广州某某科技", "2026-03-02", int32_t(8), "GZ-1");
    entry("张三", "广州某某科技", "2026-03-03", int32_t(10), "GZ-2");
    entry("张三", "深圳某某电子", "2026-03-04", jet::Null{}, "GZ-3");
    entry("李四", "深圳某某电子", "2026-03-02", int32_t(9), "GZ-4");
    entry("李四", "深圳某某电子", "2026-03-07", int32_t(4), "GZ-5");
    entry("李四", nullptr, "2026-03-08", int32_t(6), "GZ-6");
    entry("王五", "ACME", "2026-03-02", int32_t(7), "GZ-7");
    entry("王五", "acme", "2026-03-03 10:30", int32_t(11), "GZ-8");
    entry("张三", "广州某某科技", "2026-03-05", int32_t(12), "GZ-9");
    return t;
}

} // namespace

TEST(SqlAggregates, TotalsOfAWorkLogByEmployerAndPerson) {
    TempDir dir;
    const std::string path = makeDatabase(dir, workLog());
    auto c = reader(path);
    ASSERT_TRUE(c);

    // One row per employer: NULLs form one group, ACME and acme another (text ignores case, the
    // first spelling is shown); groups in text order; NULL hours are left out of COUNT(col),
    // SUM and AVG; unnamed aggregates are Expr1000 + their position.
    const std::string perEmployer =
        "select 公司名称, count(*), count(上班时间), sum(上班时间), avg(上班时间), "
        "min(上班日期), max(姓名) from data group by 公司名称";
    EXPECT_EQ(lines(*c, perEmployer), (Lines{"公司名称|Expr1001|Expr1002|Expr1003|Expr1004|Expr1005|Expr1006",
                                             "NULL|1|1|6|6|2026-03-08 00:00:00|\"李四\"",
                                             "\"ACME\"|2|2|18|9|2026-03-02 00:00:00|\"王五\"",
                                             "\"广州某某科技\"|3|3|30|10|2026-03-02 00:00:00|\"张三\"",
                                             "\"深圳某某电子\"|3|2|13|6.5|2026-03-02 00:00:00|\"李四\""}));
    EXPECT_EQ(types(*c, perEmployer),
              (std::vector<ColumnType>{ColumnType::Text, ColumnType::Long, ColumnType::Long, ColumnType::Long,
                                       ColumnType::Double, ColumnType::DateTime, ColumnType::Text}));

    // Two group columns, HAVING on an aggregate that is not selected (张三 at 深圳 has no hours),
    // ORDER BY an alias.
    EXPECT_EQ(lines(*c, "select 姓名, 公司名称, sum(上班时间) as 小时, count(*) as 条数 from data "
                        "group by 姓名, 公司名称 having count(上班时间) >= 1 order by 小时 desc"),
              (Lines{"姓名|公司名称|小时|条数", "\"张三\"|\"广州某某科技\"|30|3", "\"王五\"|\"ACME\"|18|2",
                     "\"李四\"|\"深圳某某电子\"|13|2", "\"李四\"|NULL|6|1"}));
    // A HAVING condition that is unknown drops the group like a false one: 张三 at 深圳 has only
    // NULL hours, so SUM is NULL and both "> 8" and its negation "NOT <= 8" are unknown there.
    for (const char* having : {"sum(上班时间) > 8", "not (sum(上班时间) <= 8)"})
        EXPECT_EQ(lines(*c, std::string("select 姓名, 公司名称, sum(上班时间) from data group by 姓名, 公司名称 "
                                        "having ") + having + " order by 1, 2"),
                  (Lines{"姓名|公司名称|Expr1002", "\"张三\"|\"广州某某科技\"|30", "\"李四\"|\"深圳某某电子\"|13",
                         "\"王五\"|\"ACME\"|18"}))
            << having;
    // ORDER BY an aggregate not in the select list; HAVING on a group column; ORDER BY positions.
    EXPECT_EQ(lines(*c, "select 姓名 from data group by 姓名 order by sum(上班时间) desc"),
              (Lines{"姓名", "\"张三\"", "\"李四\"", "\"王五\""}));
    EXPECT_EQ(lines(*c, "select 姓名, sum(上班时间) from data group by 姓名 having 姓名 <> '李四' and "
                        "max(上班时间) > 11"),
              (Lines{"姓名|Expr1001", "\"张三\"|30"}));
    EXPECT_EQ(lines(*c, "select 姓名, max(上班日期) as 最后 from data group by 姓名 order by 2, 1"),
              (Lines{"姓名|最后", "\"王五\"|2026-03-03 10:30:00", "\"张三\"|2026-03-05 00:00:00",
                     "\"李四\"|2026-03-08 00:00:00"}));
    // GROUP BY alone lists each value once, in order.
    EXPECT_EQ(lines(*c, "select 姓名 as 名字 from data group by 姓名"),
              (Lines{"名字", "\"张三\"", "\"李四\"", "\"王五\""}));

    // Over no rows: one row without GROUP BY (COUNT 0, the others NULL), none with it.
    EXPECT_EQ(lines(*c, "select count(*), count(上班时间), sum(上班时间), avg(上班时间), min(姓名) from data "
                        "where 姓名 = '赵六'"),
              (Lines{"Expr1000|Expr1001|Expr1002|Expr1003|Expr1004", "0|0|NULL|NULL|NULL"}));
    EXPECT_EQ(lines(*c, "select 姓名, count(*) from data where 姓名 = '赵六' group by 姓名"),
              (Lines{"姓名|Expr1001"}));
    EXPECT_EQ(
        lines(*c, "select count(*) as 条数, sum(上班时间) as 小时 from data where 上班日期 >= '2026-03-03'"),
        (Lines{"条数|小时", "6|43"}));

    // Aliases and ORDER BY an alias in a plain SELECT too.
    EXPECT_EQ(lines(*c, "select 姓名 as 名字, 上班时间 as h from data where 上班时间 > 9 order by h desc"),
              (Lines{"名字|h", "\"张三\"|12", "\"王五\"|11", "\"张三\"|10"}));

    // ledrimo-db prints a grouped result like any other (NULL is an empty field).
    auto tool = runTool({"sql", path,
                         "select 公司名称, sum(上班时间) as 小时 from data group by 公司名称 "
                         "order by 小时 desc",
                         "--format", "csv"});
    EXPECT_EQ(tool.exitCode, 0) << tool.err;
    EXPECT_EQ(tool.out,
              "公司名称,小时\r\n\"广州某某科技\",30\r\n\"ACME\",18\r\n\"深圳某某电子\",13\r\n,6\r\n");
    auto json = runTool({"sql", path, "select count(*) as 条数 from data", "--format", "json"});
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_NE(json.out.find("{\"条数\":9}"), std::string::npos) << json.out;
}

TEST(SqlAggregates, SumsAreExactAndOverflowIsAnError) {
    jet::TableSpec t;
    t.name = u"t";
    t.columns = {{u"g", ColumnType::Text, 10}, {u"b", ColumnType::Byte},     {u"i", ColumnType::Integer},
                 {u"l", ColumnType::Long},     {u"c", ColumnType::Currency}, {u"d", ColumnType::Double},
                 {u"n", ColumnType::Numeric},  {u"y", ColumnType::Boolean}};
    t.columns[6].precision = 28;
    t.columns[6].scale = 2;
    jet::sql::ColumnInfo numeric{u"n", ColumnType::Numeric, 0, true, 28, 2};
    auto dec = [&](const char* s) { return *jet::sql::convertForColumn(Value(text(s)), numeric); };
    const jet::Null null;
    t.rows = {
        {text("a"), uint8_t(200), int16_t(30000), int32_t(2000000000), jet::Currency{9000000000000000000},
         0.5, dec("12.34"), true},
        {text("a"), uint8_t(100), int16_t(30000), int32_t(2000000000), jet::Currency{1}, 0.25, dec("0.01"),
         false},
        {text("b"), null, int16_t(-5), int32_t(2000000000), jet::Currency{9000000000000000000}, null,
         dec("99999999999999999999999999.99"), true},
        {text("b"), null, null, null, null, null, null, true},
    };
    TempDir dir;
    auto c = reader(makeDatabase(dir, t));
    ASSERT_TRUE(c);

    // Byte, Integer and yes/no sums are Longs; a Long sum beyond 2^31 is exact, and then the whole
    // column is a Numeric; AVG is a Double.
    const std::string whole = "select sum(b), sum(i), sum(l), sum(y), avg(l), avg(i), sum(d), avg(d) from t";
    EXPECT_EQ(lines(*c, whole)[1], "300|59995|6000000000|-3|2e+09|19998.333333333332|0.75|0.375");
    EXPECT_EQ(types(*c, whole),
              (std::vector<ColumnType>{ColumnType::Long, ColumnType::Long, ColumnType::Numeric,
                                       ColumnType::Long, ColumnType::Double, ColumnType::Double,
                                       ColumnType::Double, ColumnType::Double}));
    EXPECT_EQ(lines(*c, "select g, sum(l) from t group by g"),
              (Lines{"g|Expr1001", "\"a\"|4000000000", "\"b\"|2000000000"}));
    EXPECT_EQ(types(*c, "select g, sum(l) from t group by g")[1], ColumnType::Numeric);
    EXPECT_EQ(types(*c, "select g, sum(l) from t where g = 'b' group by g")[1], ColumnType::Long);

    // Currency and Numeric sums are exact beyond a double's 53 bits, and an error past their type.
    EXPECT_EQ(lines(*c, "select g, sum(c), sum(n), min(c), max(n), min(b), max(i), min(y) from t group by g"),
              (Lines{"g|Expr1001|Expr1002|Expr1003|Expr1004|Expr1005|Expr1006|Expr1007",
                     "\"a\"|900000000000000.0001|12.35|0.0001|12.34|100|30000|true",
                     "\"b\"|900000000000000.0000|99999999999999999999999999.99|900000000000000.0000|"
                     "99999999999999999999999999.99|NULL|-5|true"}));
    EXPECT_EQ(types(*c, "select min(c), max(n), min(b), max(i), min(y), sum(c), sum(n) from t where g = 'a'"),
              (std::vector<ColumnType>{ColumnType::Currency, ColumnType::Numeric, ColumnType::Byte,
                                       ColumnType::Integer, ColumnType::Boolean, ColumnType::Currency,
                                       ColumnType::Numeric}));
    EXPECT_EQ(lines(*c, "select sum(c) from t"), (Lines{"error: 数值溢出：sum(c) 超出货币型的范围"}));
    EXPECT_EQ(lines(*c, "select g from t group by g having sum(n) > 100"), (Lines{"g", "\"b\""}));
    EXPECT_EQ(lines(*c, "select sum(n) from t"), (Lines{"error: 数值溢出：sum(n) 超过 28 位数字"}));
}

TEST(SqlAggregates, GroupsOfASampleFileMatchTheMdbExportReading) {
    REQUIRE_SAMPLES();
    auto c = reader(samplePath("zblog_data_cp1252_cjk.mdb"));
    ASSERT_TRUE(c);
    // Worked out from expected/…/csv/blog_Comment.csv (24 comments; comm_Yea is empty in 7).
    EXPECT_EQ(
        lines(*c, "select log_ID, count(*), count(comm_Yea), sum(comm_Yea), sum(comm_ID), "
                  "min(comm_PostTime), max(comm_Author) from blog_Comment group by log_ID"),
        (Lines{"log_ID|Expr1001|Expr1002|Expr1003|Expr1004|Expr1005|Expr1006",
               "-8|1|1|0|8|2011-03-30 21:34:33|\"zblogger\"", "0|2|0|NULL|9|2011-01-20 22:19:14|\"deddd\"",
               "1|3|0|NULL|6|2010-05-15 19:07:33|\"haphic\"", "4|1|0|NULL|6|2011-01-20 22:31:48|\"zblogger\"",
               "5|2|2|0|47|2012-06-29 07:23:14|\"123\"", "7|12|12|0|177|2011-03-30 21:34:22|\"zblogger\"",
               "14|3|3|0|73|2012-06-28 21:52:13|\"zsx\""}));
    EXPECT_EQ(lines(*c, "select comm_Author as 作者, count(*) as 条数 from blog_Comment group by comm_Author "
                        "having count(*) > 1 order by count(*) desc"),
              (Lines{"作者|条数", "\"haphic\"|14", "\"zblogger\"|5", "\"123\"|2"}));
}
