// SQL on the engine: statements against real files through Connection, RowIds that stay valid
// while rows move, statements that are all-or-nothing, and the lock between connections.
#include "writeutil.h"

#include "jet/codec.h"
#include "jet/sql_engine.h"

using namespace testutil;
using namespace writeutil;
using jet::Value;

namespace {

std::unique_ptr<jet::sql::Connection> connect(const std::string& path, bool write = true) {
    jet::sql::Connection::Options o;
    o.write = write;
    auto c = jet::sql::Connection::open(path, o);
    if (!c) {
        ADD_FAILURE() << c.error().describe();
        return nullptr;
    }
    return std::move(*c);
}

jet::sql::ExecResult run(jet::sql::Connection& c, const std::string& statement) {
    auto r = c.execute(std::string_view(statement));
    if (!r) {
        ADD_FAILURE() << statement << ": " << r.error().describe();
        return {};
    }
    return std::move(*r);
}

} // namespace

TEST(SqlEngine, StatementsRunOnTheFile) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    {
        auto c = connect(path);
        ASSERT_TRUE(c);
        EXPECT_EQ(run(*c, "INSERT INTO [Table] (a, b) VALUES ('张三', 'it''s')").rowsAffected, 1u);
        EXPECT_EQ(run(*c, "INSERT INTO [Table] VALUES ('李四', NULL)").rowsAffected, 1u);
        EXPECT_EQ(run(*c, "INSERT INTO [Table] (b) VALUES ('𠀀')").rowsAffected, 1u);
        auto all = run(*c, "SELECT * FROM [Table] ORDER BY a");
        ASSERT_EQ(all.rowCount(), 5u);
        EXPECT_TRUE(jet::isNull(all.value(0, 0))) << "NULL sorts first";
        const size_t zhang = all.value(3, 0) == Value(std::u16string(u"张三")) ? 3 : 4;
        EXPECT_EQ(all.value(zhang, 0), Value(std::u16string(u"张三")));
        EXPECT_EQ(all.value(zhang, 1), Value(std::u16string(u"it's")));
        EXPECT_EQ(run(*c, "UPDATE [Table] SET b = 'changed' WHERE a LIKE '?四' OR a = 'z'").rowsAffected, 2u);
        EXPECT_EQ(run(*c, "DELETE FROM [Table] WHERE b IS NULL").rowsAffected, 0u);
        EXPECT_EQ(run(*c, "DELETE FROM [Table] WHERE a = 'v'").rowsAffected, 1u);
    }
    const Rows rows = readTable(path, u"Table");
    const Rows want = {
        {Value(std::u16string(u"z")), Value(std::u16string(u"changed"))},
        {Value(std::u16string(u"张三")), Value(std::u16string(u"it's"))},
        {Value(std::u16string(u"李四")), Value(std::u16string(u"changed"))},
        {Value(jet::Null{}), Value(std::u16string(u"𠀀"))},
    };
    EXPECT_EQ(rows, want);
    EXPECT_TRUE(consistent(path, {u"Table"}));
}

TEST(SqlEngine, RowIdsStayValidWhileRowsMove) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    auto c = connect(path);
    ASSERT_TRUE(c);
    ASSERT_TRUE(c->begin());
    for (int i = 0; i < 250; ++i)
        ASSERT_TRUE(
            c->insertRow(u"Table", {Value(jet::fromUtf8("n" + std::to_string(i))), Value(jet::Null{})}));
    ASSERT_TRUE(c->commit());
    jet::sql::ExecOptions idsOnly;
    idsOnly.rowIdsOnly = true;
    auto sel =
        c->execute(std::string_view("SELECT a FROM [Table] WHERE a LIKE 'n*' ORDER BY a DESC"), idsOnly);
    ASSERT_TRUE(sel);
    ASSERT_EQ(sel->rowCount(), 250u);
    EXPECT_TRUE(sel->values.empty());
    const auto ids = sel->rowIds;
    // Every row grows past what its page holds: most of them move.
    const std::u16string longer = u"这一行变长了，需要挪到别的页上去，这一行变长了，需要挪到别的页上去";
    EXPECT_EQ(run(*c, "UPDATE [Table] SET b = '" + jet::toUtf8(longer) + "' WHERE a LIKE 'n*'").rowsAffected,
              250u);
    for (size_t k = 0; k < ids.size(); k += 25) {
        auto a = c->readValue(u"Table", ids[k], 0);
        ASSERT_TRUE(a) << a.error().describe();
        std::vector<Value> row;
        ASSERT_TRUE(c->readRow(u"Table", ids[k], row));
        EXPECT_EQ(row[0], *a);
        EXPECT_EQ(row[1], Value(longer));
    }
    // Deleting by RowId, and the RowId is gone after.
    ASSERT_TRUE(c->deleteRow(u"Table", ids[0]));
    auto gone = c->readValue(u"Table", ids[0], 0);
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error().kind, jet::ErrorKind::NotFound);
    EXPECT_FALSE(c->deleteRow(u"Table", ids[0]));
    ASSERT_TRUE(c->updateRow(u"Table", ids[1], {{1, Value(std::u16string(u"短"))}}));
    EXPECT_EQ(*c->readValue(u"Table", ids[1], 1), Value(std::u16string(u"短")));
    c.reset();
    EXPECT_TRUE(consistent(path, {u"Table"}));
}

