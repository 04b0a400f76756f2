// Statements and deletes through the record set on a copy of a sample with a table the engine can
// write (LinqDataTypes: no index; Long, NUMERIC, date, Yes/No, GUID, OLE, Integer and text columns).
// Every change is checked through the engine itself, and every failure leaves the file's bytes as
// they were.
#include "data_support.h"

#include "runtime/data_values.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using datatest::ScratchDir;
using rt::CommonConnection;
using rt::RecordSet;
using rt::Text;

namespace {

std::string fileBytes(const Text& path) {
    std::ifstream in(path.toUtf8(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Db {
    ScratchDir dir;
    Text path;
    CommonConnection conn;
    RecordSet set;
    Db() {
        path = dir.copySample("linq2db_TestData.mdb");
        EXPECT_TRUE(conn.ConnectAccess(path, "")) << conn.LastError().toUtf8();
        set.SetConnection(conn);
    }
    std::vector<std::vector<Text>> rows() const { return datatest::engineRows(path, "LinqDataTypes"); }
};

Text text(RecordSet& s, const Text& field) {
    Text v;
    EXPECT_TRUE(s.ReadString(field, v)) << field.toUtf8();
    return v;
}

// Runs a statement that must fail: the error box comes first, the set stays closed, the file is
// unchanged. Returns the box's text.
std::string failing(Db& db, const Text& statement) {
    const std::string before = fileBytes(db.path);
    rt::ScriptedMessageBoxes boxes;
    EXPECT_FALSE(db.set.Open(statement, 1)) << statement.toUtf8();
    EXPECT_FALSE(db.set.isOpen());
    EXPECT_EQ(fileBytes(db.path), before) << statement.toUtf8();
    EXPECT_EQ(boxes.calls().size(), 1u);
    if (boxes.calls().empty())
        return {};
    EXPECT_EQ(boxes.calls()[0].caption, Text(rt::kDataErrorCaption));
    return boxes.calls()[0].text.toUtf8();
}

const char* const kInsert = "insert into LinqDataTypes (ID,MoneyValue,DateTimeValue,BoolValue,SmallIntValue,"
                            "StringValue) values (13,'2.5','2010年7月20日16时7分26秒',true,-7,'张三')";

} // namespace

TEST(Statements, InsertRunsAndLeavesTheSetClosed) {
    REQUIRE_SAMPLE_FILES();
    Db db;
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    RecordSet before;
    before.SetConnection(db.conn);
    ASSERT_TRUE(before.Open("LinqDataTypes", 2));

    rt::ScriptedMessageBoxes boxes;
    EXPECT_TRUE(db.set.Open(kInsert, 1));
    EXPECT_FALSE(db.set.isOpen());
    EXPECT_EQ(db.set.RecordsAffected(), 1);
    EXPECT_TRUE(boxes.calls().empty());
    db.set.Close();
    EXPECT_EQ(db.set.RecordsAffected(), 1); // still told after the caller's Close

    // The writer lock went with the write: another program can write now, with our sets open.
    jet::OpenOptions writing;
    writing.write = true;
    EXPECT_TRUE(jet::Database::open(db.path.toUtf8(), writing).ok());

    // In the file: a 13th row at the end of the table.
    const auto rows = db.rows();
    ASSERT_EQ(rows.size(), 13u);
    EXPECT_EQ(rows.back()[0], Text("13"));
    EXPECT_EQ(rows.back()[2], Text("2010-07-20 16:07:26"));
    EXPECT_EQ(rows.back()[10], Text("张三"));

    // The set opened before keeps its 12 rows; the next Open of any set has 13.
    EXPECT_EQ(before.RecordsCount(), 12);
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    EXPECT_EQ(db.set.RecordsCount(), 13);
    ASSERT_TRUE(db.set.MoveLast());
    EXPECT_EQ(text(db.set, "StringValue"), Text("张三"));
    EXPECT_EQ(text(db.set, "MoneyValue"), Text("2.50000000"));
    EXPECT_EQ(text(db.set, "BoolValue"), Text("TRUE"));
    int small = 0;
    EXPECT_TRUE(db.set.ReadLong("SmallIntValue", small));
    EXPECT_EQ(small, -7);
    double when = 0;
    EXPECT_TRUE(db.set.ReadDateTime("DateTimeValue", when));
    EXPECT_EQ(rt::data::valueText(jet::DateTime{when}), Text("2010-07-20 16:07:26"));
    EXPECT_EQ(datatest::readAll(db.set, 11), rows);
}

TEST(Statements, UpdateIsSeenByOpenSetsAndTheNextOpen) {
    REQUIRE_SAMPLE_FILES();
    Db db;
    RecordSet browse;
    browse.SetConnection(db.conn);
    ASSERT_TRUE(browse.Open("LinqDataTypes", 2));
    ASSERT_TRUE(browse.Move(2));
    EXPECT_EQ(text(browse, "StringValue"), Text("1")); // read once: the row is kept

    EXPECT_TRUE(db.set.Open(
        "update LinqDataTypes set StringValue='改过',DateTimeValue='2010年7月20日' where ID=3", 1));
    EXPECT_EQ(db.set.RecordsAffected(), 1);
    EXPECT_FALSE(db.set.isOpen());
    EXPECT_EQ(db.rows()[2][10], Text("改过"));
    // The open set has the same rows; its current row reads with the new values.
    EXPECT_EQ(browse.RecordsCount(), 12);
    EXPECT_EQ(browse.Pos(), 2);
    EXPECT_EQ(text(browse, "StringValue"), Text("改过"));
    EXPECT_EQ(text(browse, "DateTimeValue"), Text("2010-07-20 00:00:00"));

    // An update that matches nothing runs and changes nothing.
    EXPECT_TRUE(db.set.Open("update LinqDataTypes set StringValue='x' where ID=99", 1));
    EXPECT_EQ(db.set.RecordsAffected(), 0);
    // The date condition finds the updated row by its date text.
    ASSERT_TRUE(browse.MoveFirst());
    EXPECT_TRUE(browse.Find("DateTimeValue='2010年7月20日'", 1));
    EXPECT_EQ(browse.Pos(), 2);
}

TEST(Statements, SelectGivesItsRowsInItsOrder) {
    REQUIRE_SAMPLE_FILES();
    Db db;
    ASSERT_TRUE(db.set.Open("select ID, StringValue from LinqDataTypes where ID > 8 order by ID desc", 1));
    EXPECT_TRUE(db.set.isOpen());
    EXPECT_EQ(db.set.RecordsAffected(), -1);
    ASSERT_EQ(db.set.RecordsCount(), 4);
    const std::vector<std::vector<Text>> expected = {{"12", "0"}, {"11", "9"}, {"10", "8"}, {"9", "7"}};
    EXPECT_EQ(datatest::readAll(db.set, 2), expected);
    Text v("x");
    ASSERT_TRUE(db.set.MoveFirst());
    EXPECT_FALSE(db.set.ReadString("BoolValue", v)); // not in the select list
    EXPECT_EQ(v, Text());
    EXPECT_FALSE(db.set.ReadString(2, v));
    EXPECT_TRUE(db.set.Find("StringValue='8'", 1));
    EXPECT_EQ(db.set.Pos(), 2);

    ASSERT_TRUE(db.set.Open("select * from LinqDataTypes where ID = 100", 1));
    EXPECT_EQ(db.set.RecordsCount(), 0);
    EXPECT_EQ(db.set.Pos(), -2);
    EXPECT_FALSE(db.set.MoveLast());
}

TEST(Statements, RejectedStatementsShowTheBoxAndChangeNothing) {
    REQUIRE_SAMPLE_FILES();
    Db db;
    EXPECT_EQ(failing(db, "insert into LinqDataTypes (ID) valuse (1)").rfind("语法错误：", 0), 0u);
    EXPECT_NE(db.conn.LastError().toUtf8().find("State: 42000, Native: 3134"), std::string::npos);

    const std::string tooLong = failing(db, Text("insert into LinqDataTypes (ID,StringValue) values (1,'") +
                                                rt::repeat(51, "长") + "')");
    EXPECT_EQ(tooLong, "值太长：列 'StringValue' 最多 50 个字符") << tooLong;
    EXPECT_NE(db.conn.LastError().toUtf8().find("State: 22001, Native: 3163"), std::string::npos);

    EXPECT_EQ(failing(db, "update LinqDataTypes set IntValue='abc' where ID=1").rfind("类型不匹配：", 0), 0u);
    EXPECT_EQ(failing(db, "insert into xxx (a) values (1)"), "找不到表 'xxx'");
    EXPECT_EQ(failing(db, "update LinqDataTypes set nosuch=1"), "找不到列 'nosuch'");
    EXPECT_EQ(failing(db, "select * from xxx"), "找不到表 'xxx'");
    // A bad date text: the statement fails before anything is written.
    EXPECT_FALSE(failing(db, "update LinqDataTypes set DateTimeValue='2010年2月30日'").empty());
    // A table the engine cannot write (it has an index): the engine's reason.
    const std::string indexed = failing(db, "delete from Person");
    EXPECT_NE(indexed.find("有索引"), std::string::npos) << indexed;
    EXPECT_NE(db.conn.LastError().toUtf8().find("Native: 3251"), std::string::npos);

    const auto rows = db.rows();
    EXPECT_EQ(rows.size(), 12u);
}

TEST(Statements, AnotherWriterHoldingTheLock) {
    REQUIRE_SAMPLE_FILES();
    Db db;
    jet::OpenOptions o;
    o.write = true;
    auto other = jet::Database::open(db.path.toUtf8(), o);
    ASSERT_TRUE(other.ok());
    EXPECT_EQ(failing(db, kInsert).rfind("数据库正被另一个程序修改", 0), 0u);
    EXPECT_NE(db.conn.LastError().toUtf8().find("Native: 3218"), std::string::npos);
    // Reading goes on meanwhile.
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    EXPECT_EQ(db.set.RecordsCount(), 12);
    EXPECT_FALSE(db.set.Delete(1));
    EXPECT_EQ(db.set.RecordsCount(), 12);
    other->reset();
    db.set.Close();
    EXPECT_TRUE(db.set.Open(kInsert, 1));
}

TEST(Statements, ChangesByAnotherConnectionAreSeenAtTheNextOpen) {
    REQUIRE_SAMPLE_FILES();
    Db db;
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    EXPECT_EQ(db.set.RecordsCount(), 12);
    CommonConnection second;
    ASSERT_TRUE(second.ConnectAccess(db.path, ""));
    RecordSet writer;
    writer.SetConnection(second);
    ASSERT_TRUE(writer.Open(kInsert, 1));
    ASSERT_TRUE(writer.Open("delete from LinqDataTypes where ID=1", 1));
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    EXPECT_EQ(db.set.RecordsCount(), 12);
    EXPECT_EQ(text(db.set, "ID"), Text("2"));
    EXPECT_EQ(datatest::readAll(db.set, 11), db.rows());
}

TEST(Statements, FileGoneWhileConnected) {
    REQUIRE_SAMPLE_FILES();
    Db db;
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    ASSERT_TRUE(db.set.MoveLast());
    std::filesystem::rename(db.path.toUtf8(), db.path.toUtf8() + ".away");
    // The open set still reads what it has; the next Open reports the file, every time.
    EXPECT_EQ(text(db.set, "ID"), Text("12"));
    rt::ScriptedMessageBoxes boxes;
    EXPECT_FALSE(db.set.Open("LinqDataTypes", 2));
    EXPECT_FALSE(db.set.Open("LinqDataTypes", 2));
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(boxes.calls()[1].text.toUtf8().rfind("无法打开数据库文件：文件不存在", 0), 0u);
    EXPECT_FALSE(db.set.Open(kInsert, 1));
    std::filesystem::rename(db.path.toUtf8() + ".away", db.path.toUtf8());
    EXPECT_TRUE(db.set.Open("LinqDataTypes", 2));
    EXPECT_EQ(db.set.RecordsCount(), 12);
}

// The data version moves once for a file another program damaged (not at every look while it
// stays unreadable), and again when it can be read.
TEST(Statements, AnUnreadableFileCountsAsOneChange) {
    REQUIRE_SAMPLE_FILES();
    Db db;
    const std::string good = fileBytes(db.path);
    const uint64_t before = db.conn.dataVersion();
    EXPECT_EQ(db.conn.dataVersion(), before);
    std::ofstream(db.path.toUtf8(), std::ios::binary | std::ios::trunc) << std::string(8192, 'Z');
    const uint64_t damaged = db.conn.dataVersion();
    EXPECT_NE(damaged, before);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(db.conn.dataVersion(), damaged);
    std::ofstream(db.path.toUtf8(), std::ios::binary | std::ios::trunc) << good;
    EXPECT_NE(db.conn.dataVersion(), damaged);
    EXPECT_TRUE(db.set.Open("LinqDataTypes", 2));
}

TEST(Statements, KeptRowListsFollowEveryChange) {
    REQUIRE_SAMPLE_FILES();
    Db db;
    RecordSet browse;
    browse.SetConnection(db.conn);
    const char* steps[] = {
        "delete from LinqDataTypes where ID=5",
        "insert into LinqDataTypes (ID,StringValue) values (20,'a')",
        "update LinqDataTypes set StringValue='一段很长很长很长很长很长的文字，让这一行放不下原来的地方' "
        "where ID<4",
        "insert into LinqDataTypes (ID,StringValue) values (21,'b')",
        "delete from LinqDataTypes where ID=20 or ID=2",
        "insert into LinqDataTypes (ID,BinaryValue) values (22,NULL)",
        "delete from LinqDataTypes where ID>6 and ID<10",
    };
    for (const char* step : steps) {
        SCOPED_TRACE(step);
        ASSERT_TRUE(browse.Open("LinqDataTypes", 2)); // keeps the list before the change
        ASSERT_TRUE(db.set.Open(step, 1)) << db.conn.LastError().toUtf8();
        ASSERT_TRUE(browse.Open("LinqDataTypes", 2));
        const auto rows = db.rows();
        EXPECT_EQ(browse.RecordsCount(), int(rows.size()));
        EXPECT_EQ(datatest::readAll(browse, 11), rows);
    }
}

// ---- Delete ----------------------------------------------------------------------------------

TEST(RecordSetDelete, CurrentRecordInTheFileAndInTheSet) {
    REQUIRE_SAMPLE_FILES();
    Db db;
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    ASSERT_TRUE(db.set.Move(4)); // ID 5
    rt::ScriptedMessageBoxes boxes;
    EXPECT_TRUE(db.set.Delete(1));
    EXPECT_EQ(db.set.RecordsCount(), 11);
    EXPECT_EQ(db.set.Pos(), -2); // on the deleted record
    Text v("x");
    EXPECT_FALSE(db.set.ReadString("ID", v));
    EXPECT_EQ(v, Text());
    EXPECT_FALSE(db.set.Delete(1)); // already deleted
    EXPECT_TRUE(db.set.MoveNext()); // the row after it
    EXPECT_EQ(text(db.set, "ID"), Text("6"));
    EXPECT_EQ(db.set.Pos(), 4);
    EXPECT_TRUE(boxes.calls().empty());

    auto rows = db.rows();
    ASSERT_EQ(rows.size(), 11u);
    for (const auto& r : rows)
        EXPECT_NE(r[0], Text("5"));

    // At the last row: MoveNext then lands on EOF; MovePrevious from a deleted row goes back.
    ASSERT_TRUE(db.set.MoveLast());
    EXPECT_TRUE(db.set.Delete(1));
    EXPECT_TRUE(db.set.MovePrevious());
    EXPECT_EQ(text(db.set, "ID"), Text("11"));
    EXPECT_TRUE(db.set.Delete(1));
    EXPECT_TRUE(db.set.MoveNext());
    EXPECT_EQ(db.set.Pos(), -4);
    EXPECT_EQ(db.set.RecordsCount(), 9);
    EXPECT_TRUE(db.set.MoveLast());
    EXPECT_EQ(text(db.set, "ID"), Text("10"));

    // Not on a record: false, nothing deleted.
    ASSERT_TRUE(db.set.MoveNext());
    EXPECT_FALSE(db.set.Delete(1));
    ASSERT_TRUE(db.set.MoveFirst());
    ASSERT_TRUE(db.set.MovePrevious());
    EXPECT_FALSE(db.set.Delete(1));
    EXPECT_FALSE(db.set.Delete(2));
    EXPECT_FALSE(db.set.Delete(0));
    EXPECT_EQ(db.rows().size(), 9u);

    // The first row of the table: the set then starts with the second.
    ASSERT_TRUE(db.set.MoveFirst());
    EXPECT_TRUE(db.set.Delete(1));
    EXPECT_TRUE(db.set.MovePrevious());
    EXPECT_EQ(db.set.Pos(), -3);
    EXPECT_TRUE(db.set.MoveNext());
    EXPECT_EQ(text(db.set, "ID"), Text("2"));

    // A fresh Open agrees with the file.
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    EXPECT_EQ(datatest::readAll(db.set, 11), db.rows());
}

TEST(RecordSetDelete, AllRecordsOfTheSet) {
    REQUIRE_SAMPLE_FILES();
    Db db;
    ASSERT_TRUE(db.set.Open("select * from LinqDataTypes where ID <= 4", 1));
    ASSERT_TRUE(db.set.MoveLast());
    EXPECT_TRUE(db.set.Delete(3));
    EXPECT_EQ(db.set.RecordsCount(), 0);
    EXPECT_EQ(db.set.Pos(), -2);
    const auto rows = db.rows();
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows.front()[0], Text("5"));
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    EXPECT_TRUE(db.set.Delete(3));
    EXPECT_TRUE(db.rows().empty());
    ASSERT_TRUE(db.set.Open("LinqDataTypes", 2));
    EXPECT_EQ(db.set.RecordsCount(), 0);
}

TEST(RecordSetDelete, RefusedDeleteChangesNothing) {
    REQUIRE_SAMPLE_FILES();
    Db db;
    ASSERT_TRUE(db.set.Open("Person", 2)); // has an index: the engine does not write it
    const std::string before = fileBytes(db.path);
    rt::ScriptedMessageBoxes boxes;
    ASSERT_TRUE(db.set.Move(1));
    EXPECT_FALSE(db.set.Delete(1));
    EXPECT_FALSE(db.set.Delete(3));
    EXPECT_TRUE(boxes.calls().empty()); // only a failed Open shows a box
    EXPECT_EQ(db.set.RecordsCount(), 4);
    EXPECT_EQ(db.set.Pos(), 1);
    EXPECT_EQ(fileBytes(db.path), before);
    EXPECT_NE(db.conn.LastError().toUtf8().find("State: HY000, Native: 3251"), std::string::npos);
}

TEST(RecordSetDelete, RowsDeletedThroughAnotherSetReadAsMissing) {
    REQUIRE_SAMPLE_FILES();
    Db db;
    RecordSet browse;
    browse.SetConnection(db.conn);
    ASSERT_TRUE(browse.Open("LinqDataTypes", 2));
    ASSERT_TRUE(db.set.Open("delete from LinqDataTypes where ID=1 or ID=3", 1));
    // The browsing set still has 12 rows; the deleted ones fail every read.
    EXPECT_EQ(browse.RecordsCount(), 12);
    Text v("x");
    EXPECT_FALSE(browse.ReadString("ID", v));
    EXPECT_EQ(v, Text());
    int n = 5;
    EXPECT_FALSE(browse.ReadLong("ID", n));
    EXPECT_EQ(n, 0);
    double d = 5;
    EXPECT_FALSE(browse.ReadDateTime("DateTimeValue", d));
    EXPECT_EQ(d, 0);
    ASSERT_TRUE(browse.MoveNext());
    EXPECT_EQ(text(browse, "ID"), Text("2"));
    // Find passes over them, and a delete of one through the set fails without harm.
    ASSERT_TRUE(browse.MoveFirst());
    EXPECT_TRUE(browse.Find("ID >= 1", 1));
    EXPECT_EQ(browse.Pos(), 1);
    ASSERT_TRUE(browse.Move(2));
    EXPECT_FALSE(browse.Delete(1));
    EXPECT_EQ(browse.RecordsCount(), 12);
    EXPECT_EQ(db.rows().size(), 10u);
}
