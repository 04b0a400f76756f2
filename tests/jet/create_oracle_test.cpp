// Created files in the hands of two other readers: mdbtools (mdb-ver, mdb-tables, mdb-schema,
// mdb-export) and mdb-reader (tests/jet/oracle_dump.mjs). Also `ledrimo-db create` and `new`:
// their files, their refusals and their exit codes.
#include "testutil.h"

#include "jet/create.h"
#include "jet/database.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace testutil;
using jet::ColumnType;
using jet::Value;

namespace {

bool haveMdbtools() {
    return haveProgram("mdb-ver") && haveProgram("mdb-tables") && haveProgram("mdb-schema") &&
           haveProgram("mdb-export");
}

class Scratch : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ledrimo-oracle-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

// A table of the types both oracles print without loss, and the Ledrimo-like admin table.
std::vector<jet::TableSpec> oracleTables() {
    jet::TableSpec mixed;
    mixed.name = u"Mixed_1";
    mixed.columns = {{u"是否", ColumnType::Boolean},
                     {u"Small", ColumnType::Byte},
                     {u"Int", ColumnType::Integer},
                     {u"Big", ColumnType::Long},
                     {u"Money", ColumnType::Currency},
                     {u"D", ColumnType::Double},
                     {u"When", ColumnType::DateTime},
                     {u"姓名", ColumnType::Text, 20},
                     {u"Num", ColumnType::Numeric, 0, true, false, 10, 2},
                     {u"Note", ColumnType::Memo},
                     {u"Packed", ColumnType::Text, 50, true, true},
                     {u"Req", ColumnType::Long, 0, false}};
    jet::Decimal dec;
    dec.precision = 10;
    dec.scale = 2;
    dec.negative = true;
    dec.magnitude = {12345, 0, 0};
    mixed.rows = {
        {true, uint8_t(200), int16_t(-300), int32_t(70000), jet::Currency{-123456}, 3.25,
         jet::DateTime{45000.75}, std::u16string(u"张三 Zhang"), dec, jet::Null{},
         std::u16string(u"plain ASCII text"), int32_t(5)},
        {jet::Null{}, jet::Null{}, jet::Null{}, jet::Null{}, jet::Null{}, jet::Null{}, jet::Null{},
         jet::Null{}, jet::Null{}, jet::Null{}, jet::Null{}, int32_t(6)},
    };
    jet::TableSpec admin{
        u"admin",
        {{u"id", ColumnType::Long}, {u"name", ColumnType::Text, 10}, {u"code", ColumnType::Text, 32}},
        {{int32_t(1), std::u16string(u"tamsu"), std::u16string(u"39ba602ed8f2ff107a288d701aed3185")}}};
    jet::TableSpec empty{
        u"data", {{u"工作备注", ColumnType::Text, 255}, {u"时间", ColumnType::DateTime}}, {}};
    return {mixed, admin, empty};
}

std::string writeCreated(const std::string& path, const std::vector<jet::TableSpec>& tables) {
    jet::CreateOptions o;
    o.objectDate = 45000.5;
    auto image = jet::createDatabase(o, tables);
    EXPECT_TRUE(image.ok());
    if (image.ok()) {
        EXPECT_TRUE(jet::writeNewFile(path, *image).ok());
    }
    return path;
}

std::vector<std::string> words(const std::string& s) {
    std::vector<std::string> out;
    std::string w;
    for (char c : s) {
        if (c == ' ' || c == '\n' || c == '\t') {
            if (!w.empty())
                out.push_back(w);
            w.clear();
        } else {
            w += c;
        }
    }
    if (!w.empty())
        out.push_back(w);
    return out;
}

// "[name]  Type" lines of mdb-schema's CREATE TABLE for `table`, as name -> type text.
std::vector<std::pair<std::string, std::string>> schemaColumns(const std::string& schema,
                                                               const std::string& table) {
    std::vector<std::pair<std::string, std::string>> out;
    const size_t at = schema.find("CREATE TABLE [" + table + "]");
    if (at == std::string::npos)
        return out;
    const size_t end = schema.find(");", at);
    size_t pos = schema.find('\n', at);
    while (pos < end) {
        const size_t next = schema.find('\n', pos + 1);
        std::string line = schema.substr(pos + 1, next - pos - 1);
        pos = next;
        const size_t open = line.find('['), close = line.find(']');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        std::string type = line.substr(close + 1);
        type.erase(0, type.find_first_not_of('\t'));
        while (!type.empty() && (type.back() == ',' || type.back() == ' '))
            type.pop_back();
        out.emplace_back(line.substr(open + 1, close - open - 1), type);
    }
    return out;
}

Json readerDump(const std::string& file) {
    const auto r = runProgram({"node", LEDRIMO_ORACLE_SCRIPT, file}, {"NODE_PATH=" + nodeModulesDir()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return parseJson(r.out);
}

std::vector<std::string> jsonStrings(const Json& array) {
    std::vector<std::string> out;
    for (const auto& v : array.array)
        out.push_back(jet::toUtf8(v.string));
    return out;
}

} // namespace

using CreateOracles = Scratch;

TEST_F(CreateOracles, MdbtoolsReadsTablesSchemaAndRows) {
    REQUIRE_ORACLE(haveMdbtools(), "mdbtools");
    const std::string file = writeCreated(path("x.mdb"), oracleTables());

    auto ver = runProgram({"mdb-ver", file});
    EXPECT_EQ(ver.exitCode, 0);
    EXPECT_EQ(ver.out, "JET4\n");
    EXPECT_EQ(ver.err, "");

    auto all = runProgram({"mdb-tables", "-S", file});
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_EQ(words(all.out), (std::vector<std::string>{"MSysObjects", "MSysACEs", "MSysQueries",
                                                        "MSysRelationships", "Mixed_1", "admin", "data"}));
    EXPECT_EQ(words(runProgram({"mdb-tables", file}).out),
              (std::vector<std::string>{"Mixed_1", "admin", "data"}));

    auto schema = runProgram({"mdb-schema", file});
    EXPECT_EQ(schema.exitCode, 0) << schema.err;
    const std::vector<std::pair<std::string, std::string>> mixed = {
        {"是否", "Boolean NOT NULL"}, {"Small", "Byte"},
        {"Int", "Integer"},           {"Big", "Long Integer"},
        {"Money", "Currency"},        {"D", "Double"},
        {"When", "DateTime"},         {"姓名", "Text (20)"},
        {"Num", "Numeric (10, 2)"},   {"Note", "Memo/Hyperlink (255)"},
        {"Packed", "Text (50)"},      {"Req", "Long Integer"}};
    EXPECT_EQ(schemaColumns(schema.out, "Mixed_1"), mixed);
    EXPECT_EQ(schemaColumns(schema.out, "admin"),
              (std::vector<std::pair<std::string, std::string>>{
                  {"id", "Long Integer"}, {"name", "Text (10)"}, {"code", "Text (32)"}}));
    EXPECT_EQ(schemaColumns(schema.out, "data"), (std::vector<std::pair<std::string, std::string>>{
                                                     {"工作备注", "Text (255)"}, {"时间", "DateTime"}}));

    auto rows = runProgram({"mdb-export", "-T", "%Y-%m-%d %H:%M:%S", file, "Mixed_1"});
    EXPECT_EQ(rows.exitCode, 0) << rows.err;
    const auto csv = parseCsv(rows.out);
    ASSERT_EQ(csv.size(), 3u);
    auto texts = [](const CsvRow& r) {
        std::vector<std::string> t;
        for (const auto& f : r)
            t.push_back(f.text);
        return t;
    };
    EXPECT_EQ(texts(csv[1]), (std::vector<std::string>{"1", "200", "-300", "70000", "-12.3456", "3.25",
                                                       "2023-03-15 18:00:00", "张三 Zhang", "-123.45", "",
                                                       "plain ASCII text", "5"}));
    EXPECT_EQ(texts(csv[2]), (std::vector<std::string>{"0", "", "", "", "", "", "", "", "", "", "", "6"}));
    auto admin = runProgram({"mdb-export", file, "admin"});
    EXPECT_EQ(admin.out, "id,name,code\n1,\"tamsu\",\"39ba602ed8f2ff107a288d701aed3185\"\n");
    auto data = runProgram({"mdb-export", file, "data"});
    EXPECT_EQ(data.exitCode, 0);
    EXPECT_EQ(data.out, "工作备注,时间\n");
}

TEST_F(CreateOracles, MdbReaderReadsTablesColumnsAndRows) {
    REQUIRE_ORACLE(haveProgram("node") && !nodeModulesDir().empty(), "node with mdb-reader");
    const std::string file = writeCreated(path("x.mdb"), oracleTables());
    const Json d = readerDump(file);
    EXPECT_EQ(jsonStrings(d.at("tables")), (std::vector<std::string>{"Mixed_1", "admin", "data"}));
    EXPECT_EQ(jsonStrings(d.at("systemTables")),
              (std::vector<std::string>{"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"}));

    const Json& mixed = d.at("data").at("Mixed_1");
    const std::vector<std::tuple<std::string, std::string, int, bool>> columns = {
        {"是否", "boolean", 0, true},  {"Small", "byte", 1, true},     {"Int", "integer", 2, true},
        {"Big", "long", 4, true},      {"Money", "currency", 8, true}, {"D", "double", 8, true},
        {"When", "datetime", 8, true}, {"姓名", "text", 40, true},     {"Num", "numeric", 17, true},
        {"Note", "memo", 0, true},     {"Packed", "text", 100, true},  {"Req", "long", 4, false}};
    const auto& got = mixed.at("columns").array;
    ASSERT_EQ(got.size(), columns.size());
    for (size_t i = 0; i < got.size(); ++i) {
        const auto& [name, type, size, nullable] = columns[i];
        EXPECT_EQ(jet::toUtf8(got[i].at("name").string), name);
        EXPECT_EQ(jet::toUtf8(got[i].at("type").string), type) << name;
        EXPECT_EQ(got[i].at("size").number, std::to_string(size)) << name;
        EXPECT_EQ(got[i].at("nullable").boolean, nullable) << name;
        EXPECT_FALSE(got[i].at("autoLong").boolean);
    }
    EXPECT_EQ(got[8].at("precision").number, "10");
    EXPECT_EQ(got[8].at("scale").number, "2");

    const auto& rows = mixed.at("rows").array;
    ASSERT_EQ(rows.size(), 2u);
    const auto& r0 = rows[0].array;
    EXPECT_TRUE(r0[0].boolean);
    EXPECT_EQ(r0[1].number, "200");
    EXPECT_EQ(r0[2].number, "-300");
    EXPECT_EQ(r0[3].number, "70000");
    EXPECT_EQ(jet::toUtf8(r0[4].string), "-12.3456");
    EXPECT_EQ(r0[5].number, "3.25");
    EXPECT_EQ(jet::toUtf8(r0[6].string), "2023-03-15 18:00:00.000");
    EXPECT_EQ(jet::toUtf8(r0[7].string), "张三 Zhang");
    EXPECT_EQ(jet::toUtf8(r0[8].string), "-123.45");
    EXPECT_EQ(r0[9].kind, Json::Null);
    EXPECT_EQ(jet::toUtf8(r0[10].string), "plain ASCII text");
    EXPECT_EQ(r0[11].number, "5");
    const auto& r1 = rows[1].array;
    EXPECT_FALSE(r1[0].boolean);
    for (size_t k = 1; k < 11; ++k)
        EXPECT_EQ(r1[k].kind, Json::Null) << k;

    const auto& admin = d.at("data").at("admin");
    EXPECT_EQ(admin.at("rowCount").number, "1");
    ASSERT_EQ(admin.at("rows").array.size(), 1u);
    EXPECT_EQ(jet::toUtf8(admin.at("rows").array[0].array[1].string), "tamsu");
    EXPECT_EQ(d.at("data").at("data").at("rows").array.size(), 0u);
    EXPECT_EQ(d.at("data").at("MSysObjects").at("rows").array.size(), 11u);
    EXPECT_EQ(d.at("data").at("MSysACEs").at("rows").array.size(), 16u + 6u);
}

// ---- ledrimo-db create and new ---------------------------------------------------------------

using CreateTool = Scratch;

TEST_F(CreateTool, CreateWritesLedrimosTablesWithAnEmptyAdmin) {
    const std::string file = path("db");
    auto r = runTool({"create", file});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    auto db = jet::Database::open(file);
    ASSERT_TRUE(db.ok());
    const auto tables = (*db)->catalog().tables(false);
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0]->name, u"data");
    EXPECT_EQ(tables[1]->name, u"admin");
    auto data = (*db)->openTable(u"data");
    ASSERT_TRUE(data.ok());
    const std::vector<std::pair<std::u16string, std::string>> want = {
        {u"姓名", "Text(20)"},      {u"公司名称", "Text(100)"}, {u"公司地址", "Text(250)"},
        {u"入厂时间", "DateTime"},  {u"上班日期", "DateTime"},  {u"上班时间", "Long"},
        {u"工作备注", "Text(255)"}, {u"时间", "DateTime"},      {u"ID", "Text(100)"}};
    const auto& cols = (*data)->def().columns;
    ASSERT_EQ(cols.size(), want.size());
    for (size_t i = 0; i < cols.size(); ++i) {
        EXPECT_EQ(cols[i].name, want[i].first);
        std::string type = jet::columnTypeName(cols[i].type);
        if (cols[i].type == ColumnType::Text)
            type += "(" + std::to_string(cols[i].size / 2) + ")";
        EXPECT_EQ(type, want[i].second) << jet::toUtf8(cols[i].name);
        EXPECT_FALSE(cols[i].isCompressedUnicode());
        EXPECT_TRUE(cols[i].isNullable());
    }
    EXPECT_TRUE((*(*db)->openTable(u"admin"))->rowIds()->empty());
    EXPECT_TRUE((*data)->rowIds()->empty());
}