TEST(SqlEngine, AStatementThatFailsPartWayChangesNothing) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    {
        auto c = connect(path);
        ASSERT_TRUE(c->begin());
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(c->insertRow(u"Table",
                                     {Value(jet::fromUtf8(std::to_string(i))), Value(std::u16string(u"b"))}));
        ASSERT_TRUE(c->commit());
    }
    // Damage the text of the 10th new row: the update reaches it after nine rows were written.
    auto db = openRead(path);
    const auto ids = rowIdsOf(*db, u"Table");
    auto stored = (*db->openTable(u"Table"))->storedRow(ids[11]);
    const size_t at = size_t(ids[11].page) * jet::kPageSize +
                      size_t(stored->bytes.data() - stored->page->bytes.data()) + stored->bytes.size() - 1 -
                      2 - 2 - 2;
    db.reset();
    auto bytes = readBytes(path);
    jet::put16(bytes.data() + at, uint16_t(jet::le16(bytes.data() + at) - 1)); // b of the row: odd length
    writeBytes(path, bytes);
    auto c = connect(path);
    auto r = c->execute(std::string_view("UPDATE [Table] SET a = 'x'"));
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().kind, jet::ErrorKind::Corrupt);
    c.reset();
    EXPECT_EQ(readBytes(path), bytes) << "the rows before the damaged one were not changed either";
    // Through the storage: a failed write between begin and commit, then rollback.
    c = connect(path);
    auto& storage = c->storage();
    auto table = storage.openTable(u"Table");
    ASSERT_TRUE(table && *table);
    ASSERT_TRUE(storage.begin());
    ASSERT_TRUE((*table)->update(jet::sql::toSql(ids[2]), {{0, Value(std::u16string(u"changed"))}}));
    ASSERT_FALSE((*table)->update(jet::sql::toSql(ids[3]), {{0, Value(textOf(51))}}));
    storage.rollback();
    c.reset();
    EXPECT_EQ(readBytes(path), bytes);
}

TEST(SqlEngine, ValuesAreConvertedAsInsertConvertsThem) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "linq2db_TestData.mdb");
    auto c = connect(path);
    ASSERT_TRUE(c);
    auto cols = c->columns(u"AllTypes");
    ASSERT_TRUE(cols);
    ASSERT_EQ(cols->size(), 22u);
    EXPECT_EQ((*cols)[11].maxLength, 20u);
    EXPECT_EQ((*cols)[3].precision, 18);
    std::vector<Value> row(22, Value(jet::Null{}));
    row[2] = std::u16string(u"12");                   // text into Integer
    row[9] = std::u16string(u"2010年7月20日16时7分"); // a date text into Date/Time
    row[4] = 7.0;                                     // a whole double into Long
    auto id = c->insertRow(u"AllTypes", row);
    ASSERT_TRUE(id) << id.error().describe();
    EXPECT_EQ(*c->readValue(u"AllTypes", *id, 2), Value(int16_t(12)));
    EXPECT_EQ(*c->readValue(u"AllTypes", *id, 4), Value(int32_t(7)));
    EXPECT_EQ(jet::formatDateTime(std::get<jet::DateTime>(*c->readValue(u"AllTypes", *id, 9))),
              "2010-07-20 16:07:00");
    row[2] = std::u16string(u"99999");
    auto bad = c->insertRow(u"AllTypes", row);
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error().kind, jet::ErrorKind::Invalid);
    EXPECT_NE(bad.error().message.find("smallintDataType"), std::string::npos);
    auto indexed = c->execute(std::string_view("DELETE FROM Person"));
    ASSERT_FALSE(indexed);
    EXPECT_EQ(indexed.error().kind, jet::ErrorKind::Unsupported);
}

TEST(SqlEngine, TransactionsSpanStatementsAndConnectionsLockEachOther) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    const auto original = readBytes(path);
    auto c = connect(path);
    ASSERT_TRUE(c);
    auto second = jet::sql::Connection::open(path);
    ASSERT_FALSE(second);
    EXPECT_EQ(second.error().message, "数据库正被另一个程序修改");
    auto reader = connect(path, false);
    ASSERT_TRUE(reader);
    auto no = reader->execute(std::string_view("DELETE FROM [Table]"));
    ASSERT_FALSE(no);
    EXPECT_EQ(no.error().kind, jet::ErrorKind::ReadOnly);

    ASSERT_TRUE(c->begin());
    run(*c, "INSERT INTO [Table] VALUES ('1', '1')");
    run(*c, "DELETE FROM [Table] WHERE a = 'z'");
    EXPECT_EQ(run(*c, "SELECT * FROM [Table]").rowCount(), 2u) << "the transaction sees its own writes";
    c->rollback();
    EXPECT_EQ(readBytes(path), original);
    EXPECT_EQ(run(*c, "SELECT * FROM [Table]").rowCount(), 2u);
    ASSERT_TRUE(c->begin());
    run(*c, "INSERT INTO [Table] VALUES ('1', '1')");
    run(*c, "INSERT INTO [Table] VALUES ('2', '2')");
    // A statement that fails inside the transaction is taken back alone (a savepoint).
    auto& storage = c->storage();
    auto table = *storage.openTable(u"Table");
    auto first = c->database().rowAt(u"Table", 0);
    ASSERT_TRUE(storage.begin());
    ASSERT_TRUE(table->update(jet::sql::toSql(*first), {{1, Value(std::u16string(u"undone"))}}));
    ASSERT_FALSE(table->insert({Value(textOf(60)), Value(jet::Null{})}));
    storage.rollback();
    EXPECT_TRUE(c->inTransaction());
    ASSERT_TRUE(c->commit());
    EXPECT_EQ(run(*c, "SELECT * FROM [Table]").rowCount(), 4u);
    EXPECT_EQ(run(*c, "SELECT * FROM [Table] WHERE b = 'undone'").rowCount(), 0u);
    c.reset();
    EXPECT_EQ(readTable(path, u"Table").size(), 4u);
}
