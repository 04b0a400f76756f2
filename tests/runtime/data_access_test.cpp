// The connection and record set on real database files: connecting, opening tables, moving,
// finding, reading every column type, and every failure with its box and its LastError.
#include "data_support.h"

#include "runtime/data_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

using datatest::ScratchDir;
using rt::CommonConnection;
using rt::RecordSet;
using rt::Text;

namespace {

const Text kSource("Source: Microsoft JET Database Engine\r\n");

// A connection on a copy of a sample, with one record set bound to it.
struct Opened {
    ScratchDir dir;
    Text path;
    CommonConnection conn;
    RecordSet set;
    explicit Opened(const std::string& sample) {
        path = dir.copySample(sample);
        EXPECT_TRUE(conn.ConnectAccess(path, "")) << conn.LastError().toUtf8();
        EXPECT_TRUE(set.SetConnection(conn));
    }
};

Text readText(RecordSet& set, const Text& field) {
    Text v("unchanged");
    EXPECT_TRUE(set.ReadString(field, v)) << field.toUtf8();
    return v;
}
Text readText(RecordSet& set, int index) {
    Text v("unchanged");
    EXPECT_TRUE(set.ReadString(index, v)) << index;
    return v;
}

} // namespace

// ---- connection ----------------------------------------------------------------------------

TEST(Connection, TextIsExactWithAndWithoutPassword) {
    CommonConnection c;
    c.ConnectAccess("C:\\程序\\db", "");
    EXPECT_EQ(c.connectionText(), Text("Provider=Microsoft.Jet.OLEDB.4.0; Data Source=C:\\程序\\db"));
    c.ConnectAccess("db", "pw");
    EXPECT_EQ(c.connectionText(),
              Text("Provider=Microsoft.Jet.OLEDB.4.0; Data Source=db;Jet OLEDB:Database Password=pw;"));
}

TEST(Connection, FailuresShowNothingAndLeaveOneErrorBlock) {
    REQUIRE_SAMPLE_FILES();
    ScratchDir dir;
    rt::ScriptedMessageBoxes boxes;
    CommonConnection c;
    EXPECT_EQ(c.LastError(), Text());

    const Text missing = Text::fromUtf8((dir.path() / "db").string());
    EXPECT_FALSE(c.ConnectAccess(missing, ""));
    EXPECT_FALSE(c.isOpen());
    const std::string missingError = c.LastError().toUtf8();
    EXPECT_EQ(missingError.rfind("Description: 无法打开数据库文件：文件不存在（文件 ", 0), 0u)
        << missingError;
    EXPECT_NE(
        missingError.find("）\r\nState: 08001, Native: 3024, Source: Microsoft JET Database Engine\r\n"),
        std::string::npos)
        << missingError;

    std::filesystem::create_directory(dir.path() / "dir");
    EXPECT_FALSE(c.ConnectAccess(Text::fromUtf8((dir.path() / "dir").string()), ""));
    EXPECT_NE(c.LastError().toUtf8().find("Native: 3051"), std::string::npos);

    const Text damaged = dir.copySample("negative/corrupt_catalog_zeroed_delTestV2000.mdb", "damaged");
    EXPECT_FALSE(c.ConnectAccess(damaged, ""));
    EXPECT_NE(c.LastError().toUtf8().find("State: 08001, Native: 3343"), std::string::npos);

    const Text jet3 = dir.copySample("negative/jet3_V1997_test.mdb", "old");
    EXPECT_FALSE(c.ConnectAccess(jet3, ""));
    EXPECT_NE(c.LastError().toUtf8().find("Native: 3343"), std::string::npos);

    const Text locked = dir.copySample("mdbreader_V2000_with-password.mdb", "pw");
    EXPECT_FALSE(c.ConnectAccess(locked, ""));
    EXPECT_NE(c.LastError().toUtf8().find("State: 28000, Native: 3031"), std::string::npos);
    EXPECT_FALSE(c.ConnectAccess(locked, "wrong"));
    EXPECT_EQ(c.connectionText(), Text("Provider=Microsoft.Jet.OLEDB.4.0; Data Source=") + locked +
                                      ";Jet OLEDB:Database Password=wrong;");
    EXPECT_TRUE(boxes.calls().empty());

    // Success clears the errors; Close is always true, twice too.
    EXPECT_TRUE(c.ConnectAccess(locked, "password"));
    EXPECT_TRUE(c.isOpen());
    EXPECT_EQ(c.LastError(), Text());
    EXPECT_TRUE(c.Close());
    EXPECT_TRUE(c.Close());
    EXPECT_FALSE(c.isOpen());
}

