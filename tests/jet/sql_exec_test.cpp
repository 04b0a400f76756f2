#include "sql_test_tables.h"

#include "jet/datetext.h"
#include "jet/sql_text.h"

#include <gtest/gtest.h>

using namespace jet::sql;
using jet::DateTime;
using jet::Null;
using jet::Value;
using sqltest::Entry;

namespace {

const double k20100720 = 40379;

class Sql : public ::testing::Test {
protected:
    void SetUp() override { sqltest::addProgramTables(db); }

    ExecResult run(const std::string& text) {
        auto r = execute(std::string_view(text), db);
        EXPECT_TRUE(r.ok()) << text << "\n" << (r.ok() ? "" : r.error().message);
        return r.ok() ? std::move(r).value() : ExecResult{};
    }
    // The message of a statement that must fail, checking that no table changed.
    std::string fails(const std::string& text, jet::ErrorKind kind = jet::ErrorKind::Invalid) {
        const auto before = snapshot();
        auto r = execute(std::string_view(text), db);
        EXPECT_FALSE(r.ok()) << text;
        EXPECT_EQ(before, snapshot()) << "changed by: " << text;
        EXPECT_FALSE(db.inBatch());
        if (r.ok())
            return "(ran)";
        EXPECT_EQ(r.error().kind, kind) << r.error().message;
        return r.error().message;
    }
    std::vector<std::vector<std::vector<Value>>> snapshot() {
        return {db.table(u"data")->rows(), db.table(u"admin")->rows()};
    }
    std::vector<std::u16string> texts(const std::string& select) {
        std::vector<std::u16string> out;
        const ExecResult r = run(select);
        for (size_t i = 0; i < r.rowCount(); ++i)
            out.push_back(std::holds_alternative<std::u16string>(r.value(i, 0))
                              ? std::get<std::u16string>(r.value(i, 0))
                              : u"(not text)");
        return out;
    }
    void addEntry(const std::string& id, const std::string& workDate = "2010年7月20日",
                  const std::string& hours = "8", const std::string& name = "张三") {
        Entry e;
        e.id = id;
        e.workDate = workDate;
        e.hours = hours;
        e.name = name;
        run(sqltest::insertStatement(e));
    }
    MemoryTable& data() { return *db.table(u"data"); }

    MemoryStorage db;
};

} // namespace

// ---- the program's statements, unchanged ----

TEST_F(Sql, TheInsertStatementStoresEveryValueInItsColumnsType) {
    const ExecResult r = run(sqltest::insertStatement(Entry{}));
    EXPECT_EQ(r.rowsAffected, 1u);
    ASSERT_EQ(data().rowCount(), 1u);
    const auto row = data().rows()[0];
    EXPECT_EQ(row[0], Value(std::u16string(u"张三")));
    EXPECT_EQ(row[1], Value(std::u16string(u"广州某某科技有限公司")));
    EXPECT_EQ(row[2], Value(std::u16string(u"广州市天河区某路1号")));
    EXPECT_EQ(row[3], Value(DateTime{*jet::parseDateText(std::string_view("2009-03-01"))}));
    EXPECT_EQ(row[4], Value(DateTime{k20100720}));
    EXPECT_EQ(row[5], Value(int32_t(8)));
    EXPECT_EQ(row[6], Value(std::u16string(u"调试程序\r\n写文档")));
    EXPECT_EQ(jet::toUtf8(jet::formatDateText(std::get<DateTime>(row[7]).days)), "2010年7月20日16时7分26秒");
    EXPECT_EQ(row[8], Value(std::u16string(u"GZ-00001")));
}

TEST_F(Sql, TheUpdateStatementRewritesOnlyTheEntryWithThatId) {
    addEntry("GZ-00001");
    addEntry("GZ-00002");
    Entry e;
    e.id = "GZ-00002";
    e.name = "李四";
    e.workDate = "2010年7月21日";
    e.hours = "10";
    e.notes = "";
    e.stamp = "2010年7月21日9时";
    const ExecResult r = run(sqltest::updateStatement(e));
    EXPECT_EQ(r.rowsAffected, 1u);
    const auto rows = data().rows();
    EXPECT_EQ(rows[0][0], Value(std::u16string(u"张三")));
    EXPECT_EQ(rows[1][0], Value(std::u16string(u"李四")));
    EXPECT_EQ(rows[1][4], Value(DateTime{k20100720 + 1}));
    EXPECT_EQ(rows[1][5], Value(int32_t(10)));
    EXPECT_EQ(rows[1][6], Value(std::u16string()));
    EXPECT_EQ(rows[1][7], Value(DateTime{k20100720 + 1 + 9 / 24.0}));
    EXPECT_EQ(rows[1][8], Value(std::u16string(u"GZ-00002")));
}

TEST_F(Sql, TheIdentifierQueryListsMatchingIdsInTextOrder) {
    const std::string query = "select ID from data where ID like 'GZ-%' order by ID";
    EXPECT_TRUE(texts(query).empty());
    for (const char* id : {"GZ-00003", "GZ-00010", "GZ-00001", "XX-00099", "gz-00002", "GZ-00009"})
        addEntry(id);
    run("insert into data (姓名) values ('没有序号')");
    const ExecResult r = run(query);
    ASSERT_EQ(r.columns.size(), 1u);
    EXPECT_EQ(r.columns[0].name, u"ID");
    EXPECT_EQ(r.columns[0].type, jet::ColumnType::Text);
    EXPECT_EQ(texts(query),
              (std::vector<std::u16string>{u"GZ-00001", u"gz-00002", u"GZ-00003", u"GZ-00009", u"GZ-00010"}));
}