TEST_F(CreateTool, NewWritesTheCarriedImageWithTheDefaultAccount) {
    const std::string file = path("db");
    auto r = runTool({"new", file});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(fs::file_size(file), 237568u);
    auto dump = runTool({"dump", file, "admin"});
    EXPECT_EQ(dump.out, "id,name,code\r\n1,\"tamsu\",\"39ba602ed8f2ff107a288d701aed3185\"\r\n");
    EXPECT_EQ(runTool({"dump", file, "data"}).out,
              "姓名,公司名称,公司地址,入厂时间,上班日期,上班时间,工作备注,时间,ID\r\n");
    // Chinese column names take two terminal columns a character, and the schema stays aligned.
    auto schema = runTool({"schema", file, "data"}).out;
    EXPECT_NE(schema.find("  0   姓名      Text(20)   40    variable"), std::string::npos) << schema;
    EXPECT_NE(schema.find("  1   公司名称  Text(100)  200   variable"), std::string::npos) << schema;
    EXPECT_NE(schema.find("  8   ID        Text(100)  200   variable"), std::string::npos) << schema;
    // Two runs write the same bytes.
    ASSERT_EQ(runTool({"new", path("db2")}).exitCode, 0);
    EXPECT_EQ(readBytes(file), readBytes(path("db2")));
}

