// The program's own statements and flows on a new Ledrimo database: the entry insert and update
// texts as the program builds them, the identifier query, the date query, the account statements,
// the add, delete and list-window sequences, and the date texts going in and coming out.
#include "data_support.h"

#include "runtime/datetime.h"

#include <gtest/gtest.h>

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

struct Entry {
    Text name = "张三", company = "深圳市某某科技有限公司", address = "南山区科技园",
         joined = "2008年11月27日", day = "2010年7月20日", hours = "8", notes = "调试接口\r\n整理会议记录",
         stamp = "2010年7月20日16时7分26秒", id = "GZ-00001";
};

// The statement texts exactly as the program concatenates them.
Text insertStatement(const Entry& e) {
    return "insert into data  (姓名,公司名称,公司地址,入厂时间,上班日期,上班时间,工作备注,时间,id) values "
           "('" +
           e.name + "','" + e.company + "','" + e.address + "','" + e.joined + "','" + e.day + "'," +
           e.hours + ",'" + e.notes + "','" + e.stamp + "','" + e.id + "')";
}
Text updateStatement(const Entry& e) {
    return "update data set 姓名='" + e.name + "',公司名称='" + e.company + "',公司地址='" + e.address +
           "',入厂时间='" + e.joined + "',上班日期='" + e.day + "',上班时间=" + e.hours + ",工作备注='" +
           e.notes + "',时间='" + e.stamp + "' where id='" + e.id + "'";
}
const Text kIdentifierQuery = "select ID from data where ID like 'GZ-%' order by ID";

// The main window's objects on a new database.
struct MainWindow {
    ScratchDir dir;
    Text path;
    CommonConnection conn;          // 数据库连接1
    RecordSet browse, statements;   // 记录集1, 记录集2
    rt::ScriptedMessageBoxes boxes; // every box is recorded, none is shown
    bool ready = false;
    MainWindow() {
        path = dir.ledrimoDb();
        if (path.empty())
            return;
        ready = conn.ConnectAccess(path, "");
        browse.SetConnection(conn);
        statements.SetConnection(conn);
    }
    // nextEntryIdentifier's query: the last identifier in text order, or empty.
    Text lastIdentifier() {
        Text last;
        statements.SetConnection(conn);
        statements.Open(kIdentifierQuery, 1);
        statements.MoveLast();
        statements.ReadString(0, last);
        statements.Close();
        return last;
    }
    bool add(const Entry& e) {
        if (!statements.Open(insertStatement(e), 1))
            return false;
        statements.Close();
        browse.Open("data", 2);
        statements.Open("data", 2);
        return browse.MoveLast();
    }
    std::vector<std::vector<Text>> rows() const { return datatest::engineRows(path, "data"); }
};

#define REQUIRE_LEDRIMO_DB(w)                                                                                \
    do {                                                                                                     \
        ASSERT_FALSE((w).path.empty()) << "the carried database image could not be written";                 \
        ASSERT_TRUE((w).ready) << (w).conn.LastError().toUtf8();                                             \
    } while (0)

Text text(RecordSet& s, const Text& field) {
    Text v;
    EXPECT_TRUE(s.ReadString(field, v)) << field.toUtf8();
    return v;
}
double date(RecordSet& s, const Text& field) {
    double v = -1;
    EXPECT_TRUE(s.ReadDateTime(field, v)) << field.toUtf8();
    return v;
}

} // namespace

TEST(ProgramFlows, EmptyTableAtConnect) {
    MainWindow w;
    REQUIRE_LEDRIMO_DB(w);
    EXPECT_EQ(w.conn.connectionText(), Text("Provider=Microsoft.Jet.OLEDB.4.0; Data Source=") + w.path);
    ASSERT_TRUE(w.browse.Open("data", 2));
    EXPECT_EQ(w.browse.RecordsCount(), 0);
    double when = -1;
    EXPECT_FALSE(w.browse.ReadDateTime("时间", when)); // no row: the zero date
    EXPECT_EQ(rt::dateText(when), Text("1899年12月30日"));
    EXPECT_EQ(w.lastIdentifier(), Text()); // so the first identifier is GZ-00001
    EXPECT_TRUE(w.boxes.calls().empty());
}