TEST_F(Sql, TheAccountStatements) {
    const std::string code = "0123456789ABCDEF0123456789ABCDEF";
    run("insert into admin (id,name,code) values (1,'tamsu','" + code + "')");
    run("update admin set name='新用户',code='" + std::string(32, 'F') + "' where id=1");
    const auto rows = db.table(u"admin")->rows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], Value(int32_t(1)));
    EXPECT_EQ(rows[0][1], Value(std::u16string(u"新用户")));
    EXPECT_EQ(rows[0][2], Value(jet::fromUtf8(std::string(32, 'F'))));
    // A name of ten characters fits, eleven do not.
    run("update admin set name='一二三四五六七八九十' where id=1");
    EXPECT_EQ(fails("update admin set name='一二三四五六七八九十一' where id=1"),
              "值太长：列 'name' 最多 10 个字符");
    // The row with another id is not touched.
    EXPECT_EQ(run("update admin set name='x' where id=2").rowsAffected, 0u);
}

TEST_F(Sql, DoubledQuotesStoreOneQuote) {
    Entry e;
    e.name = sqltest::quoted("O'Brien");
    e.notes = sqltest::quoted("it's 'quoted'");
    run(sqltest::insertStatement(e));
    EXPECT_EQ(data().rows()[0][0], Value(std::u16string(u"O'Brien")));
    EXPECT_EQ(data().rows()[0][6], Value(std::u16string(u"it's 'quoted'")));
    e.name = sqltest::quoted("D'Arcy");
    run(sqltest::updateStatement(e));
    EXPECT_EQ(data().rows()[0][0], Value(std::u16string(u"D'Arcy")));
    EXPECT_EQ(texts("select 姓名 from data where 姓名 = 'd''arcy'"), std::vector<std::u16string>{u"D'Arcy"});
}

TEST_F(Sql, AnUnescapedQuoteIsASyntaxErrorAndChangesNothing) {
    addEntry("GZ-00001");
    Entry e;
    e.name = "O'Brien";
    EXPECT_EQ(fails(sqltest::insertStatement(e), jet::ErrorKind::Syntax).rfind("语法错误：第 ", 0), 0u);
    EXPECT_EQ(fails(sqltest::updateStatement(e), jet::ErrorKind::Syntax),
              "语法错误：第 23 个字符附近 'Brien'（语句应在此结束）");
}

TEST_F(Sql, AnEmptyHoursTextMakesTheUpdateFail) {
    addEntry("GZ-00001");
    Entry e;
    e.hours = "";
    EXPECT_EQ(fails(sqltest::updateStatement(e), jet::ErrorKind::Syntax).rfind("语法错误：", 0), 0u);
}

// ---- errors, each changing nothing ----

TEST_F(Sql, UnknownTablesAndColumns) {
    addEntry("GZ-00001");
    EXPECT_EQ(fails("select * from 数据", jet::ErrorKind::NotFound), "找不到表 '数据'");
    EXPECT_EQ(fails("delete from datas", jet::ErrorKind::NotFound), "找不到表 'datas'");
    EXPECT_EQ(fails("select xxx from data", jet::ErrorKind::NotFound), "找不到列 'xxx'");
    EXPECT_EQ(fails("select * from data where 姓 = 'a'", jet::ErrorKind::NotFound), "找不到列 '姓'");
    EXPECT_EQ(fails("select * from data order by 日期", jet::ErrorKind::NotFound), "找不到列 '日期'");
    EXPECT_EQ(fails("update data set 备注='x'", jet::ErrorKind::NotFound), "找不到列 '备注'");
    EXPECT_EQ(fails("update data set 姓名=abc", jet::ErrorKind::NotFound), "找不到列 'abc'");
    EXPECT_EQ(fails("insert into data (姓名, 年龄) values ('a', 1)", jet::ErrorKind::NotFound),
              "找不到列 '年龄'");
    EXPECT_EQ(fails("select admin.id from data", jet::ErrorKind::NotFound), "找不到列 'admin.id'");
    EXPECT_EQ(fails("delete from data where xxx is null", jet::ErrorKind::NotFound), "找不到列 'xxx'");
}

