// Conditions on their own, as a record set's Find uses them.
#include "sql_test_tables.h"

#include "jet/datetext.h"

#include <gtest/gtest.h>

using namespace jet::sql;
using jet::DateTime;
using jet::Null;
using jet::Value;

namespace {

std::vector<ColumnInfo> dataColumns() {
    MemoryStorage s;
    sqltest::addProgramTables(s);
    return s.table(u"data")->columns();
}

std::vector<Value> entry(const char* id, const char* workDate, int hours) {
    std::vector<Value> row(9, Value(Null{}));
    row[4] = DateTime{*jet::parseDateText(std::string_view(workDate))};
    row[5] = int32_t(hours);
    row[8] = jet::fromUtf8(id);
    return row;
}

// Where a forward or backward Find starting at `from` stops, or -1.
int find(const CompiledCondition& c, const std::vector<std::vector<Value>>& rows, int from, int direction) {
    for (int i = from; i >= 0 && i < int(rows.size()); i += direction)
        if (c.matches(rows[size_t(i)]))
            return i;
    return -1;
}

} // namespace

TEST(FindCriterion, TheDateQueryFindsTheFirstEntryOfThatDateEitherWay) {
    const auto columns = dataColumns();
    const std::vector<std::vector<Value>> rows = {
        entry("GZ-00001", "2010年7月14日", 8), entry("GZ-00002", "2010年7月20日", 8),
        entry("GZ-00003", "2010年7月20日9时", 8), entry("GZ-00004", "2010年7月20日", 6)};
    auto cond = parseCondition(std::string_view("上班日期='2010年7月20日'"));
    ASSERT_TRUE(cond.ok()) << cond.error().message;
    auto compiled = compileCondition(*cond, columns);
    ASSERT_TRUE(compiled.ok()) << compiled.error().message;
    EXPECT_EQ(compiled->columnsUsed(), std::vector<size_t>{4});
    EXPECT_EQ(find(*compiled, rows, 0, 1), 1);
    EXPECT_EQ(find(*compiled, rows, 2, 1), 3);
    EXPECT_EQ(find(*compiled, rows, 3, -1), 3);
    EXPECT_EQ(find(*compiled, rows, 2, -1), 1);

    auto missing = compileCondition(*parseCondition(std::string_view("上班日期='2010年7月15日'")), columns);
    ASSERT_TRUE(missing.ok());
    EXPECT_EQ(find(*missing, rows, 0, 1), -1);
}

TEST(FindCriterion, OnlyTheColumnsUsedNeedValues) {
    const auto columns = dataColumns();
    auto c = compileCondition(*parseCondition(std::string_view("ID like 'GZ-%' and 上班时间 > 7")), columns);
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c->columnsUsed(), (std::vector<size_t>{8, 5}));
    std::vector<Value> row(9, Value(Null{}));
    row[8] = std::u16string(u"GZ-00001");
    row[5] = int32_t(8);
    EXPECT_TRUE(c->matches(row));
    row[5] = Null{};
    EXPECT_FALSE(c->matches(row));                                  // NULL > 7 is not true
    EXPECT_FALSE(c->matches(std::vector<Value>(3, Value(Null{})))); // too short a row never matches
}

TEST(FindCriterion, EvaluateInOneCallAndItsErrors) {
    const auto columns = dataColumns();
    const auto row = entry("GZ-00002", "2010年7月20日", 8);
    auto yes = evaluate(*parseCondition(std::string_view("上班日期 = #2010-07-20# AND id = 'gz-00002'")),
                        columns, row);
    ASSERT_TRUE(yes.ok());
    EXPECT_TRUE(*yes);
    auto no = evaluate(*parseCondition(std::string_view("上班日期 <> '2010-07-20'")), columns, row);
    ASSERT_TRUE(no.ok());
    EXPECT_FALSE(*no);

    auto unknown = evaluate(*parseCondition(std::string_view("日期='2010年7月20日'")), columns, row);
    ASSERT_FALSE(unknown.ok());
    EXPECT_EQ(unknown.error().message, "找不到列 '日期'");
    auto bad = evaluate(*parseCondition(std::string_view("上班日期='2010年7月32日'")), columns, row);
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error().message, "类型不匹配：列 '上班日期' 需要日期，得到 '2010年7月32日'");

    auto syntax = parseCondition(std::string_view("上班日期='2010年7月20日"));
    ASSERT_FALSE(syntax.ok());
    EXPECT_EQ(syntax.error().kind, jet::ErrorKind::Syntax);
    EXPECT_EQ(syntax.error().message, "语法错误：第 6 个字符附近 ''2010年7月20日'（引号没有结束）");
    EXPECT_EQ(parseCondition(std::string_view("")).error().message, "语法错误：条件是空的");
    EXPECT_EQ(parseCondition(std::string_view("a = 1 b")).error().message,
              "语法错误：第 7 个字符附近 'b'（条件应在此结束）");
}

TEST(ConvertForColumn, UsesTheRulesOfInsert) {
    const auto columns = dataColumns();
    auto date = convertForColumn(Value(std::u16string(u"2010年7月20日16时7分")), columns[4]);
    ASSERT_TRUE(date.ok());
    EXPECT_EQ(jet::toUtf8(jet::formatDateText(std::get<DateTime>(*date).days)), "2010年7月20日16时7分");
    auto hours = convertForColumn(Value(std::u16string(u"8")), columns[5]);
    ASSERT_TRUE(hours.ok());
    EXPECT_EQ(*hours, Value(int32_t(8)));
    EXPECT_EQ(convertForColumn(Value(std::u16string(u"abc")), columns[4]).error().message,
              "类型不匹配：列 '上班日期' 需要日期，得到 'abc'");
    EXPECT_EQ(convertForColumn(Value(std::u16string(21, u'x')), columns[0]).error().message,
              "值太长：列 '姓名' 最多 20 个字符");
    EXPECT_EQ(convertForColumn(Value(jet::Bytes{1, 2}), columns[0]).error().message,
              "类型不匹配：列 '姓名' 不能存放二进制数据");
    EXPECT_EQ(*convertForColumn(Value(DateTime{40379}), columns[0]), Value(std::u16string(u"2010年7月20日")));
}
