#include "jet/sql.h"

#include <gtest/gtest.h>

using namespace jet::sql;

namespace {

std::string syntaxError(std::string_view text) {
    auto r = parseStatement(text);
    if (r.ok())
        return "(parsed)";
    EXPECT_EQ(r.error().kind, jet::ErrorKind::Syntax) << text;
    return r.error().message;
}

Literal firstValue(std::string_view insert) {
    auto r = parseStatement(insert);
    EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().message);
    return r.ok() && !r->values.empty() ? r->values[0] : Literal{};
}

} // namespace

TEST(SqlParse, TheIdentifierQuery) {
    auto r = parseStatement(std::string_view("select ID from data where ID like 'GZ-%' order by ID"));
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(r->kind, StatementKind::Select);
    EXPECT_EQ(r->table, u"data");
    ASSERT_EQ(r->items.size(), 1u);
    EXPECT_EQ(r->items[0].column.name, u"ID");
    ASSERT_TRUE(r->where.root);
    EXPECT_EQ(r->where.root->kind, Expr::Kind::Like);
    EXPECT_EQ(r->where.root->operands[1].literal.text, u"GZ-%");
    ASSERT_EQ(r->orderBy.size(), 1u);
    EXPECT_EQ(r->orderBy[0].column.name, u"ID");
    EXPECT_FALSE(r->orderBy[0].descending);
}

TEST(SqlParse, TheInsertWithTwoBlanksAndTheUpdate) {
    auto ins = parseStatement(std::string_view(
        "insert into data  (姓名,公司名称,公司地址,入厂时间,上班日期,上班时间,工作备注,时间,id) values "
        "('张三','某公司','某地','2009年3月1日','2010年7月20日',8,'备注','2010年7月20日16时7分26秒','GZ-"
        "00001')"));
    ASSERT_TRUE(ins.ok()) << ins.error().message;
    EXPECT_EQ(ins->columns.size(), 9u);
    ASSERT_EQ(ins->values.size(), 9u);
    EXPECT_EQ(ins->values[5].kind, Literal::Kind::Number);
    EXPECT_EQ(ins->values[5].number, 8);
    EXPECT_EQ(ins->columns[8].name, u"id");

    auto upd = parseStatement(
        std::string_view("update data set 姓名='张三',上班时间=8,时间='2010年7月20日' where id='GZ-00001'"));
    ASSERT_TRUE(upd.ok()) << upd.error().message;
    ASSERT_EQ(upd->assignments.size(), 3u);
    EXPECT_EQ(upd->assignments[1].column.name, u"上班时间");
    EXPECT_EQ(upd->assignments[1].value.literal.number, 8);
}

TEST(SqlParse, KeywordsIgnoreCaseAndNamesMayBeBracketedOrQualified) {
    auto r = parseStatement(std::string_view("SeLeCt [my col], data.姓名, `from` FROM [data] WHERE "
                                             "[上班时间] >= 8 ORDER BY 2 DESC, [my col] asc;"));
    ASSERT_TRUE(r.ok()) << r.error().message;
    ASSERT_EQ(r->items.size(), 3u);
    EXPECT_EQ(r->items[0].column.name, u"my col");
    EXPECT_EQ(r->items[1].column.qualifier, u"data");
    EXPECT_EQ(r->items[2].column.name, u"from");
    EXPECT_EQ(r->orderBy[0].position, 2);
    EXPECT_TRUE(r->orderBy[0].descending);
    EXPECT_FALSE(r->orderBy[1].descending);
    EXPECT_TRUE(parseStatement(std::string_view("delete * from data")).ok());
    EXPECT_TRUE(parseStatement(std::string_view("DELETE FROM data WHERE id = 'x'")).ok());
    EXPECT_TRUE(parseStatement(std::string_view("delete data.* from data")).ok());
    EXPECT_TRUE(parseStatement(std::u16string_view(u"select * from data")).ok());
}

TEST(SqlParse, TextLiteralsUndoDoubledQuotes) {
    EXPECT_EQ(firstValue("insert into t values ('O''Brien')").text, u"O'Brien");
    EXPECT_EQ(firstValue("insert into t values ('''')").text, u"'");
    EXPECT_EQ(firstValue("insert into t values ('')").text, u"");
    EXPECT_EQ(firstValue("insert into t values (\"say \"\"hi\"\"\")").text, u"say \"hi\"");
    EXPECT_EQ(firstValue("insert into t values (\"it's\")").text, u"it's");
    EXPECT_EQ(firstValue("insert into t values ('第一行\r\n第二行')").text, u"第一行\r\n第二行");
}