TEST(Connection, ReconnectingClosesFirst) {
    REQUIRE_SAMPLE_FILES();
    ScratchDir dir;
    const Text a = dir.copySample("jackcess_delTestV2000.mdb", "a");
    CommonConnection c;
    ASSERT_TRUE(c.ConnectAccess(a, ""));
    RecordSet s;
    s.SetConnection(c);
    ASSERT_TRUE(s.Open("Table", 2));
    // A failed reconnect leaves the connection closed, and the set with it.
    EXPECT_FALSE(c.ConnectAccess(a + "-nothing", ""));
    EXPECT_FALSE(c.isOpen());
    EXPECT_FALSE(s.isOpen());
    EXPECT_FALSE(s.MoveFirst());
    EXPECT_EQ(s.RecordsCount(), -1);
    EXPECT_EQ(s.Pos(), -2);
}

// ---- opening ----------------------------------------------------------------------------------

TEST(RecordSetOpen, OtherKindsMissingConnectionOrSourceGiveFalseWithoutBox) {
    REQUIRE_SAMPLE_FILES();
    Opened db("jackcess_delTestV2000.mdb");
    rt::ScriptedMessageBoxes boxes;
    EXPECT_FALSE(db.set.Open("Table", 0));
    EXPECT_FALSE(db.set.Open("Table", 3));
    EXPECT_FALSE(db.set.Open("Table", -1));
    EXPECT_FALSE(db.set.Open("", 2));
    RecordSet unbound;
    EXPECT_FALSE(unbound.Open("Table", 2));
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_EQ(db.conn.LastError(), Text());
    // A kind-0 open leaves an open set alone.
    ASSERT_TRUE(db.set.Open("Table", 2));
    EXPECT_FALSE(db.set.Open("Table", 0));
    EXPECT_TRUE(db.set.isOpen());
}

TEST(RecordSetOpen, UnknownTableShowsTheBoxBeforeReturningFalse) {
    REQUIRE_SAMPLE_FILES();
    Opened db("jackcess_delTestV2000.mdb");
    ASSERT_TRUE(db.set.Open("Table", 2));
    rt::ScriptedMessageBoxes boxes;
    bool errorKeptBeforeBox = false;
    rt::MessageBoxHook outer = rt::setMessageBoxHook([&](const rt::MessageBoxCall& call) {
        errorKeptBeforeBox = !db.conn.LastError().empty();
        return outer(call);
    });
    EXPECT_FALSE(db.set.Open("没有这个表", 2));
    rt::setMessageBoxHook(outer);
    ASSERT_EQ(boxes.calls().size(), 1u);
    const rt::MessageBoxCall& box = boxes.calls()[0];
    EXPECT_EQ(box.text, Text("找不到表 '没有这个表'"));
    EXPECT_EQ(box.caption, Text(rt::kDataErrorCaption));
    EXPECT_EQ(box.buttons(), rt::MbOkOnly);
    EXPECT_EQ(box.icon(), rt::MessageBoxIcon::None);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_TRUE(errorKeptBeforeBox);
    EXPECT_EQ(db.conn.LastError(),
              Text("Description: 找不到表 '没有这个表'\r\nState: 42S02, Native: 3078, ") + kSource);
    // The set that was open was closed first.
    EXPECT_FALSE(db.set.isOpen());
    // A later success leaves the last failure's errors in place.
    EXPECT_TRUE(db.set.Open("[table]", 2));
    EXPECT_FALSE(db.conn.LastError().empty());
}

TEST(RecordSetOpen, ClosedConnectionShowsTheBox) {
    REQUIRE_SAMPLE_FILES();
    Opened db("jackcess_delTestV2000.mdb");
    db.conn.Close();
    rt::ScriptedMessageBoxes boxes;
    EXPECT_FALSE(db.set.Open("Table", 2));
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, Text("连接已关闭，不能执行此操作"));
    EXPECT_NE(db.conn.LastError().toUtf8().find("State: 08003, Native: 3709"), std::string::npos);

    // A set whose connection object is gone does the same and does not crash.
    RecordSet orphan;
    {
        CommonConnection gone;
        ASSERT_TRUE(gone.ConnectAccess(db.path, ""));
        orphan.SetConnection(gone);
        ASSERT_TRUE(orphan.Open("Table", 2));
    }
    EXPECT_FALSE(orphan.isOpen());
    Text v("x");
    EXPECT_FALSE(orphan.ReadString(0, v));
    EXPECT_EQ(v, Text());
    EXPECT_FALSE(orphan.Open("Table", 2));
    EXPECT_EQ(boxes.calls().size(), 2u);
}