TEST(ProgramFlows, AddShowsTheNewEntryWithItsDates) {
    MainWindow w;
    REQUIRE_LEDRIMO_DB(w);
    Entry e;
    ASSERT_TRUE(w.add(e)) << w.conn.LastError().toUtf8();
    EXPECT_TRUE(w.boxes.calls().empty());
    EXPECT_EQ(w.browse.RecordsCount(), 1);
    EXPECT_EQ(w.statements.RecordsCount(), 1);
    EXPECT_EQ(w.browse.Pos(), 0);
    EXPECT_EQ(text(w.browse, "姓名"), e.name);
    EXPECT_EQ(text(w.browse, "公司名称"), e.company);
    EXPECT_EQ(text(w.browse, "公司地址"), e.address);
    EXPECT_EQ(text(w.browse, "工作备注"), e.notes); // line breaks kept
    EXPECT_EQ(text(w.browse, "id"), e.id);          // the column is ID; names ignore case
    int hours = 0;
    EXPECT_TRUE(w.browse.ReadLong("上班时间", hours));
    EXPECT_EQ(hours, 8);
    // The date texts come back as the same dates.
    EXPECT_EQ(date(w.browse, "入厂时间"), rt::makeDate(2008, 11, 27));
    EXPECT_EQ(rt::dateText(date(w.browse, "上班日期")), Text("2010年7月20日"));
    EXPECT_EQ(rt::dateText(date(w.browse, "时间")), Text("2010年7月20日16时7分26秒"));
    EXPECT_EQ(text(w.browse, "时间"), Text("2010-07-20 16:07:26"));
    EXPECT_EQ(w.lastIdentifier(), Text("GZ-00001"));

    // Time texts of every form, and the empty date.
    Entry f;
    f.id = "GZ-00002";
    f.stamp = "2010年7月20日9时";
    f.joined = "1899年12月30日";
    f.day = "2010年7月5日";
    ASSERT_TRUE(w.add(f));
    EXPECT_EQ(w.browse.Pos(), 1);
    EXPECT_EQ(rt::dateText(date(w.browse, "时间")), Text("2010年7月20日9时"));
    EXPECT_EQ(date(w.browse, "入厂时间"), 0);
    EXPECT_EQ(rt::dateText(date(w.browse, "上班日期")), Text("2010年7月5日"));
    f.id = "GZ-00003";
    f.stamp = "2010年7月20日16时7分";
    ASSERT_TRUE(w.add(f));
    EXPECT_EQ(rt::dateText(date(w.browse, "时间")), Text("2010年7月20日16时7分"));
    EXPECT_EQ(w.rows().size(), 3u);
}

TEST(ProgramFlows, IdentifierQueryOrdersByText) {
    MainWindow w;
    REQUIRE_LEDRIMO_DB(w);
    for (const char* id : {"GZ-00003", "GZ-00010", "GZ-00001", "XX-00099", "GZ-00009"}) {
        Entry e;
        e.id = id;
        ASSERT_TRUE(w.add(e)) << id;
    }
    ASSERT_TRUE(w.statements.Open(kIdentifierQuery, 1));
    EXPECT_EQ(w.statements.RecordsCount(), 4);
    const std::vector<std::vector<Text>> ordered = {{"GZ-00001"}, {"GZ-00003"}, {"GZ-00009"}, {"GZ-00010"}};
    EXPECT_EQ(datatest::readAll(w.statements, 1), ordered);
    w.statements.Close();
    EXPECT_EQ(w.lastIdentifier(), Text("GZ-00010"));
    // The browsing set keeps table order.
    ASSERT_TRUE(w.browse.Open("data", 2));
    EXPECT_EQ(text(w.browse, "ID"), Text("GZ-00003"));
}

TEST(ProgramFlows, UpdateRewritesOnlyItsEntry) {
    MainWindow w;
    REQUIRE_LEDRIMO_DB(w);
    Entry a, b;
    b.id = "GZ-00002";
    ASSERT_TRUE(w.add(a));
    ASSERT_TRUE(w.add(b));
    Entry changed = b;
    changed.name = "李四";
    changed.hours = "0";
    changed.day = "2010年7月21日";
    changed.stamp = "2010年7月21日8时30分";
    ASSERT_TRUE(w.statements.Open(updateStatement(changed), 1)) << w.conn.LastError().toUtf8();
    EXPECT_FALSE(w.statements.isOpen());
    EXPECT_EQ(w.statements.RecordsAffected(), 1);
    w.statements.Close();
    const auto rows = w.rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], Text("张三"));
    EXPECT_EQ(rows[1][0], Text("李四"));
    EXPECT_EQ(rows[1][4], Text("2010-07-21 00:00:00"));
    EXPECT_EQ(rows[1][5], Text("0"));
    EXPECT_EQ(rows[1][7], Text("2010-07-21 08:30:00"));
    EXPECT_TRUE(w.boxes.calls().empty());
}