TEST_F(Sql, AggregateMistakesAreNamedInChineseWithTheirPosition) {
    addEntry("GZ-00001");
    using jet::ErrorKind;
    const std::string notPart = "查询不包含作为合计函数一部分的特定表达式 ";
    const std::string fix = "：请把它列入 GROUP BY，或放进 COUNT、SUM 等合计函数）";
    // A column that is neither grouped nor inside an aggregate, wherever it is.
    EXPECT_EQ(fails("select 姓名, count(*) from data", ErrorKind::Syntax),
              "语法错误：第 8 个字符附近 '姓名'（" + notPart + "'姓名'" + fix);
    EXPECT_EQ(fails("select count(*), 公司名称 from data group by 姓名", ErrorKind::Syntax),
              "语法错误：第 18 个字符附近 '公司名称'（" + notPart + "'公司名称'" + fix);
    EXPECT_EQ(fails("select 姓名 from data group by 姓名 order by 上班时间", ErrorKind::Syntax),
              "语法错误：第 42 个字符附近 '上班时间'（" + notPart + "'上班时间'" + fix);
    EXPECT_EQ(fails("select 姓名 from data group by 姓名 having data.上班时间 > 8", ErrorKind::Syntax),
              "语法错误：第 40 个字符附近 'data.上班时间'（" + notPart + "'data.上班时间'" + fix);
    EXPECT_EQ(fails("select * from data group by 姓名", ErrorKind::Syntax),
              "语法错误：第 8 个字符附近 '*'（有 GROUP BY 或合计函数时不能用 * 选择全部列）");
    // Aggregates where they cannot be, and forms that are not taken.
    EXPECT_EQ(
        fails("select count(*) from data where sum(上班时间) > 8", ErrorKind::Syntax),
        "语法错误：第 33 个字符附近 'sum'（此处不能使用合计函数，合计函数只能用在 SELECT 列表、HAVING 和 "
        "ORDER BY 中）");
    EXPECT_EQ(fails("update data set 姓名 = max(姓名)", ErrorKind::Syntax)
                  .rfind("语法错误：第 22 个字符附近 'max'", 0),
              0u);
    EXPECT_EQ(fails("select 姓名 from data group by count(*)", ErrorKind::Syntax),
              "语法错误：第 30 个字符附近 'count'（GROUP BY 中不能使用合计函数）");
    EXPECT_EQ(fails("select count(distinct 姓名) from data", ErrorKind::Syntax),
              "语法错误：第 14 个字符附近 'distinct'（不支持 distinct）");
    EXPECT_EQ(fails("select sum(*) from data", ErrorKind::Syntax),
              "语法错误：第 12 个字符附近 '*'（只有 COUNT 可以写 *）");
    EXPECT_EQ(fails("select count(*) as from data", ErrorKind::Syntax),
              "语法错误：第 20 个字符附近 'from'（应为别名）");
    EXPECT_FALSE(parseCondition(std::string_view("count(*) > 1")).ok());
    // Names and types.
    EXPECT_EQ(fails("select sum(工资) from data", ErrorKind::NotFound), "找不到列 '工资'");
    EXPECT_EQ(fails("select avg(姓名) from data"),
              "类型不匹配：第 8 个字符处的 avg(姓名)：列 '姓名' 是文本，SUM 和 AVG 只能用于数字或是/否值");
    EXPECT_EQ(
        fails("select sum(上班日期) from data"),
        "类型不匹配：第 8 个字符处的 sum(上班日期)：列 '上班日期' 是日期，SUM 和 AVG 只能用于数字或是/否值");
    EXPECT_EQ(fails("select count(*) from data order by 3"), "ORDER BY 的列序号 3 超出范围（1 到 1）");
    // A grouped result has no rows of the table to hand out one by one.
    ExecOptions idsOnly;
    idsOnly.rowIdsOnly = true;
    auto ids = execute(std::string_view("select count(*) from data"), db, idsOnly);
    ASSERT_FALSE(ids.ok());
    EXPECT_EQ(ids.error().message, "合计查询的结果是算出来的，不是表中的行，不能只取行号");
}

TEST_F(Sql, AThousandRowsInThreeHundredGroups) {
    for (int i = 0; i < 1000; ++i)
        run("insert into data (姓名, 上班时间) values ('名" + std::to_string(i % 300) + "', " +
            std::to_string(i) + ")");
    // Groups 0..99 have rows k, k + 300, k + 600, k + 900; the others three rows.
    const ExecResult r =
        run("select 姓名, count(*), sum(上班时间) from data group by 姓名 having count(*) = 4");
    ASSERT_EQ(r.rowCount(), 100u);
    int checked = 0;
    for (size_t row = 0; row < r.rowCount(); ++row) {
        const int k = std::stoi(jet::toUtf8(std::get<std::u16string>(r.value(row, 0))).substr(3));
        EXPECT_LT(k, 100);
        EXPECT_EQ(r.value(row, 2), Value(int32_t(4 * k + 1800)));
        checked += k;
    }
    EXPECT_EQ(checked, 99 * 100 / 2);
    EXPECT_EQ(run("select 姓名 from data group by 姓名").rowCount(), 300u);
}