TEST(RecordSetOpen, CountsAndRowsInTableOrderOnEverySample) {
    REQUIRE_SAMPLE_FILES();
    // Files with deleted rows, moved rows, long values, Chinese text and many column types.
    const char* samples[] = {"zblog_data_cp936_overflow.mdb",  "zblog_data_cp1252_cjk.mdb",
                             "jackcess_overflowTestV2000.mdb", "jackcess_delTestV2000.mdb",
                             "linq2db_TestData.mdb",           "jackcess_testIndexCodes.mdb"};
    for (const char* sample : samples) {
        SCOPED_TRACE(sample);
        Opened db(sample);
        auto database = jet::Database::open(db.path.toUtf8());
        ASSERT_TRUE(database.ok());
        for (const jet::CatalogEntry* e : (*database)->catalog().tables(false)) {
            const std::string name = jet::toUtf8(e->name);
            SCOPED_TRACE(name);
            const auto expected = datatest::engineRows(db.path, name);
            ASSERT_TRUE(db.set.Open(Text::fromUtf8(name), 2));
            ASSERT_EQ(db.set.RecordsCount(), int(expected.size()));
            const int columns = expected.empty() ? 0 : int(expected[0].size());
            EXPECT_EQ(datatest::readAll(db.set, columns), expected);
            db.set.Close();
        }
    }
}

TEST(RecordSetOpen, DamagedTableGivesTheBox) {
    REQUIRE_SAMPLE_FILES();
    // Cut in the middle of a page: the catalog reads, but the table's page map runs past the end.
    Opened db("negative/corrupt_truncated_test2V2000.mdb");
    rt::ScriptedMessageBoxes boxes;
    EXPECT_FALSE(db.set.Open("MSP_PROJECTS", 2));
    EXPECT_FALSE(db.set.Open("select * from MSP_PROJECTS order by PROJ_NAME", 1));
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_NE(boxes.calls()[0].text.toUtf8().find("页用法图指向文件末尾之外的页"), std::string::npos);
    EXPECT_NE(db.conn.LastError().toUtf8().find("State: HY000, Native: 3343"), std::string::npos);
    EXPECT_FALSE(db.set.isOpen());
}

TEST(RecordSetOpen, ChineseTextAndOracleValues) {
    REQUIRE_SAMPLE_FILES();
    Opened db("zblog_data_cp936_overflow.mdb");
    ASSERT_TRUE(db.set.Open("blog_Function", 2));
    EXPECT_EQ(db.set.RecordsCount(), 14);
    EXPECT_EQ(db.set.Pos(), 0);
    EXPECT_EQ(readText(db.set, "fn_Name"), Text("导航栏"));
    EXPECT_EQ(readText(db.set, "FN_ID"), Text("1")); // names without case
    EXPECT_EQ(readText(db.set, "fn_IsSystem"), Text("TRUE"));
    ASSERT_TRUE(db.set.MoveLast());
    EXPECT_EQ(readText(db.set, "fn_Name"), Text("标签列表"));
    EXPECT_EQ(db.set.Pos(), 13);
}

// ---- moves and positions -------------------------------------------------------------------

TEST(RecordSetMoves, EndsOfASet) {
    REQUIRE_SAMPLE_FILES();
    Opened db("linq2db_TestData.mdb");
    ASSERT_TRUE(db.set.Open("Person", 2)); // 4 rows
    ASSERT_EQ(db.set.RecordsCount(), 4);
    EXPECT_EQ(db.set.Pos(), 0);
    EXPECT_TRUE(db.set.MoveLast());
    EXPECT_EQ(db.set.Pos(), 3);
    EXPECT_TRUE(db.set.MoveNext()); // onto EOF
    EXPECT_EQ(db.set.Pos(), -4);
    EXPECT_FALSE(db.set.MoveNext());
    EXPECT_EQ(db.set.Pos(), -4);

    Text v("x");
    EXPECT_FALSE(db.set.ReadString(0, v));
    EXPECT_EQ(v, Text());
    int n = 7;
    EXPECT_FALSE(db.set.ReadLong(0, n)); // an integer column, no current record
    EXPECT_EQ(n, 0);
    double d = 5;
    EXPECT_FALSE(db.set.ReadDateTime(0, d));
    EXPECT_EQ(d, 0);

    EXPECT_TRUE(db.set.MovePrevious()); // back from EOF to the last row
    EXPECT_EQ(db.set.Pos(), 3);
    EXPECT_TRUE(db.set.MoveFirst());
    EXPECT_TRUE(db.set.MovePrevious()); // onto BOF
    EXPECT_EQ(db.set.Pos(), -3);
    EXPECT_FALSE(db.set.MovePrevious());
    EXPECT_FALSE(db.set.ReadString(0, v));
    EXPECT_TRUE(db.set.MoveNext()); // from BOF to the first row
    EXPECT_EQ(db.set.Pos(), 0);
    EXPECT_EQ(db.set.RecordsCount(), 4);
}