TEST(ProgramFlows, RejectedStatementsShowTheDataErrorFirstAndChangeNothing) {
    MainWindow w;
    REQUIRE_LEDRIMO_DB(w);
    ASSERT_TRUE(w.add(Entry{}));
    struct Case {
        const char* why;
        Entry entry;
        bool update;
        const char* message; // the start of the box's text
        const char* state;
    };
    Entry emptyHours, quote, tooLong, word, badDate;
    emptyHours.hours = ""; // nothing between "上班时间=" and ",工作备注="
    quote.name = "O'Brien";
    tooLong.name = "一二三四五六七八九十一二三四五六七八九十一";
    word.hours = "abc";
    badDate.day = "2010年2月30日";
    const Case cases[] = {
        {"empty hours", emptyHours, true, "语法错误：", "State: 42000, Native: 3144"},
        {"quote in a value", quote, false, "语法错误：", "State: 42000, Native: 3134"},
        {"name too long", tooLong, false, "值太长：列 '姓名' 最多 20 个字符", "State: 22001, Native: 3163"},
        {"hours not a number in an insert", word, false, "语法错误：", "State: 42000, Native: 3134"},
        {"hours not a number in an update", word, true, "找不到列 'abc'", "State: 42S22, Native: 3265"},
        {"no such day", badDate, true, "类型不匹配：", "State: 22018, Native: 3464"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const std::string before = fileBytes(w.path);
        w.boxes.clear();
        const Text statement = c.update ? updateStatement(c.entry) : insertStatement(c.entry);
        EXPECT_FALSE(w.statements.Open(statement, 1));
        ASSERT_EQ(w.boxes.calls().size(), 1u);
        const rt::MessageBoxCall& box = w.boxes.calls()[0];
        EXPECT_EQ(box.text.toUtf8().rfind(c.message, 0), 0u) << box.text.toUtf8();
        EXPECT_EQ(box.caption, Text(rt::kDataErrorCaption));
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_NE(w.conn.LastError().toUtf8().find(c.state), std::string::npos)
            << w.conn.LastError().toUtf8();
        EXPECT_EQ(w.conn.LastError().toUtf8().rfind("Description: " + box.text.toUtf8() + "\r\n", 0), 0u);
        EXPECT_EQ(fileBytes(w.path), before);
    }
    EXPECT_EQ(w.rows().size(), 1u);
}

TEST(ProgramFlows, DateQueryFindsTheFirstEntryOfTheDay) {
    MainWindow w;
    REQUIRE_LEDRIMO_DB(w);
    const char* days[] = {"2010年7月14日", "2010年7月20日", "2010年7月5日", "2010年7月20日"};
    int n = 0;
    for (const char* day : days) {
        Entry e;
        e.day = day;
        e.id = Text("GZ-0000") + rt::toText(++n);
        ASSERT_TRUE(w.add(e));
    }
    ASSERT_TRUE(w.browse.MoveFirst());
    EXPECT_TRUE(w.browse.Find("上班日期='2010年7月20日'", 1));
    EXPECT_EQ(text(w.browse, "ID"), Text("GZ-00002"));
    EXPECT_EQ(w.browse.Pos(), 1);
    ASSERT_TRUE(w.browse.MoveFirst());
    EXPECT_TRUE(w.browse.Find("上班日期='2010年7月5日'", 1));
    EXPECT_EQ(w.browse.Pos(), 2);
    ASSERT_TRUE(w.browse.MoveFirst());
    EXPECT_FALSE(w.browse.Find("上班日期='2010年7月15日'", 1));
    EXPECT_EQ(w.browse.Pos(), -4);
    EXPECT_TRUE(w.boxes.calls().empty());
}

TEST(ProgramFlows, DeleteTheShownEntryThenShowTheLast) {
    MainWindow w;
    REQUIRE_LEDRIMO_DB(w);
    for (const char* id : {"GZ-00001", "GZ-00002", "GZ-00003"}) {
        Entry e;
        e.id = id;
        ASSERT_TRUE(w.add(e));
    }
    ASSERT_TRUE(w.browse.MoveFirst());
    ASSERT_TRUE(w.browse.MoveNext());
    EXPECT_TRUE(w.browse.Delete(1));
    ASSERT_TRUE(w.browse.MoveLast());
    EXPECT_EQ(text(w.browse, "ID"), Text("GZ-00003"));
    EXPECT_EQ(w.browse.RecordsCount(), 2);
    EXPECT_EQ(w.browse.Pos(), 1);
    EXPECT_EQ(w.lastIdentifier(), Text("GZ-00003"));
    // Deleting the only remaining ones empties the table.
    EXPECT_TRUE(w.browse.Delete(1));
    ASSERT_TRUE(w.browse.MoveFirst());
    EXPECT_TRUE(w.browse.Delete(1));
    EXPECT_FALSE(w.browse.MoveLast());
    EXPECT_EQ(w.browse.RecordsCount(), 0);
    EXPECT_TRUE(w.rows().empty());
    EXPECT_TRUE(w.boxes.calls().empty());
}

TEST(ProgramFlows, ListWindowDeleteAndRefill) {
    MainWindow w;
    REQUIRE_LEDRIMO_DB(w);
    for (const char* id : {"GZ-00001", "GZ-00002", "GZ-00003"}) {
        Entry e;
        e.id = id;
        ASSERT_TRUE(w.add(e));
    }
    // Row 2 of the list: both sets opened, the statement set moved and its record deleted.
    ASSERT_TRUE(w.browse.Open("data", 2));
    ASSERT_TRUE(w.statements.Open("data", 2));
    ASSERT_TRUE(w.statements.Move(2 - 1));
    EXPECT_TRUE(w.statements.Delete(1));
    w.browse.Close();
    w.statements.Close();
    ASSERT_TRUE(w.browse.Open("data", 2));
    ASSERT_TRUE(w.statements.Open("data", 2));
    ASSERT_TRUE(w.statements.MoveFirst());
    const int n = w.statements.RecordsCount();
    ASSERT_EQ(n, 2);
    std::vector<Text> ids;
    for (int i = 1; i <= n; ++i) {
        ids.push_back(text(w.statements, "id"));
        w.statements.MoveNext();
    }
    EXPECT_EQ(ids, (std::vector<Text>{"GZ-00001", "GZ-00003"}));
    // The browsing set stands on its first record.
    EXPECT_EQ(w.browse.Pos(), 0);
    EXPECT_EQ(text(w.browse, "ID"), Text("GZ-00001"));
}

TEST(ProgramFlows, AccountStatements) {
    MainWindow w;
    REQUIRE_LEDRIMO_DB(w);
    // The restored database has its one account.
    ASSERT_TRUE(w.statements.Open("admin", 2));
    EXPECT_EQ(w.statements.RecordsCount(), 1);
    int id = 0;
    EXPECT_TRUE(w.statements.ReadLong("id", id));
    EXPECT_EQ(id, 1);
    EXPECT_EQ(text(w.statements, "code").length(), 32);
    ASSERT_TRUE(w.statements.Open("delete from admin", 1));
    ASSERT_TRUE(w.statements.Open("admin", 2));
    EXPECT_EQ(w.statements.RecordsCount(), 0);
    const Text code = "0123456789ABCDEF0123456789ABCDEF";
    ASSERT_TRUE(w.statements.Open("insert into admin (id,name,code) values (1,'管理员','" + code + "')", 1));
    ASSERT_TRUE(
        w.statements.Open("update admin set name='新名字',code='" + rt::repeat(32, "F") + "' where id=1", 1));
    EXPECT_EQ(w.statements.RecordsAffected(), 1);

    // The login window's own connection reads it back.
    CommonConnection login;
    ASSERT_TRUE(login.ConnectAccess(w.path, ""));
    RecordSet account;
    account.SetConnection(login);
    ASSERT_TRUE(account.Open("admin", 2));
    ASSERT_TRUE(account.MoveFirst());
    EXPECT_EQ(text(account, "name"), Text("新名字"));
    EXPECT_EQ(text(account, "code"), rt::repeat(32, "F"));
    account.Close();
    EXPECT_TRUE(login.Close());

    // A name longer than the column: refused, nothing changed.
    EXPECT_FALSE(w.statements.Open("update admin set name='一二三四五六七八九十一',code='x' where id=1", 1));
    ASSERT_EQ(w.boxes.calls().size(), 1u);
    EXPECT_EQ(w.boxes.calls()[0].text, Text("值太长：列 'name' 最多 10 个字符"));
}