TEST_F(CreateTool, RefusesToOverwriteAndReportsErrorsWithExitCode1) {
    const std::string file = path("db");
    std::ofstream(file) << "existing";
    for (const char* verb : {"create", "new"}) {
        auto r = runTool({verb, file});
        EXPECT_EQ(r.exitCode, 1) << verb;
        EXPECT_NE(r.err.find("文件已存在，不会覆盖"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(readText(file), "existing");

        auto missing = runTool({verb, path("no/such/dir/db")});
        EXPECT_EQ(missing.exitCode, 1);
        EXPECT_NE(missing.err.find("目录不存在"), std::string::npos) << missing.err;

        EXPECT_EQ(runTool({verb}).exitCode, 1);
        EXPECT_EQ(runTool({verb, path("a"), path("b")}).exitCode, 1);
        EXPECT_EQ(runTool({verb, "--format", "csv", path("c")}).exitCode, 1);
        auto help = runTool({verb, "--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_NE(help.out.find(std::string("用法：ledrimo-db ") + verb + " FILE"), std::string::npos);
    }
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir_))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"db"});
}

TEST_F(CreateTool, BothFilesReadInTheOracles) {
    REQUIRE_ORACLE(haveMdbtools(), "mdbtools");
    REQUIRE_ORACLE(haveProgram("node") && !nodeModulesDir().empty(), "node with mdb-reader");
    ASSERT_EQ(runTool({"create", path("created")}).exitCode, 0);
    ASSERT_EQ(runTool({"new", path("image")}).exitCode, 0);
    for (const char* name : {"created", "image"}) {
        SCOPED_TRACE(name);
        const std::string file = path(name);
        EXPECT_EQ(runProgram({"mdb-ver", file}).out, "JET4\n");
        EXPECT_EQ(words(runProgram({"mdb-tables", "-S", file}).out),
                  (std::vector<std::string>{"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships",
                                            "data", "admin"}));
        auto schema = runProgram({"mdb-schema", file});
        EXPECT_EQ(schemaColumns(schema.out, "data"),
                  (std::vector<std::pair<std::string, std::string>>{{"姓名", "Text (20)"},
                                                                    {"公司名称", "Text (100)"},
                                                                    {"公司地址", "Text (250)"},
                                                                    {"入厂时间", "DateTime"},
                                                                    {"上班日期", "DateTime"},
                                                                    {"上班时间", "Long Integer"},
                                                                    {"工作备注", "Text (255)"},
                                                                    {"时间", "DateTime"},
                                                                    {"ID", "Text (100)"}}));
        EXPECT_EQ(schemaColumns(schema.out, "admin"),
                  (std::vector<std::pair<std::string, std::string>>{
                      {"id", "Long Integer"}, {"name", "Text (10)"}, {"code", "Text (32)"}}));
        EXPECT_EQ(runProgram({"mdb-export", file, "data"}).out,
                  "姓名,公司名称,公司地址,入厂时间,上班日期,上班时间,工作备注,时间,ID\n");
        const bool image = std::string(name) == "image";
        EXPECT_EQ(runProgram({"mdb-export", file, "admin"}).out,
                  std::string("id,name,code\n") +
                      (image ? "1,\"tamsu\",\"39ba602ed8f2ff107a288d701aed3185\"\n" : ""));

        const Json d = readerDump(file);
        EXPECT_EQ(jsonStrings(d.at("tables")), (std::vector<std::string>{"data", "admin"}));
        const auto& admin = d.at("data").at("admin").at("rows").array;
        ASSERT_EQ(admin.size(), image ? 1u : 0u);
        if (image) {
            EXPECT_EQ(admin[0].array[0].number, "1");
            EXPECT_EQ(jet::toUtf8(admin[0].array[1].string), "tamsu");
            EXPECT_EQ(jet::toUtf8(admin[0].array[2].string), "39ba602ed8f2ff107a288d701aed3185");
        }
        const auto& cols = d.at("data").at("data").at("columns").array;
        ASSERT_EQ(cols.size(), 9u);
        EXPECT_EQ(cols[5].at("type").string, u"long");
        EXPECT_EQ(cols[8].at("size").number, "200");
    }
}