TEST_F(Sql, TypeMismatches) {
    addEntry("GZ-00001");
    Entry e;
    e.workDate = "abc";
    EXPECT_EQ(fails(sqltest::insertStatement(e)), "类型不匹配：列 '上班日期' 需要日期，得到 'abc'");
    EXPECT_EQ(fails("update data set 上班日期='2010年2月30日'"),
              "类型不匹配：列 '上班日期' 需要日期，得到 '2010年2月30日'");
    EXPECT_EQ(fails("update data set 入厂时间='2010年13月1日'"),
              "类型不匹配：列 '入厂时间' 需要日期，得到 '2010年13月1日'");
    EXPECT_EQ(fails("update data set 入厂时间=''"), "类型不匹配：列 '入厂时间' 需要日期，得到 ''");
    EXPECT_EQ(fails("update data set 上班时间='abc'"), "类型不匹配：列 '上班时间' 需要整数，得到 'abc'");
    EXPECT_EQ(fails("update data set 上班时间=3.5"), "类型不匹配：列 '上班时间' 需要整数，得到 3.5");
    EXPECT_EQ(fails("update data set 上班时间=#2010-07-20 12:00#"),
              "类型不匹配：列 '上班时间' 需要整数，得到 #2010-07-20 12:00#");
    EXPECT_EQ(fails("update data set 姓名=TRUE"), "类型不匹配：列 '姓名' 需要文本，得到 TRUE");
    EXPECT_EQ(fails("select * from data where 上班日期 = 'abc'"),
              "类型不匹配：列 '上班日期' 需要日期，得到 'abc'");
    EXPECT_EQ(fails("select * from data where ID = 5"), "类型不匹配：列 'ID' 需要文本，得到 5");
    EXPECT_EQ(fails("select * from data where 上班时间 = '八'"),
              "类型不匹配：列 '上班时间' 需要整数，得到 '八'");
    EXPECT_EQ(fails("select * from data where 姓名 = 上班时间"),
              "类型不匹配：列 '姓名' 与列 '上班时间' 不能比较");
    EXPECT_EQ(fails("select * from data where 姓名"),
              "类型不匹配：列 '姓名' 不是是/否值或数字，不能单独作为条件");
    EXPECT_EQ(fails("select * from data where 'a' = 1"), "类型不匹配：'a' 与 1 不能比较");
}

TEST_F(Sql, TextThatIsANumberGoesIntoANumberColumn) {
    Entry e;
    e.hours = "'8'";
    run(sqltest::insertStatement(e));
    EXPECT_EQ(data().rows()[0][5], Value(int32_t(8)));
    run("update data set 上班时间=' 12 '");
    EXPECT_EQ(data().rows()[0][5], Value(int32_t(12)));
    run("update data set 上班时间=1e1");
    EXPECT_EQ(data().rows()[0][5], Value(int32_t(10)));
    run("update data set 上班时间=-3");
    EXPECT_EQ(data().rows()[0][5], Value(int32_t(-3)));
    EXPECT_EQ(texts("select ID from data where 上班时间 = '-3'"), std::vector<std::u16string>{u"GZ-00001"});
    // Numbers into text columns are written as they stand.
    run("update data set 姓名=-12.50");
    EXPECT_EQ(data().rows()[0][0], Value(std::u16string(u"-12.50")));
}

TEST_F(Sql, NumbersOutOfRangeOverflow) {
    addEntry("GZ-00001");
    EXPECT_EQ(fails("update data set 上班时间=99999999999"),
              "数值溢出：列 '上班时间' 的值须在 -2147483648 到 2147483647 之间，得到 99999999999");
    EXPECT_EQ(fails("update data set 上班时间=-2147483649"),
              "数值溢出：列 '上班时间' 的值须在 -2147483648 到 2147483647 之间，得到 -2147483649");
    run("update data set 上班时间=-2147483648");
    run("update data set 上班时间=2147483647");
    EXPECT_EQ(fails("update data set 上班日期=3000000"),
              "数值溢出：列 '上班日期' 的日期须在 100年1月1日 到 9999年12月31日 之间，得到 3000000");
}

TEST_F(Sql, ValuesTooLongForTheirColumn) {
    Entry e;
    e.name.clear();
    for (int i = 0; i < 21; ++i)
        e.name += "张";
    EXPECT_EQ(fails(sqltest::insertStatement(e)), "值太长：列 '姓名' 最多 20 个字符");
    e.name.resize(20 * 3);
    run(sqltest::insertStatement(e));
    EXPECT_EQ(fails("update data set 工作备注='" + std::string(256, 'x') + "'"),
              "值太长：列 '工作备注' 最多 255 个字符");
}

TEST_F(Sql, ValueCountsAndDuplicateColumns) {
    EXPECT_EQ(fails("insert into data (姓名, ID) values ('a')"), "值的个数（1）与列的个数（2）不一致");
    EXPECT_EQ(fails("insert into data (姓名) values ('a', 'b')"), "值的个数（2）与列的个数（1）不一致");
    EXPECT_EQ(fails("insert into admin values (1, 'a')"), "值的个数（2）与列的个数（3）不一致");
    EXPECT_EQ(fails("insert into data (姓名, 姓名) values ('a', 'b')"), "列 '姓名' 重复出现");
    EXPECT_EQ(fails("insert into data (ID, id) values ('a', 'b')"), "列 'ID' 重复出现");
    EXPECT_EQ(fails("update data set 姓名='a', [姓名]='b'"), "列 '姓名' 重复出现");
    run("insert into admin values (1, 'a', 'b')");
    EXPECT_EQ(db.table(u"admin")->rowCount(), 1u);
}

