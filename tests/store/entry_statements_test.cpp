// The statement texts for table `data` and the identifier arithmetic, without a database.
#include "jet/sql.h"
#include "jet/sql_memory.h"
#include "runtime/datetime.h"
#include "store/entry_statements.h"
#include "tests/jet/sql_test_tables.h"

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

// ---- the statements on the program's table, run by the SQL layer ----

class OnTheTable : public ::testing::Test {
protected:
    OnTheTable() { sqltest::addProgramTables(storage_); }

    jet::Result<jet::sql::ExecResult> run(const rt::Text& statement) {
        return jet::sql::execute(statement.toUtf8(), storage_);
    }
    void store(const char* id) {
        store::EntryValues v = sample();
        v.id = id;
        auto r = run(store::insertStatement(v));
        ASSERT_TRUE(r.ok()) << r.error().message;
    }
    std::vector<std::vector<jet::Value>> rows() { return storage_.table(u"data")->rows(); }
    // Field 0 of every row a query gives, in its order.
    std::vector<std::u16string> column0(const rt::Text& query) {
        auto r = run(query);
        EXPECT_TRUE(r.ok()) << r.error().message;
        std::vector<std::u16string> out;
        if (r.ok())
            for (size_t i = 0; i < r->rowCount(); ++i)
                out.push_back(std::get<std::u16string>(r->value(i, 0)));
        return out;
    }

    jet::sql::MemoryStorage storage_;
};

TEST_F(OnTheTable, InsertAndUpdateStoreTheValues) {
    store("GZ-00001");
    store("GZ-00002");
    store::EntryValues v = sample();
    v.name = "O'Brien";
    v.notes = "x' where 1=1 or id='";
    v.hours = "12";
    v.id = "GZ-00002";
    auto r = run(store::updateStatement(v));
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(r->rowsAffected, 1u);
    const auto all = rows();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(std::get<std::u16string>(all[0][0]), u"张三");
    EXPECT_EQ(std::get<std::u16string>(all[0][6]), u"第一行\r\n第二行");
    EXPECT_EQ(std::get<std::u16string>(all[1][0]), u"O'Brien");
    EXPECT_EQ(std::get<std::u16string>(all[1][6]), u"x' where 1=1 or id='");
    EXPECT_EQ(std::get<int32_t>(all[1][5]), 12);
    EXPECT_EQ(std::get<jet::DateTime>(all[1][3]).days, rt::makeDate(2009, 3, 1));
    EXPECT_EQ(std::get<jet::DateTime>(all[1][7]).days, rt::makeDate(2010, 7, 20, 16, 7, 26));
}

TEST_F(OnTheTable, RefusedStatementsChangeNothing) {
    store("GZ-00001");
    store::EntryValues v = sample();
    v.hours = ""; // an empty hours box
    EXPECT_FALSE(run(store::updateStatement(v)).ok());
    v = sample();
    v.name = rt::repeat(21, "名"); // 姓名 holds 20 characters
    EXPECT_FALSE(run(store::updateStatement(v)).ok());
    v.id = "GZ-00002";
    EXPECT_FALSE(run(store::insertStatement(v)).ok());
    v = sample();
    v.notes = rt::repeat(256, "x");
    EXPECT_FALSE(run(store::updateStatement(v)).ok());
    const auto all = rows();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(std::get<std::u16string>(all[0][0]), u"张三");
    EXPECT_EQ(std::get<std::u16string>(all[0][6]), u"第一行\r\n第二行");
}

// Text order is numeric order within one width, and the last row of the identifier query holds
// the highest number; the check query finds nothing then.
TEST_F(OnTheTable, IdentifierQueriesWithinOneWidth) {
    for (const char* id : {"GZ-00003", "GZ-00001", "GZ-00010", "GZ-00002", "XX-00099"})
        store(id);
    EXPECT_EQ(column0(store::identifierQuery("data", "ID", "GZ-")),
              (std::vector<std::u16string>{u"GZ-00001", u"GZ-00002", u"GZ-00003", u"GZ-00010"}));
    EXPECT_TRUE(column0(store::identifierCheckQuery("data", "ID", "GZ-", 5, "GZ-00011")).empty());
    // A candidate that is stored is found.
    EXPECT_EQ(column0(store::identifierCheckQuery("data", "ID", "GZ-", 5, "GZ-00002")),
              (std::vector<std::u16string>{u"GZ-00002"}));
}

// Past GZ-99999 text order puts GZ-100000 before GZ-99999; the check query finds the wider one.
TEST_F(OnTheTable, IdentifierQueriesAcrossWidths) {
    for (const char* id : {"GZ-99998", "GZ-99999", "GZ-100000"})
        store(id);
    const auto ordered = column0(store::identifierQuery("data", "ID", "GZ-"));
    ASSERT_EQ(ordered.size(), 3u);
    EXPECT_EQ(ordered.back(), u"GZ-99999");
    EXPECT_EQ(column0(store::identifierCheckQuery("data", "ID", "GZ-", 5, "GZ-100000")),
              (std::vector<std::u16string>{u"GZ-100000"}));
    EXPECT_EQ(store::identifierCheckQuery("data", "ID", "GZ-", 5, "GZ-100000"),
              rt::Text("select ID from data where ID like 'GZ-______%' or ID='GZ-100000'"));
}

} // namespace
