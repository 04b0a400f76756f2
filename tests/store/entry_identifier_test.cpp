// The next entry identifier on a real `db` (the carried image), through the data-access objects,
// with identifiers written straight through the engine as another program might have left them.
#include "jet/sql_engine.h"
#include "runtime/data_access.h"
#include "runtime/kernel.h"
#include "runtime/msgbox.h"
#include "store/database_image.h"
#include "store/entry_statements.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

class NextIdentifier : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = rt::Text(dir_.path()) + "/db";
        ASSERT_TRUE(rt::writeFile(path_, {rt::decompress(store::databaseImage())}));
        // Opening the table is what every test here stands on: a failure there fails them all.
        ASSERT_TRUE(connection_.ConnectAccess(path_, "")) << "the carried database does not open";
        ASSERT_TRUE(statements_.SetConnection(connection_));
        ASSERT_TRUE(statements_.Open("data", rt::RecordSet::Table)) << "the table data does not open";
        statements_.Close();
    }

    void store(std::initializer_list<const char*> ids) {
        auto c = jet::sql::Connection::open(path_.toUtf8());
        ASSERT_TRUE(c.ok()) << c.error().describe();
        for (const char* id : ids) {
            auto r = (*c)->execute(std::string("insert into data (姓名,id) values ('x','") + id + "')");
            ASSERT_TRUE(r.ok()) << r.error().describe();
        }
    }
    void remove(const char* id) {
        auto c = jet::sql::Connection::open(path_.toUtf8());
        ASSERT_TRUE(c.ok()) << c.error().describe();
        auto r = (*c)->execute(std::string("delete from data where id='") + id + "'");
        ASSERT_TRUE(r.ok()) << r.error().describe();
    }
    std::string next() {
        const rt::Text id = store::nextEntryIdentifier(statements_, connection_);
        EXPECT_FALSE(statements_.isOpen());
        return id.toUtf8();
    }

    QTemporaryDir dir_;
    rt::Text path_;
    rt::ScriptedMessageBoxes boxes_;
    rt::CommonConnection connection_;
    rt::RecordSet statements_;
};

TEST_F(NextIdentifier, EmptyTableStartsAtOne) {
    EXPECT_EQ(next(), "GZ-00001");
    EXPECT_TRUE(boxes_.calls().empty());
}

TEST_F(NextIdentifier, FollowsTheHighestNumber) {
    store({"GZ-00003", "GZ-00001", "GZ-00009", "GZ-00002", "GZ-00005", "GZ-00004", "GZ-00006", "GZ-00008",
           "GZ-00007"});
    EXPECT_EQ(next(), "GZ-00010");
    EXPECT_TRUE(boxes_.calls().empty());
}

// Gaps stay; the highest number deleted is issued again.
TEST_F(NextIdentifier, AfterDeletes) {
    store({"GZ-00001", "GZ-00002", "GZ-00003", "GZ-00004", "GZ-00005"});
    remove("GZ-00004");
    EXPECT_EQ(next(), "GZ-00006");
    store({"GZ-00004"});
    remove("GZ-00005");
    EXPECT_EQ(next(), "GZ-00005");
}

// Past the five digits the number widens; the highest is found by value across widths.
TEST_F(NextIdentifier, PastTheLimit) {
    store({"GZ-99998", "GZ-99999"});
    EXPECT_EQ(next(), "GZ-100000");
    store({"GZ-100000"});
    EXPECT_EQ(next(), "GZ-100001");
    store({"GZ-100001", "GZ-999999"});
    EXPECT_EQ(next(), "GZ-1000000");
    EXPECT_TRUE(boxes_.calls().empty());
}

// Wider identifiers decide only by their number: leading zeros make a wide one small, and of
// equal numbers the widest keeps its width.
TEST_F(NextIdentifier, WiderIdentifiersCountByValue) {
    store({"GZ-00005", "GZ-000003"});
    EXPECT_EQ(next(), "GZ-00006");
    store({"GZ-99999", "GZ-100000", "GZ-0000001"});
    EXPECT_EQ(next(), "GZ-100001");
    remove("GZ-100000");
    store({"GZ-099999"}); // equal to GZ-99999, one digit wider
    EXPECT_EQ(next(), "GZ-100000");
    EXPECT_TRUE(boxes_.calls().empty());
}

// Identifiers another program left: the issued one is never one that is stored.
TEST_F(NextIdentifier, ForeignIdentifiers) {
    store({"GZ-00003", "GZ-abc"}); // text order puts GZ-abc last
    EXPECT_EQ(next(), "GZ-00004");
    remove("GZ-abc");
    store({"GZ-7"}); // shorter, but last in text order
    EXPECT_EQ(next(), "GZ-8");
    store({"GZ-00012"});
    EXPECT_EQ(next(), "GZ-00013");
    store({"gz-00020"}); // another case: the same identifier to the database
    EXPECT_EQ(next(), "GZ-00021");
}

TEST_F(NextIdentifier, PrefixAloneIsNoNumber) {
    store({"GZ-"});
    EXPECT_EQ(next(), "GZ-00001");
    store({"GZ-00001"});
    EXPECT_EQ(next(), "GZ-00002");
}

} // namespace