TEST_F(Sql, NullInARequiredColumn) {
    db.addTable(u"t", {ColumnInfo{u"a", jet::ColumnType::Long, 0, false},
                       ColumnInfo{u"b", jet::ColumnType::Text, 5}});
    EXPECT_EQ(fails("insert into t (b) values ('x')"), "列 'a' 不能为空");
    EXPECT_EQ(fails("insert into t values (NULL, 'x')"), "列 'a' 不能为空");
    run("insert into t values (1, NULL)");
    EXPECT_EQ(fails("update t set a = NULL"), "列 'a' 不能为空");
    EXPECT_EQ(fails("update t set a = b"), "列 'a' 不能为空");
}

TEST_F(Sql, AMultiRowUpdateWhoseFifthRowFailsLeavesEveryRowAsItWas) {
    for (int i = 1; i <= 8; ++i)
        addEntry("GZ-0000" + std::to_string(i));
    // The fifth row's company name is too long for 姓名: found while checking, before any write.
    run("update data set 公司名称='一个名字超过二十个字的公司名称一个名字超过二十个字' where ID='GZ-00005'");
    const auto before = snapshot();
    EXPECT_EQ(fails("update data set 姓名=公司名称"), "值太长：列 '姓名' 最多 20 个字符");
    // The storage fails the fifth write: the four before it are undone.
    db.failAfterWrites(4);
    auto r = execute(std::string_view("update data set 上班时间=1"), db);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().kind, jet::ErrorKind::Io);
    EXPECT_EQ(snapshot(), before);
    db.failAfterWrites(4);
    ASSERT_FALSE(execute(std::string_view("delete from data"), db).ok());
    EXPECT_EQ(snapshot(), before);
    db.failAfterWrites(0);
    ASSERT_FALSE(execute(std::string_view(sqltest::insertStatement(Entry{})), db).ok());
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(run("update data set 上班时间=1").rowsAffected, 8u);
}

// ---- SELECT, ORDER BY and conditions ----

TEST_F(Sql, SelectStarGivesEveryColumnAndRowIdsCanComeAlone) {
    addEntry("GZ-00002");
    addEntry("GZ-00001");
    addEntry("GZ-00003");
    const ExecResult all = run("select * from data order by ID desc");
    ASSERT_EQ(all.columns.size(), 9u);
    EXPECT_EQ(all.columns[4].name, u"上班日期");
    EXPECT_EQ(all.columns[4].type, jet::ColumnType::DateTime);
    EXPECT_EQ(all.columns[8].tableColumn, 8u);
    ASSERT_EQ(all.rowCount(), 3u);
    ASSERT_EQ(all.values.size(), 27u);
    EXPECT_EQ(all.value(0, 8), Value(std::u16string(u"GZ-00003")));
    EXPECT_EQ(all.value(2, 8), Value(std::u16string(u"GZ-00001")));
    EXPECT_EQ(all.value(2, 0), Value(std::u16string(u"张三")));
    EXPECT_EQ(all.rowIds, (std::vector<RowId>{data().rowId(2), data().rowId(0), data().rowId(1)}));

    ExecOptions idsOnly;
    idsOnly.rowIdsOnly = true;
    auto ids = execute(std::string_view("select ID from data where ID like 'GZ-%' order by ID"), db, idsOnly);
    ASSERT_TRUE(ids.ok());
    EXPECT_TRUE(ids->values.empty());
    EXPECT_EQ(ids->columns.size(), 1u);
    EXPECT_EQ(ids->rowIds, (std::vector<RowId>{data().rowId(1), data().rowId(0), data().rowId(2)}));
}

TEST_F(Sql, NamesAndKeywordsIgnoreCaseAndMayBeBracketed) {
    addEntry("GZ-00001");
    EXPECT_EQ(texts("SELECT id FROM DATA WHERE Id LIKE 'gz%'"), std::vector<std::u16string>{u"GZ-00001"});
    EXPECT_EQ(texts("select [姓名] from [data] where [data].[ID] = \"GZ-00001\""),
              std::vector<std::u16string>{u"张三"});
    EXPECT_EQ(texts("select data.姓名 from data where data.id='gz-00001';"),
              std::vector<std::u16string>{u"张三"});
    db.addTable(u"My Table", {ColumnInfo{u"Full Name", jet::ColumnType::Text, 50}});
    run("insert into [my table] ([full name]) values ('x')");
    EXPECT_EQ(texts("select [FULL NAME] from [My Table]"), std::vector<std::u16string>{u"x"});
}

TEST_F(Sql, OrderByDirectionSeveralKeysAndPositions) {
    addEntry("A", "2010年7月20日", "8", "b");
    addEntry("B", "2010年7月19日", "9", "a");
    addEntry("C", "2010年7月20日", "7", "c");
    addEntry("D", "2010年7月19日", "9", "d");
    EXPECT_EQ(texts("select ID from data order by 上班日期, 上班时间 desc"),
              (std::vector<std::u16string>{u"B", u"D", u"A", u"C"}));
    EXPECT_EQ(texts("select ID, 姓名 from data order by 2 desc"),
              (std::vector<std::u16string>{u"D", u"C", u"A", u"B"}));
    EXPECT_EQ(texts("select ID from data order by 上班时间 asc, ID desc"),
              (std::vector<std::u16string>{u"C", u"A", u"D", u"B"}));
    EXPECT_EQ(fails("select ID from data order by 2"), "ORDER BY 的列序号 2 超出范围（1 到 1）");
}

