// The statement texts for table `data` and the identifier arithmetic, without a database.
#include "jet/sql.h"
#include "runtime/datetime.h"
#include "store/entry_statements.h"

#include <gtest/gtest.h>

namespace {

store::EntryValues sample() {
    store::EntryValues v;
    v.name = "张三";
    v.company = "某某公司";
    v.address = "北京市海淀区";
    v.joined = rt::makeDate(2009, 3, 1, 10, 30, 0); // the time of day is dropped
    v.workDay = rt::makeDate(2010, 7, 20);
    v.hours = "8";
    v.notes = "第一行\r\n第二行";
    v.savedAt = rt::makeDate(2010, 7, 20, 16, 7, 26);
    v.id = "GZ-00007";
    return v;
}

TEST(EntryStatements, InsertTextForQuoteFreeInput) {
    EXPECT_EQ(
        store::insertStatement(sample()),
        rt::Text(
            "insert into data  (姓名,公司名称,公司地址,入厂时间,上班日期,上班时间,工作备注,时间,id) "
            "values ('张三','某某公司','北京市海淀区','2009年3月1日','2010年7月20日',8,'第一行\r\n第二行',"
            "'2010年7月20日16时7分26秒','GZ-00007')"));
}

TEST(EntryStatements, UpdateTextForQuoteFreeInput) {
    EXPECT_EQ(
        store::updateStatement(sample()),
        rt::Text(
            "update data set 姓名='张三',公司名称='某某公司',公司地址='北京市海淀区',入厂时间='2009年3月1日',"
            "上班日期='2010年7月20日',上班时间=8,工作备注='第一行\r\n第二行',时间='2010年7月20日16时7分26秒' "
            "where id='GZ-00007'"));
}

// The hours stand unquoted as typed; an empty text leaves nothing between the commas, which the
// database refuses (the add replaces it by 1 before it gets here).
TEST(EntryStatements, HoursGoInAsTyped) {
    store::EntryValues v = sample();
    v.hours = "";
    const std::string update = store::updateStatement(v).bytes();
    EXPECT_NE(update.find(rt::Text("',上班时间=,工作备注='").bytes()), std::string::npos);
    v.hours = "-3";
    EXPECT_NE(store::insertStatement(v).bytes().find("',-3,'"), std::string::npos);
}

TEST(EntryStatements, SingleQuotesAreDoubledInEveryQuotedValue) {
    store::EntryValues v = sample();
    v.name = "O'Brien";
    v.company = "'";
    v.address = "a''b";
    v.notes = "it's";
    v.id = "GZ-'1";
    EXPECT_EQ(
        store::insertStatement(v),
        rt::Text("insert into data  (姓名,公司名称,公司地址,入厂时间,上班日期,上班时间,工作备注,时间,id) "
                 "values ('O''Brien','''','a''''b','2009年3月1日','2010年7月20日',8,'it''s',"
                 "'2010年7月20日16时7分26秒','GZ-''1')"));
    // A value crafted to close its literal and widen the condition stays one literal.
    v = sample();
    v.notes = "x' where 1=1 or id='";
    EXPECT_EQ(store::updateStatement(v).bytes().find("where 1=1"),
              store::updateStatement(v).bytes().find("x'' where 1=1") + 4);
}

// The SQL layer reads each doubled quote back as one: the values it would store are the typed ones,
// and a crafted value cannot reach the condition of the update.
TEST(EntryStatements, TheSqlLayerReadsBackTheTypedValues) {
    store::EntryValues v = sample();
    v.name = "O'Brien";
    v.notes = "x' where 1=1 or id='";
    auto insert = jet::sql::parseStatement(store::insertStatement(v).toUtf8());
    ASSERT_TRUE(insert.ok()) << insert.error().message;
    ASSERT_EQ(insert->values.size(), 9u);
    EXPECT_EQ(insert->values[0].text, u"O'Brien");
    EXPECT_EQ(insert->values[5].kind, jet::sql::Literal::Kind::Number);
    EXPECT_EQ(insert->values[6].text, u"x' where 1=1 or id='");

    auto update = jet::sql::parseStatement(store::updateStatement(v).toUtf8());
    ASSERT_TRUE(update.ok()) << update.error().message;
    ASSERT_EQ(update->assignments.size(), 8u);
    EXPECT_EQ(update->assignments[0].value.literal.text, u"O'Brien");
    EXPECT_EQ(update->assignments[6].value.literal.text, u"x' where 1=1 or id='");
    const jet::sql::Expr& where = *update->where.root;
    ASSERT_EQ(where.kind, jet::sql::Expr::Kind::Compare);
    EXPECT_EQ(where.operands[1].literal.text, u"GZ-00007");
}

TEST(EntryStatements, QuotingLeavesDoubleByteCharactersAlone) {
    EXPECT_EQ(store::quoted("姓名"), rt::Text("姓名"));
    EXPECT_EQ(store::quoted("王'五"), rt::Text("王''五"));
    EXPECT_EQ(store::quoted(""), rt::Text(""));
    // A character outside code page 936 (four-byte form) next to a quote.
    EXPECT_EQ(store::quoted("𠀀'"), rt::Text("𠀀''"));
}

TEST(EntryStatements, DatesUseTheDateTextOfTheirDatePart) {
    store::EntryValues v = sample();
    v.joined = 0; // the empty date
    v.workDay = rt::makeDate(2010, 7, 5, 9, 0, 0);
    v.savedAt = rt::makeDate(2010, 7, 20, 9, 0, 0);
    const rt::Text s = store::insertStatement(v);
    EXPECT_NE(s.bytes().find(rt::Text("'1899年12月30日','2010年7月5日',8,").bytes()), std::string::npos);
    EXPECT_NE(s.bytes().find(rt::Text("'2010年7月20日9时','GZ-00007')").bytes()), std::string::npos);
}

TEST(EntryStatements, DateConditionAndIdentifierQuery) {
    EXPECT_EQ(store::dateCondition(rt::makeDate(2010, 7, 20, 23, 59, 59)),
              rt::Text("上班日期='2010年7月20日'"));
    EXPECT_EQ(store::identifierQuery("data", "ID", "GZ-"),
              rt::Text("select ID from data where ID like 'GZ-%' order by ID"));
}

TEST(EntryStatements, DecimalIncrementKeepsTheWidthUntilItMustGrow) {
    EXPECT_EQ(store::incrementDecimal("00007"), "00008");
    EXPECT_EQ(store::incrementDecimal("00009"), "00010");
    EXPECT_EQ(store::incrementDecimal("09999"), "10000");
    EXPECT_EQ(store::incrementDecimal("99999"), "100000");
    EXPECT_EQ(store::incrementDecimal("0"), "1");
    EXPECT_EQ(store::incrementDecimal("99999999999999999999999"), "100000000000000000000000");
}

} // namespace