TEST(RecordSetMoves, MoveFromTheFirstRecord) {
    REQUIRE_SAMPLE_FILES();
    Opened db("linq2db_TestData.mdb");
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2)); // ID 1 .. 12
    EXPECT_TRUE(db.set.Move(0));
    EXPECT_EQ(readText(db.set, "ID"), Text("1"));
    EXPECT_TRUE(db.set.Move(5));
    EXPECT_EQ(readText(db.set, "ID"), Text("6"));
    EXPECT_EQ(db.set.Pos(), 5);
    EXPECT_TRUE(db.set.Move(11));
    EXPECT_EQ(db.set.Pos(), 11);
    EXPECT_FALSE(db.set.Move(-1)); // no row chosen
    EXPECT_EQ(db.set.Pos(), -3);
    Text v("x");
    EXPECT_FALSE(db.set.ReadString("ID", v));
    EXPECT_EQ(v, Text());
    EXPECT_FALSE(db.set.Move(12));
    EXPECT_EQ(db.set.Pos(), -4);
    EXPECT_TRUE(db.set.Move(2));
    EXPECT_EQ(readText(db.set, "ID"), Text("3"));
}

TEST(RecordSetMoves, EmptySetIsAtBothEnds) {
    REQUIRE_SAMPLE_FILES();
    Opened db("zblog_data_cp936_overflow.mdb");
    ASSERT_TRUE(db.set.Open("blog_Article", 2));
    EXPECT_TRUE(db.set.isOpen());
    EXPECT_EQ(db.set.RecordsCount(), 0);
    EXPECT_EQ(db.set.Pos(), -2);
    EXPECT_FALSE(db.set.MoveFirst());
    EXPECT_FALSE(db.set.MoveLast());
    EXPECT_FALSE(db.set.MoveNext());
    EXPECT_FALSE(db.set.MovePrevious());
    EXPECT_FALSE(db.set.Move(0));
    EXPECT_FALSE(db.set.Find("log_ID=1", 1));
    EXPECT_FALSE(db.set.Find("log_ID=1", -1));
    Text v("x");
    EXPECT_FALSE(db.set.ReadString("log_Title", v));
    EXPECT_EQ(v, Text());
    double d = 3;
    EXPECT_FALSE(db.set.ReadDateTime("log_PostTime", d));
    EXPECT_EQ(d, 0);
    EXPECT_TRUE(db.set.Delete(3)); // nothing to delete: the count is 0
    EXPECT_FALSE(db.set.Delete(1));
    EXPECT_EQ(db.set.Pos(), -2);
}

TEST(RecordSetMoves, ClosedSet) {
    RecordSet s;
    EXPECT_FALSE(s.isOpen());
    EXPECT_EQ(s.RecordsCount(), -1);
    EXPECT_EQ(s.Pos(), -2);
    EXPECT_EQ(s.RecordsAffected(), -1);
    EXPECT_FALSE(s.MoveFirst());
    EXPECT_FALSE(s.MoveNext());
    EXPECT_FALSE(s.Move(0));
    EXPECT_FALSE(s.Find("a=1", 1));
    EXPECT_FALSE(s.Delete(1));
    EXPECT_FALSE(s.Delete(3));
    int n = 9;
    EXPECT_FALSE(s.ReadLong(0, n));
    EXPECT_EQ(n, 9);
    s.Close(); // closing a closed set does nothing
}

// ---- find ---------------------------------------------------------------------------------------