TEST_F(Sql, OrderByIsStableForEqualKeys) {
    for (int i = 0; i < 40; ++i)
        addEntry("GZ-" + std::to_string(100 + i), i % 2 ? "2010年7月20日" : "2010年7月21日");
    const auto ids = texts("select ID from data order by 上班日期");
    ASSERT_EQ(ids.size(), 40u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(ids[size_t(i)], jet::fromUtf8("GZ-" + std::to_string(101 + 2 * i)));
        EXPECT_EQ(ids[size_t(20 + i)], jet::fromUtf8("GZ-" + std::to_string(100 + 2 * i)));
    }
    const auto desc = texts("select ID from data order by 上班日期 desc");
    EXPECT_EQ(desc[0], u"GZ-100");
    EXPECT_EQ(desc[1], u"GZ-102");
}

// Nearly ordered tables (a few ascending runs) are merged rather than sorted; tables with many
// runs are sorted. Both must give the text order with equal keys in table order.
TEST_F(Sql, OrderByOnNearlyOrderedAndShuffledRows) {
    auto expectOrdered = [&](const std::vector<std::string>& ids) {
        run("delete from data");
        for (size_t i = 0; i < ids.size(); ++i)
            run("insert into data (ID) values ('" + ids[i] + "')");
        // The reference: a stable sort by the text sort key.
        std::vector<std::u16string> want;
        for (const std::string& id : ids)
            want.push_back(jet::fromUtf8(id));
        std::stable_sort(want.begin(), want.end(), [](const std::u16string& a, const std::u16string& b) {
            std::string ka, kb;
            appendSortKey(a, ka);
            appendSortKey(b, kb);
            return ka < kb;
        });
        EXPECT_EQ(texts("select ID from data order by ID"), want);
    };
    std::vector<std::string> ids;
    for (int i = 1; i <= 300; ++i) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "GZ-%05d", i);
        ids.push_back(buf);
    }
    ids.push_back("GZ-100000"); // one wider identifier at the end: two runs
    ids.push_back("GZ-100001");
    expectOrdered(ids);
    ids.insert(ids.begin() + 100, "gz-00050"); // equal to GZ-00050 but for case, and more runs
    ids.insert(ids.begin() + 7, "GZ-00200");
    ids.push_back("GZ-00007");
    expectOrdered(ids);
    for (size_t i = 0; i < ids.size(); i += 7) // many runs: the full sort
        std::swap(ids[i], ids[ids.size() - 1 - i]);
    expectOrdered(ids);
}

TEST_F(Sql, TextOrderIgnoresCasePutsDigitsFirstAndChineseByCodePoint) {
    for (const char* name : {"张三", "b", "10", "B", "a", "9", "李四", "Ab", "一"})
        addEntry("x", "2010年7月20日", "8", name);
    EXPECT_EQ(texts("select 姓名 from data order by 姓名"),
              (std::vector<std::u16string>{u"10", u"9", u"a", u"Ab", u"b", u"B", u"一", u"张三", u"李四"}));
}

TEST_F(Sql, NullsSortFirstAscendingAndLastDescending) {
    addEntry("A", "2010年7月20日", "8");
    run("insert into data (ID) values ('N')");
    addEntry("B", "2010年7月19日", "8");
    EXPECT_EQ(texts("select ID from data order by 上班日期"),
              (std::vector<std::u16string>{u"N", u"B", u"A"}));
    EXPECT_EQ(texts("select ID from data order by 上班日期 desc"),
              (std::vector<std::u16string>{u"A", u"B", u"N"}));
}

TEST_F(Sql, DatesBeforeTheEpochSortOnTheTimeLine) {
    run("insert into data (ID, 上班日期) values ('noon', #1899-12-29 12:00#)");
    run("insert into data (ID, 上班日期) values ('six', #1899-12-29 06:00#)");
    run("insert into data (ID, 上班日期) values ('zero', 0)");
    EXPECT_EQ(texts("select ID from data order by 上班日期"),
              (std::vector<std::u16string>{u"six", u"noon", u"zero"}));
    EXPECT_EQ(texts("select ID from data where 上班日期 > '1899-12-29 07:00' order by 上班日期"),
              (std::vector<std::u16string>{u"noon", u"zero"}));
}

TEST_F(Sql, NullNeverEqualsAnything) {
    addEntry("A", "2010年7月20日", "8");
    run("insert into data (ID) values ('N')");
    EXPECT_TRUE(texts("select ID from data where 上班时间 = NULL").empty());
    EXPECT_TRUE(texts("select ID from data where NULL = NULL").empty());
    EXPECT_EQ(texts("select ID from data where 上班时间 <> 7"), std::vector<std::u16string>{u"A"});
    EXPECT_EQ(texts("select ID from data where not 上班时间 = 7"), std::vector<std::u16string>{u"A"});
    EXPECT_EQ(texts("select ID from data where 上班时间 is null"), std::vector<std::u16string>{u"N"});
    EXPECT_EQ(texts("select ID from data where 上班时间 is not null"), std::vector<std::u16string>{u"A"});
    EXPECT_EQ(texts("select ID from data where 上班时间 = 7 or ID = 'N'"), std::vector<std::u16string>{u"N"});
    EXPECT_EQ(texts("select ID from data where 姓名 like '%' order by ID"),
              std::vector<std::u16string>{u"A"});
    EXPECT_EQ(texts("select ID from data where 上班时间 not in (1, 2)"), std::vector<std::u16string>{u"A"});
}