TEST(SqlParse, NumberAndOtherLiterals) {
    EXPECT_EQ(firstValue("insert into t values (-3.5)").number, -3.5);
    EXPECT_EQ(firstValue("insert into t values (-3.5)").text, u"-3.5");
    EXPECT_EQ(firstValue("insert into t values (+7)").number, 7);
    EXPECT_EQ(firstValue("insert into t values (1e3)").number, 1000);
    EXPECT_EQ(firstValue("insert into t values (2.5E-1)").number, 0.25);
    EXPECT_EQ(firstValue("insert into t values (.5)").number, 0.5);
    EXPECT_EQ(firstValue("insert into t values (#2010-07-20#)").kind, Literal::Kind::Date);
    EXPECT_EQ(firstValue("insert into t values (#7/20/2010 16:07:26#)").number, 40379 + 58046 / 86400.0);
    EXPECT_EQ(firstValue("insert into t values (null)").kind, Literal::Kind::Null);
    const Literal t = firstValue("insert into t values (True)");
    EXPECT_EQ(t.kind, Literal::Kind::Boolean);
    EXPECT_TRUE(t.boolean);
    EXPECT_FALSE(firstValue("insert into t values (FALSE)").boolean);
}

TEST(SqlParse, ConditionsBindAsUsualAndOrNot) {
    auto r = parseCondition(std::string_view("a = 1 or b = 2 and not c = 3"));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->root->kind, Expr::Kind::Or);
    EXPECT_EQ(r->root->right->kind, Expr::Kind::And);
    EXPECT_EQ(r->root->right->right->kind, Expr::Kind::Not);
    auto p = parseCondition(std::string_view("(a = 1 or b = 2) and c is not null"));
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(p->root->kind, Expr::Kind::And);
    EXPECT_EQ(p->root->left->kind, Expr::Kind::Or);
    EXPECT_TRUE(p->root->right->negated);
    auto q =
        parseCondition(std::string_view("x not like 'a%' and y not between 1 and 2 and z not in (1, 2, 3)"));
    ASSERT_TRUE(q.ok()) << q.error().message;
    auto c = parseCondition(std::string_view("5 < 上班时间"));
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c->root->op, CompareOp::Lt);
}

TEST(SqlParse, SyntaxErrorsNameThePositionAndTheToken) {
    EXPECT_EQ(syntaxError("select ID frm data"), "语法错误：第 11 个字符附近 'frm'（应为 FROM）");
    EXPECT_EQ(syntaxError("select 姓名 frm data"), "语法错误：第 11 个字符附近 'frm'（应为 FROM）");
    EXPECT_EQ(syntaxError("select ID from"), "语法错误：语句意外结束（应为表名）");
    EXPECT_EQ(syntaxError("selec ID from data"),
              "语法错误：第 1 个字符附近 'selec'（应为 SELECT、INSERT、UPDATE 或 DELETE）");
    EXPECT_EQ(syntaxError("select from data"), "语法错误：第 8 个字符附近 'from'（应为列名）");
    // An unescaped quote ends the text early; the error points at what follows it.
    EXPECT_EQ(syntaxError("update data set 姓名='O'Brien' where id='GZ-00001'"),
              "语法错误：第 23 个字符附近 'Brien'（语句应在此结束）");
    EXPECT_EQ(syntaxError("insert into data (a) values ('x)"),
              "语法错误：第 30 个字符附近 ''x)'（引号没有结束）");
    EXPECT_EQ(syntaxError("select * from data where 上班时间 = 8abc"), "语法错误：第 33 个字符附近 '8abc'");
    EXPECT_EQ(syntaxError("select * from data where 上班日期 = #2010-13-01#"),
              "语法错误：第 33 个字符附近 '#2010-13-01#'（不是有效的日期）");
    EXPECT_EQ(syntaxError("update data set 上班时间=,工作备注='x' where id='GZ-00001'"),
              "语法错误：第 22 个字符附近 ','（应为列名或值）");
    EXPECT_EQ(syntaxError("select * from data; drop table data"),
              "语法错误：第 21 个字符附近 'drop'（语句应在此结束）");
    EXPECT_EQ(syntaxError(""), "语法错误：语句是空的");
    EXPECT_EQ(syntaxError("select * from data where"), "语法错误：语句意外结束（应为列名或值）");
    EXPECT_EQ(syntaxError("select * from [data"), "语法错误：第 15 个字符附近 '[data'（缺少 ]）");
    EXPECT_EQ(syntaxError("select * from data where a @ 1"), "语法错误：第 28 个字符附近 '@'");
    EXPECT_EQ(syntaxError("select distinct ID from data"),
              "语法错误：第 8 个字符附近 'distinct'（不支持 distinct）");
}