TEST(RecordSetFind, ForwardAndBackwardFromTheCurrentRecord) {
    REQUIRE_SAMPLE_FILES();
    Opened db("linq2db_TestData.mdb");
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    // Rows 4 and 5 (ID 4, 5) share this time stamp; the date text is read as a date.
    const Text when = "DateTimeValue='2009年9月20日9时19分29秒'";
    EXPECT_TRUE(db.set.Find(when, 1));
    EXPECT_EQ(db.set.Pos(), 3);
    EXPECT_TRUE(db.set.Find(when, 1)); // the current record counts
    EXPECT_EQ(db.set.Pos(), 3);
    ASSERT_TRUE(db.set.MoveNext());
    EXPECT_TRUE(db.set.Find(when, 1));
    EXPECT_EQ(db.set.Pos(), 4);
    ASSERT_TRUE(db.set.MoveNext());
    EXPECT_FALSE(db.set.Find(when, 1)); // nothing further: at EOF
    EXPECT_EQ(db.set.Pos(), -4);
    EXPECT_FALSE(db.set.Find(when, 1)); // from EOF forward: nothing
    EXPECT_TRUE(db.set.Find(when, -1)); // from EOF backward: starts at the last row
    EXPECT_EQ(db.set.Pos(), 4);
    ASSERT_TRUE(db.set.MovePrevious());
    ASSERT_TRUE(db.set.MovePrevious());
    EXPECT_FALSE(db.set.Find(when, -1)); // nothing before: at BOF
    EXPECT_EQ(db.set.Pos(), -3);
    EXPECT_TRUE(db.set.Find(when, 1)); // from BOF forward: starts at the first row
    EXPECT_EQ(db.set.Pos(), 3);

    // Other criteria forms: a number, a text without case, a date only.
    EXPECT_TRUE(db.set.Find("ID = 12", 1));
    EXPECT_EQ(db.set.Pos(), 11);
    ASSERT_TRUE(db.set.MoveFirst());
    EXPECT_TRUE(db.set.Find("stringvalue='5'", 1));
    EXPECT_EQ(readText(db.set, "ID"), Text("7"));
    ASSERT_TRUE(db.set.MoveFirst());
    EXPECT_TRUE(db.set.Find("DateTimeValue>='2009年9月27日'", 1));
    EXPECT_EQ(readText(db.set, "ID"), Text("11"));
}

TEST(RecordSetFind, BadCriteriaAndDirectionsLeaveThePosition) {
    REQUIRE_SAMPLE_FILES();
    Opened db("linq2db_TestData.mdb");
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    ASSERT_TRUE(db.set.Move(2));
    rt::ScriptedMessageBoxes boxes;
    EXPECT_FALSE(db.set.Find("nosuch=1", 1));
    EXPECT_FALSE(db.set.Find("ID==", 1));
    EXPECT_FALSE(db.set.Find("", 1));
    EXPECT_FALSE(db.set.Find("ID=1", 0));
    EXPECT_FALSE(db.set.Find("ID=1", 2));
    EXPECT_FALSE(db.set.Find("DateTimeValue='不是日期'", 1));
    EXPECT_EQ(db.set.Pos(), 2);
    EXPECT_TRUE(boxes.calls().empty());
}

// ---- reads ----------------------------------------------------------------------------------------

TEST(RecordSetRead, EveryColumnTypeAsText) {
    REQUIRE_SAMPLE_FILES();
    Opened db("linq2db_TestData.mdb");
    ASSERT_TRUE(db.set.Open("DataTypeTest", 2));
    ASSERT_TRUE(db.set.Move(1));
    struct {
        const char* field;
        const char* text;
    } expected[] = {
        {"DataTypeID", "2"},
        {"Binary_", "01000000"},
        {"Boolean_", "-1"},
        {"Byte_", "255"},
        {"Char_", "B"},
        {"DateTime_", "2012-12-09 19:31:50"},
        {"Decimal_", "12345.67"},
        {"Double_", "1234.56700000"},
        {"Guid_", "{00000001-0000-0000-0000-000000000000}"},
        {"Int16_", "32767"},
        {"Int32_", "32768"},
        {"Money_", "12.3456"},
        {"Single_", "1234.1230"},
        {"String_", "string"},
        {"UInt64_", "2000000000"},
        {"Xml_", "<root><element strattr='strvalue' intattr='12345'/></root>"},
    };
    for (const auto& e : expected)
        EXPECT_EQ(readText(db.set, e.field), Text(e.text)) << e.field;

    // The first row is NULL but for its id: empty texts, still read.
    ASSERT_TRUE(db.set.MoveFirst());
    EXPECT_EQ(readText(db.set, "Double_"), Text());
    EXPECT_EQ(readText(db.set, "Guid_"), Text());
    EXPECT_EQ(readText(db.set, 0), Text("1"));

    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    EXPECT_EQ(readText(db.set, "MoneyValue"), Text("1.11000000")); // NUMERIC(10,4)
    EXPECT_EQ(readText(db.set, "BoolValue"), Text("TRUE"));
    ASSERT_TRUE(db.set.MoveNext());
    EXPECT_EQ(readText(db.set, "BoolValue"), Text("FALSE"));
}