TEST_F(Sql, DateColumnsCompareWithDateTextsInEveryForm) {
    addEntry("A", "2010年7月14日");
    addEntry("B", "2010年7月20日");
    addEntry("C", "2010年7月20日9时");
    for (const char* value : {"'2010年7月20日'", "'2010-07-20'", "'2010/7/20'", "#2010-07-20#", "#7/20/2010#",
                              "'2010-07-20 00:00:00'"})
        EXPECT_EQ(texts(std::string("select ID from data where 上班日期=") + value),
                  std::vector<std::u16string>{u"B"})
            << value;
    EXPECT_EQ(texts("select ID from data where 上班日期='2010年7月20日9时'"),
              std::vector<std::u16string>{u"C"});
    EXPECT_EQ(texts("select ID from data where 上班日期 > '2010年7月14日' order by ID"),
              (std::vector<std::u16string>{u"B", u"C"}));
    EXPECT_EQ(
        texts("select ID from data where 上班日期 between #2010-07-14# and '2010年7月20日' order by ID"),
        (std::vector<std::u16string>{u"A", u"B"}));
    EXPECT_EQ(texts("select ID from data where 上班日期 like '2010年7月20日%' order by ID"),
              (std::vector<std::u16string>{u"B", u"C"}));
}

// A literal on the left reads as the mirrored comparison with the column first (`8 <= 上班时间` is
// `上班时间 >= 8`), on numbers, dates and text alike.
TEST_F(Sql, ALiteralOnTheLeftComparesAsTheMirroredCondition) {
    addEntry("A", "2010年7月14日", "6", "a");
    addEntry("B", "2010年7月20日", "8", "b");
    addEntry("C", "2010年7月25日", "10", "c");
    const std::pair<const char*, const char*> operands[] = {
        {"上班时间", "8"}, {"上班日期", "#2010-07-20#"}, {"姓名", "'B'"}};
    struct Op {
        const char* op;
        const char* mirrored;
        std::vector<std::u16string> ids; // of `literal op column`, the literal being B's value
    };
    const Op ops[] = {
        {"<", ">", {u"C"}}, {"<=", ">=", {u"B", u"C"}}, {">", "<", {u"A"}}, {">=", "<=", {u"A", u"B"}}};
    for (const auto& [column, literal] : operands)
        for (const Op& o : ops) {
            const std::string left = std::string(literal) + " " + o.op + " " + column;
            const std::string right = std::string(column) + " " + o.mirrored + " " + literal;
            EXPECT_EQ(texts("select ID from data where " + left + " order by ID"), o.ids) << left;
            EXPECT_EQ(texts("select ID from data where " + right + " order by ID"), o.ids) << right;
        }
}

TEST_F(Sql, TextComparisonsIgnoreCase) {
    addEntry("GZ-00001", "2010年7月20日", "8", "Smith");
    addEntry("GZ-00002", "2010年7月20日", "8", "jones");
    EXPECT_EQ(texts("select ID from data where 姓名 = 'SMITH'"), std::vector<std::u16string>{u"GZ-00001"});
    EXPECT_EQ(texts("select ID from data where 姓名 < 'K'"), std::vector<std::u16string>{u"GZ-00002"});
    EXPECT_EQ(texts("select ID from data where 姓名 >= 'smith'"), std::vector<std::u16string>{u"GZ-00001"});
    EXPECT_EQ(texts("select ID from data where 姓名 in ('JONES', 'x')"),
              std::vector<std::u16string>{u"GZ-00002"});
    EXPECT_EQ(texts("select ID from data where 姓名 not like 's%'"),
              std::vector<std::u16string>{u"GZ-00002"});
}

TEST_F(Sql, LikeOnChineseAndOnNumbers) {
    addEntry("GZ-00001", "2010年7月20日", "8", "张三丰");
    addEntry("GZ-00002", "2010年7月20日", "12", "张三");
    addEntry("GZ-00003", "2010年7月20日", "18", "李张三");
    EXPECT_EQ(texts("select ID from data where 姓名 like '张%' order by ID"),
              (std::vector<std::u16string>{u"GZ-00001", u"GZ-00002"}));
    EXPECT_EQ(texts("select ID from data where 姓名 like '%张三' order by ID"),
              (std::vector<std::u16string>{u"GZ-00002", u"GZ-00003"}));
    EXPECT_EQ(texts("select ID from data where 姓名 like '张_'"), std::vector<std::u16string>{u"GZ-00002"});
    EXPECT_EQ(texts("select ID from data where 姓名 like '张*'  and 上班时间 like '1%'"),
              std::vector<std::u16string>{u"GZ-00002"});
    EXPECT_EQ(texts("select ID from data where 上班时间 like '_8'"),
              std::vector<std::u16string>{u"GZ-00003"});
}

