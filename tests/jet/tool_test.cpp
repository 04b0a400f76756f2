// ledrimo-db as a user meets it: verbs, options, output formats, errors and exit codes.
#include "testutil.h"

using namespace testutil;

namespace {
bool contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}
} // namespace

TEST(Tool, HelpAndUsage) {
    auto r = runTool({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(contains(r.out, "ledrimo-db dump FILE TABLE"));
    for (const char* verb : {"tables", "schema", "dump"}) {
        r = runTool({verb, "--help"});
        EXPECT_EQ(r.exitCode, 0) << verb;
        EXPECT_TRUE(contains(r.out, std::string("用法：ledrimo-db ") + verb)) << r.out;
    }
    r = runTool({});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "用法"));
    r = runTool({"frobnicate", "x"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "未知命令：frobnicate"));
    r = runTool({"dump", "only-a-file"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "参数个数不对"));
    r = runTool({"tables", "f.mdb", "--format", "csv"}); // not an option of this verb
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "未知选项：--format"));
    r = runTool({"dump", "f.mdb", "t", "--password"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "需要一个值"));
}

TEST(Tool, ErrorsGoToStderrWithExitCodeOne) {
    REQUIRE_SAMPLES();
    auto r = runTool({"tables", samplesDir() + "/missing.mdb"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.err, "ledrimo-db：无法打开数据库文件：文件不存在（文件 " + samplesDir() + "/missing.mdb）\n");

    r = runTool({"tables", samplePath("negative/jet3_V1997_test.mdb")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "不支持的文件格式版本：Jet 3（Access 97）"));

    r = runTool({"dump", samplePath("negative/corrupt_catalog_zeroed_delTestV2000.mdb"), "Table"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "第 2 页"));

    r = runTool({"dump", samplePath("jackcess_delTestV2000.mdb"), "NoSuchTable"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "没有名为“NoSuchTable”的表"));

    r = runTool({"dump", samplePath("jackcess_delTestV2000.mdb"), "Table", "--format", "xml"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "未知的输出格式：xml"));

    // Output that cannot be written (a full disk) is not a success (Linux's /dev/full).
    if (linuxToolsRun()) {
        r = runProgram({"sh", "-c", std::string(LEDRIMO_DB_TOOL) + " dump \"$0\" Table1 >/dev/full",
                        samplePath("jackcess_testIndexCodes.mdb")});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "ledrimo-db：写出结果失败：磁盘空间不足\n");
    }
}

