// The writing verbs of ledrimo-db: insert, update, delete and sql, with dump's value forms, and
// the rule that a refused command changes nothing and exits with 1.
#include "writeutil.h"

#include "jet/sql_engine.h"

using namespace testutil;
using namespace writeutil;
using jet::Value;

TEST(ToolWrite, InsertUpdateAndDeleteByPosition) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "linq2db_TestData.mdb");
    auto r =
        runTool({"insert", path, "AllTypes",
                 R"({"bitDataType": true, "smallintDataType": -5, "decimalDataType": "123456789012345678",
                          "moneyDataType": "-12.3456", "floatDataType": 0.1, "realDataType": 3.5,
                          "datetimeDataType": "2010-07-20 16:07:26", "char20DataType": "中文",
                          "varcharDataType": "\ud840\udc00 \"q\"", "textDataType": "备注",
                          "binaryDataType": "0102", "oleObjectDataType": "cafe",
                          "uniqueidentifierDataType": "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"})"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    auto dump = runTool({"dump", path, "AllTypes", "--format", "json"});
    ASSERT_EQ(dump.exitCode, 0);
    const Json rows = parseJson(dump.out);
    ASSERT_EQ(rows.array.size(), 15u);
    const Json& last = rows.array.back();
    EXPECT_EQ(last.at("ID").number, "205");
    EXPECT_TRUE(last.at("bitDataType").boolean);
    EXPECT_EQ(last.at("decimalDataType").string, u"123456789012345678");
    EXPECT_EQ(last.at("moneyDataType").string, u"-12.3456");
    EXPECT_EQ(last.at("floatDataType").number, "0.1");
    EXPECT_EQ(last.at("datetimeDataType").string, u"2010-07-20 16:07:26");
    EXPECT_EQ(last.at("varcharDataType").string, u"𠀀 \"q\"");
    EXPECT_EQ(last.at("binaryDataType").string, u"01020000000000000000");
    EXPECT_EQ(last.at("oleObjectDataType").string, u"CAFE");
    EXPECT_EQ(last.at("uniqueidentifierDataType").string, u"{6F9619FF-8B86-D011-B42D-00C04FC964FF}");
    EXPECT_EQ(last.at("intDataType").kind, Json::Null) << "columns not given are NULL";

    // Update: only the given columns change.
    r = runTool({"update", path, "AllTypes", "14", R"({"intDataType": 42, "textDataType": null})"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    dump = runTool({"dump", path, "AllTypes", "--format", "json"});
    const Json after = parseJson(dump.out).array.back();
    EXPECT_EQ(after.at("intDataType").number, "42");
    EXPECT_EQ(after.at("textDataType").kind, Json::Null);
    EXPECT_EQ(after.at("varcharDataType").string, u"𠀀 \"q\"");

    // Delete: the row at that position goes, the others stay in order.
    const Json before = parseJson(runTool({"dump", path, "AllTypes", "--format", "json"}).out);
    r = runTool({"delete", path, "AllTypes", "0"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Json rest = parseJson(runTool({"dump", path, "AllTypes", "--format", "json"}).out);
    ASSERT_EQ(rest.array.size(), 14u);
    EXPECT_EQ(rest.array[0].at("ID").number, before.array[1].at("ID").number);
    EXPECT_TRUE(consistent(path, {u"AllTypes"}));
}

TEST(ToolWrite, RefusedCommandsChangeNothing) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "linq2db_TestData.mdb");
    const auto original = readBytes(path);
    struct Case {
        std::vector<std::string> args;
        std::string message; // part of stderr
    };
    const Case cases[] = {
        {{"insert", path, "AllTypes", "{\"smallintDataType\": 40000}"}, "数值溢出：列 'smallintDataType'"},
        {{"insert", path, "AllTypes", "{\"charDataType\": \"ab\"}"},
         "值太长：列 'charDataType' 最多 1 个字符"},
        {{"insert", path, "AllTypes", "{\"nope\": 1}"}, "找不到列 'nope'"},
        {{"insert", path, "AllTypes", "{\"intDataType\": 1, \"intDataType\": 2}"}, "重复出现"},
        {{"insert", path, "AllTypes", "{\"datetimeDataType\": \"2010-02-30\"}"}, "类型不匹配"},
        {{"insert", path, "AllTypes", "{\"binaryDataType\": \"xyz\"}"}, "十六进制"},
        {{"insert", path, "AllTypes", "[1, 2]"}, "JSON 应为一个对象"},
        {{"insert", path, "AllTypes", "{\"a\": }"}, "JSON 格式错误"},
        {{"insert", path, "Person", "{}"}, "有索引"},
        {{"insert", path, "NoTable", "{}"}, "没有名为“NoTable”的表"},
        {{"update", path, "AllTypes", "99", "{}"}, "没有第 99 行"},
        {{"update", path, "AllTypes", "1.5", "{}"}, "行号应为从 0 数起的整数"},
        {{"delete", path, "AllTypes", "x"}, "行号应为从 0 数起的整数"},
        {{"sql", path, "DELETE FROM AllTypes WHERE"}, "语法错误"},
        {{"sql", path, "UPDATE AllTypes SET charDataType = 'toolong'"}, "值太长"},
        {{"sql", path, "SELECT * FROM AllTypes", "--format", "xml"}, "未知的输出格式"},
        {{"insert", path, "AllTypes"}, "参数个数不对"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        const auto r = runTool(c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(readBytes(path), original);
    }
}

TEST(ToolWrite, SqlPrintsRowsAsDumpDoesAndCountsChanges) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    auto r = runTool({"sql", path, "INSERT INTO [Table] VALUES ('中文, \"引号\"', '')"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "1\n");
    r = runTool({"sql", path, "SELECT b, a FROM [Table] WHERE a <> 'z' ORDER BY a"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "b,a\r\n\"u\",\"v\"\r\n\"\",\"中文, \"\"引号\"\"\"\r\n");
    r = runTool({"sql", path, "SELECT * FROM [Table] WHERE a = 'v'", "--format", "json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "[\n{\"a\":\"v\",\"b\":\"u\"}\n]\n");
    r = runTool({"sql", path, "SELECT * FROM [Table] WHERE a = 'none'", "--format", "json"});
    EXPECT_EQ(r.out, "[]\n");
    r = runTool({"sql", path, "UPDATE [Table] SET b = a"});
    EXPECT_EQ(r.out, "3\n");
    r = runTool({"sql", path, "DELETE FROM [Table] WHERE a = b"});
    EXPECT_EQ(r.out, "3\n");
    EXPECT_TRUE(consistent(path, {u"Table"}));
}

TEST(ToolWrite, AnotherWriterMakesTheToolWait) {
    REQUIRE_SAMPLES();
    TempDir dir;
    const std::string path = copySample(dir, "jackcess_delTestV2000.mdb");
    auto c = jet::sql::Connection::open(path);
    ASSERT_TRUE(c);
    const auto r = runTool({"insert", path, "Table", "{\"a\": \"x\"}"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "ledrimo-db：数据库正被另一个程序修改（文件 " + path + "）\n");
    const auto read = runTool({"dump", path, "Table"});
    EXPECT_EQ(read.exitCode, 0) << "reading goes on";
}