TEST_F(Sql, OtherValueForms) {
    db.addTable(u"t",
                {ColumnInfo{u"d", jet::ColumnType::Double}, ColumnInfo{u"b", jet::ColumnType::Boolean},
                 ColumnInfo{u"m", jet::ColumnType::Currency},
                 ColumnInfo{u"n", jet::ColumnType::Numeric, 0, true, 6, 2},
                 ColumnInfo{u"i", jet::ColumnType::Integer}, ColumnInfo{u"y", jet::ColumnType::Byte},
                 ColumnInfo{u"s", jet::ColumnType::Single}, ColumnInfo{u"memo", jet::ColumnType::Memo}});
    run("insert into t values (-1.5e2, TRUE, 12.34567, 1234.565, -32768, 255, 0.5, 'long')");
    auto row = db.table(u"t")->rows()[0];
    EXPECT_EQ(row[0], Value(-150.0));
    EXPECT_EQ(row[1], Value(true));
    EXPECT_EQ(row[2], Value(jet::Currency{123457}));
    const jet::Decimal dec = std::get<jet::Decimal>(row[3]);
    EXPECT_EQ(dec.magnitude[0], 123457u);
    EXPECT_EQ(dec.scale, 2);
    EXPECT_EQ(row[4], Value(int16_t(-32768)));
    EXPECT_EQ(row[5], Value(uint8_t(255)));
    EXPECT_EQ(row[6], Value(0.5f));
    EXPECT_EQ(texts("select memo from t where b = TRUE and b and d < -100 and m > 12.3 and n = 1234.57"),
              std::vector<std::u16string>{u"long"});
    EXPECT_EQ(fails("update t set y = 256"), "数值溢出：列 'y' 的值须在 0 到 255 之间，得到 256");
    EXPECT_EQ(fails("update t set i = 32768"), "数值溢出：列 'i' 的值须在 -32768 到 32767 之间，得到 32768");
    EXPECT_EQ(fails("update t set n = 10000"), "数值溢出：列 'n' 最多 6 位数字（其中小数 2 位），得到 10000");
    EXPECT_EQ(fails("update t set s = 1e39"), "数值溢出：列 's' 放不下这个数，得到 1e39");
    EXPECT_EQ(fails("update t set b = 'maybe'"), "类型不匹配：列 'b' 需要是/否值，得到 'maybe'");
    run("update t set b = 'false', memo = '" + std::string(1000, 'x') + "'");
    EXPECT_EQ(db.table(u"t")->rows()[0][1], Value(false));
}

TEST_F(Sql, DeleteRemovesMatchingRowsOrAll) {
    for (int i = 1; i <= 5; ++i)
        addEntry("GZ-0000" + std::to_string(i), "2010年7月20日", std::to_string(i));
    EXPECT_EQ(run("delete from data where 上班时间 >= 4").rowsAffected, 2u);
    EXPECT_EQ(data().rowCount(), 3u);
    EXPECT_EQ(run("DELETE * FROM data WHERE ID = 'nothing'").rowsAffected, 0u);
    EXPECT_EQ(run("DELETE * FROM data").rowsAffected, 3u);
    EXPECT_EQ(data().rowCount(), 0u);
}

TEST_F(Sql, ColumnToColumnUpdatesAndComparisons) {
    addEntry("GZ-00001", "2010年7月20日", "8", "张三");
    run("update data set 公司名称 = 姓名, 入厂时间 = 上班日期");
    const auto row = data().rows()[0];
    EXPECT_EQ(row[1], Value(std::u16string(u"张三")));
    EXPECT_EQ(row[3], row[4]);
    EXPECT_EQ(texts("select ID from data where 入厂时间 = 上班日期 and 公司名称 = 姓名"),
              std::vector<std::u16string>{u"GZ-00001"});
}

TEST_F(Sql, GuidsAndYesNoTexts) {
    db.addTable(u"t", {ColumnInfo{u"g", jet::ColumnType::GUID}, ColumnInfo{u"b", jet::ColumnType::Boolean},
                       ColumnInfo{u"o", jet::ColumnType::OLE}});
    run("insert into t (g, b) values ('{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}', '是')");
    const jet::Guid g = std::get<jet::Guid>(db.table(u"t")->rows()[0][0]);
    EXPECT_EQ(g.bytes[0], 0x3D); // the first group is stored little-endian
    EXPECT_EQ(g.bytes[8], 0x82);
    EXPECT_EQ(
        run("select g from t where g = '0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9' and b = 'yes'").rowCount(), 1u);
    EXPECT_EQ(run("select g from t where g like '{0A1B%' and b = -1 and b <> 'false'").rowCount(), 1u);
    EXPECT_EQ(fails("update t set g = 'not a guid'"), "类型不匹配：列 'g' 需要GUID，得到 'not a guid'");
    EXPECT_EQ(fails("update t set o = 'text'"), "类型不匹配：列 'o' 需要二进制数据，得到 'text'");
    EXPECT_EQ(fails("select * from t where o = 'x'"), "类型不匹配：列 'o' 是二进制数据，不能比较");
    EXPECT_EQ(fails("select * from t order by o"), "不能按二进制数据列 'o' 排序");
    EXPECT_EQ(run("select * from t where o is null").rowCount(), 1u);
}