TEST(Tool, PasswordOption) {
    REQUIRE_SAMPLES();
    const std::string f = samplePath("mdbreader_V2000_with-password.mdb");
    auto r = runTool({"dump", f, "Table1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "数据库受密码保护"));
    r = runTool({"dump", f, "Table1", "--password", "nope"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "数据库密码错误"));
    r = runTool({"dump", f, "Table1", "--password=password"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "ID,Data\r\n1,\"One\"\r\n2,\"Two\"\r\n3,\"Three\"\r\n");
}

TEST(Tool, TablesAndSchema) {
    REQUIRE_SAMPLES();
    auto r = runTool({"tables", samplePath("jackcess_emptyJet4.mdb")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    r = runTool({"tables", samplePath("jackcess_emptyJet4.mdb"), "--system"});
    EXPECT_EQ(r.out, "MSysObjects\nMSysACEs\nMSysQueries\nMSysRelationships\n");

    r = runTool({"schema", samplePath("zblog_data_cp1252_cjk.mdb"), "blog_category"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(
        contains(r.out, "TABLE blog_Category  (tdef page 23, row counter 9, 9 columns, 2 indexes)\n"));
    EXPECT_TRUE(contains(r.out, "  0   cate_ID        Long       4     fixed, nullable, autonumber\n"));
    EXPECT_TRUE(
        contains(r.out, "  1   cate_Name      Text(50)   100   variable, nullable, compressed, sort 1033\n"));
    EXPECT_TRUE(contains(r.out, "  9   cate_Template")); // number 8 was deleted

    r = runTool({"schema", samplePath("access2000_empty.mdb"), "MSysAccessObjects"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(contains(r.out, "Unknown(0x11)"));

    r = runTool({"schema", samplePath("linq2db_TestData.mdb")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(contains(r.out, "decimalDataType           Numeric(18,0)  17"));
    EXPECT_TRUE(contains(r.out, "binaryDataType            Binary(10)     10    fixed"));
    EXPECT_TRUE(contains(r.out, "TABLE TestMerge2"));
}

TEST(Tool, CsvFormat) {
    REQUIRE_SAMPLES();
    auto r = runTool({"dump", samplePath("jackcess_fixedTextTestV2000.mdb"), "users"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "i_user_id,c_user_login,c_user_pwd,c_user_session,c_user_name,i_user_flags,i_user_type,"
              "i_user_merch,c_flag_,d_stamp_\r\n"
              "1,\"CORE USER\",\" \",\"-1\",\"Core User\",1,16408,-1,\"N\",2009-11-05 23:41:28\r\n"
              "2,\"admin\",\"X03MO1qnZdYdgyfeuILPmQ==\",\"-1\",\"Admin User\",1,81928,120,\"N\",2009-10-22 "
              "03:57:13\r\n");

    // Empty text is "", NULL is nothing; booleans; quotes doubled inside quoted text.
    r = runTool({"dump", samplePath("zblog_data_cp936_overflow.mdb"), "blog_Function"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(
        contains(r.out, "\r\n2,\"日历\",\"calendar\",2,\"\",true,1,\"divCalendar\",\"div\",\"\",0\r\n"))
        << r.out;
    EXPECT_TRUE(contains(r.out, "<a href=\"\"<#ZC_BLOG_HOST#>\"\">"));

    // Binary as hex; an empty binary value is "" (not NULL); extremes of double round-trip.
    r = runTool({"dump", samplePath("linq2db_TestData.mdb"), "TestMerge1"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(contains(r.out, ",-1.7976931348623157e+308,\"2000-11-12 21:14:15\"") ||
                contains(r.out, ",-1.7976931348623157e+308,2000-11-12 21:14:15,\"\","));
    EXPECT_TRUE(contains(r.out, ",000102030004,{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF},"));
}

TEST(Tool, JsonFormat) {
    REQUIRE_SAMPLES();
    auto r = runTool({"dump", samplePath("linq2db_TestData.mdb"), "DataTypeTest", "--format", "json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Json j = parseJson(r.out); // the whole output is one JSON document
    ASSERT_EQ(j.array.size(), 2u);
    const Json& row = j.array[1];
    EXPECT_EQ(row.at("Binary_").string, u"01000000");
    EXPECT_EQ(row.at("Boolean_").number, "-1"); // a Long column despite its name
    EXPECT_EQ(row.at("DateTime_").string, u"2012-12-09 19:31:50");
    EXPECT_EQ(row.at("Decimal_").string, u"12345.6700"); // currency: 4 decimals, as a string
    EXPECT_EQ(row.at("Double_").number, "1234.567");
    EXPECT_EQ(row.at("Guid_").string, u"{00000001-0000-0000-0000-000000000000}");
    EXPECT_EQ(row.at("Single_").number, "1234.123");
    EXPECT_EQ(row.at("Money_").string, u"12.3456");
    EXPECT_EQ(j.array[0].at("String_").kind, Json::Null);

    r = runTool({"dump", samplePath("linq2db_TestData.mdb"), "TestMerge2", "--format", "json"});
    ASSERT_EQ(r.exitCode, 0);
    const Json m = parseJson(r.out);
    EXPECT_EQ(m.array[1].at("FieldEnumString").string, std::u16string(1, u'\0')); // written as \u0000
    EXPECT_TRUE(contains(r.out, "\"FieldEnumString\":\"\\u0000\""));
    EXPECT_TRUE(contains(r.out, "\"FieldDecimal\":\"-99999999.9999999999\""));

    // Empty text stays "" and NULL is null.
    r = runTool({"dump", samplePath("zblog_data_cp936_overflow.mdb"), "blog_Function", "--format", "json"});
    const Json f = parseJson(r.out);
    EXPECT_EQ(f.array[1].at("fn_Content").kind, Json::String);
    EXPECT_EQ(f.array[1].at("fn_Content").string, u"");
    EXPECT_EQ(f.array[1].at("fn_IsSystem").kind, Json::Bool);
    EXPECT_TRUE(f.array[1].at("fn_IsSystem").boolean);

    r = runTool({"dump", samplePath("linq2db_TestData.mdb"), "TestIdentity", "--format", "json"});
    EXPECT_EQ(r.out, "[]\n");
}

TEST(Tool, NegativeDatesFollowTheAccessRule) {
    REQUIRE_SAMPLES();
    // Table6 holds day numbers below zero with a time part; -1.1 is 1899-12-29 02:24 to Access
    // (day -1, then 0.1 of a day), where a linear reading gives 1899-12-28 21:36.
    auto r = runTool({"dump", samplePath("jackcess_testIndexCodes.mdb"), "Table6"});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(contains(r.out, ",1899-12-29 02:24:00\r\n"));
    EXPECT_TRUE(contains(r.out, ",1899-09-27 10:19:15\r\n")); // -94.430034345: 37154.97 s of the day
    EXPECT_TRUE(contains(r.out, ",1899-12-30 00:00:30\r\n")); // -0.00035134
    EXPECT_TRUE(contains(r.out, ",1668-07-20 00:00:00\r\n"));
}