TEST(RecordSetRead, IntegersOnlyFromIntegerColumns) {
    REQUIRE_SAMPLE_FILES();
    Opened db("linq2db_TestData.mdb");
    ASSERT_TRUE(db.set.Open("DataTypeTest", 2));
    ASSERT_TRUE(db.set.Move(1));
    int v = 0;
    EXPECT_TRUE(db.set.ReadLong("Byte_", v));
    EXPECT_EQ(v, 255);
    EXPECT_TRUE(db.set.ReadLong("Int16_", v));
    EXPECT_EQ(v, 32767);
    EXPECT_TRUE(db.set.ReadLong("Boolean_", v)); // a Long column
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(db.set.ReadLong(0, v));
    EXPECT_EQ(v, 2);
    for (const char* other : {"Decimal_", "Money_", "Double_", "Single_", "String_", "DateTime_", "Guid_",
                              "Binary_", "Xml_", "Char_", "nosuch"}) {
        v = 77;
        EXPECT_FALSE(db.set.ReadLong(other, v)) << other;
        EXPECT_EQ(v, 77) << other;
    }
    v = 77;
    EXPECT_FALSE(db.set.ReadLong(99, v));
    EXPECT_EQ(v, 77);
    ASSERT_TRUE(db.set.MoveFirst()); // NULL in an integer column
    v = 77;
    EXPECT_FALSE(db.set.ReadLong("Int32_", v));
    EXPECT_EQ(v, 0);
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    v = 77;
    EXPECT_FALSE(db.set.ReadLong("BoolValue", v)); // Yes/No is no integer
    EXPECT_FALSE(db.set.ReadLong("MoneyValue", v));
    EXPECT_EQ(v, 77);
}

TEST(RecordSetRead, DatesOrZero) {
    REQUIRE_SAMPLE_FILES();
    Opened db("linq2db_TestData.mdb");
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    double d = -1;
    EXPECT_TRUE(db.set.ReadDateTime("DateTimeValue", d));
    // 2001-01-11 01:11:21 (stored with a fraction of a second)
    EXPECT_NEAR(d, 36902 + (3600 + 11 * 60 + 21) / 86400.0, 0.5 / 86400);
    d = -1;
    EXPECT_TRUE(db.set.ReadDateTime("DateTimeValue2", d)); // NULL date
    EXPECT_EQ(d, 0);
    d = -1;
    EXPECT_TRUE(db.set.ReadDateTime("StringValue", d)); // not a date
    EXPECT_EQ(d, 0);
    d = -1;
    EXPECT_TRUE(db.set.ReadDateTime(0, d));
    EXPECT_EQ(d, 0);
    d = -1;
    EXPECT_FALSE(db.set.ReadDateTime("nosuch", d));
    EXPECT_EQ(d, 0);
    d = -1;
    EXPECT_FALSE(db.set.ReadDateTime(11, d));
    EXPECT_EQ(d, 0);
    Text t("x");
    EXPECT_FALSE(db.set.ReadString("nosuch", t));
    EXPECT_EQ(t, Text());
    t = "x";
    EXPECT_FALSE(db.set.ReadString(-1, t));
    EXPECT_EQ(t, Text());
}

TEST(RecordSetRead, TwoSetsOnOneConnectionMoveOnTheirOwn) {
    REQUIRE_SAMPLE_FILES();
    Opened db("linq2db_TestData.mdb");
    RecordSet other;
    other.SetConnection(db.conn);
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    ASSERT_TRUE(other.Open("LinqDataTypes", 2));
    ASSERT_TRUE(other.MoveLast());
    EXPECT_EQ(readText(db.set, "ID"), Text("1"));
    EXPECT_EQ(readText(other, "ID"), Text("12"));
    // Rebinding to the same connection keeps an open set.
    EXPECT_TRUE(other.SetConnection(db.conn));
    EXPECT_TRUE(other.isOpen());
    EXPECT_EQ(other.Pos(), 11);
    // Re-opening an open set closes it first and starts at the first row.
    ASSERT_TRUE(other.Open("Person", 2));
    EXPECT_EQ(other.Pos(), 0);
    EXPECT_EQ(other.RecordsCount(), 4);
}
