// ledrimo-db report and export as a user runs them: the three output forms and every refusal.
#include "testutil.h"
#include "work_log.h"
#include "writeutil.h"

#include <algorithm>
#include <fstream>

using testutil::runTool;

namespace {

bool contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

// Terminal columns of UTF-8 text: CJK and full-width forms take two.
size_t columns(const std::string& s) {
    size_t w = 0;
    for (size_t i = 0; i < s.size();) {
        const auto b = uint8_t(s[i]);
        const size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        w += n == 3 && b >= 0xE2 && !(b == 0xE2 && uint8_t(s[i + 1]) < 0xBA) ? 2 : 1;
        i += n;
    }
    return w;
}

std::vector<std::string> lines(const std::string& text, const std::string& end = "\n") {
    std::vector<std::string> out;
    for (size_t at = 0; at < text.size();) {
        const size_t e = text.find(end, at);
        out.push_back(text.substr(at, e - at));
        at = e == std::string::npos ? text.size() : e + end.size();
    }
    return out;
}

class ReportToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        worklog::writeLog(db, {
                                  {"2026-10-01", 8, "GZ-00001", "甲公司"},
                                  {"2026-10-09", 6, "GZ-00002", "甲公司"},
                                  {"2026-10-09", 4, "GZ-00003", "乙公司"},
                                  {"2026-10-10", 9, "GZ-00004", "乙公司"},
                                  {"2026-10-11", 5, "GZ-00005", "甲公司"},
                                  {"2026-10-12", std::nullopt, "GZ-00006", "甲公司"},
                                  {"2026-10-13", -3, "GZ-00007", "甲公司"},
                              });
    }
    testutil::RunResult report(std::vector<std::string> extra) {
        std::vector<std::string> args = {"report", db, "--today", "2026-10-16"};
        args.insert(args.end(), extra.begin(), extra.end());
        return runTool(args);
    }

    writeutil::TempDir dir;
    std::string db = dir.file("db");
};

} // namespace

TEST_F(ReportToolTest, TextAlignedByDisplayWidth) {
    const auto r = report({"--month", "2026-10"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto all = lines(r.out);
    EXPECT_EQ(all[0], "工时报表：2026-10-01 至 2026-10-31，每日标准 8 小时");
    EXPECT_EQ(all[1], "姓名：张三　公司：甲公司、乙公司"); // every employer of the range
    // The main table: header, 31 days, 合计; numbers end in the same column on every line.
    ASSERT_GE(all.size(), 37u);
    EXPECT_EQ(all[3].rfind("日期        星期    类型    说明", 0), 0u) << all[3];
    for (size_t i = 3; i <= 35; ++i)
        EXPECT_EQ(columns(all[i]), columns(all[3])) << all[i];
    EXPECT_EQ(all[4].rfind("2026-10-01  星期四  节假日  国庆节", 0), 0u);
    EXPECT_EQ(all[13].rfind("2026-10-10  星期六  工作日  国庆节补班", 0), 0u);
    EXPECT_EQ(all[35].rfind("合计", 0), 0u);
    EXPECT_TRUE(contains(r.out, "\n缺记录的工作日（截至 2026-10-16）\n日期        星期\n2026-10-08  星期四\n"
                                "2026-10-14  星期三\n2026-10-15  星期四\n2026-10-16  星期五\n"));
    EXPECT_TRUE(contains(r.out, "\n按公司\n公司    工时  天数  记录数\n甲公司    19     3       5\n"
                                "乙公司    13     2       2\n"));
    EXPECT_TRUE(contains(r.out, "\n可疑未计入的工时    -3\n可疑的天数           1\n"));
    EXPECT_TRUE(contains(r.out, "\n可疑记录（一天的工时合计超过 24 小时或为负数时，整天记为可疑，不计入合计）\n"));
    EXPECT_TRUE(contains(r.out, "GZ-00007  2026-10-13    -3  当天合计为负数，未计入\n"));

    // Weeks; a year the calendar does not cover is named.
    const auto weeks = report({"--from", "2026-12-28", "--to", "2027年1月10日", "--by", "week"});
    ASSERT_EQ(weeks.exitCode, 0) << weeks.err;
    EXPECT_EQ(lines(weeks.out)[0], "注意：2027 年的节假日安排未收录，按周一至周五计算");
    EXPECT_TRUE(contains(weeks.out, "\n2026-12-28  2027-01-03"));
}

TEST_F(ReportToolTest, CsvAndJson) {
    auto r = report({"--month", "2026-10", "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(r.out.rfind("\xEF\xBB\xBF", 0), 0u);
    // A title before the tables: the range and standard, the person and every employer.
    EXPECT_EQ(r.out.rfind("\xEF\xBB\xBF\"工时报表：2026-10-01 至 2026-10-31，每日标准 8 小时\"\r\n"
                          "\"姓名：张三　公司：甲公司、乙公司\"\r\n\r\n\"日期\",",
                          0),
              0u);
    EXPECT_EQ(r.out.find('\n'), r.out.find("\r\n") + 1);
    for (const auto& l : lines(r.out.substr(3), "\r\n"))
        EXPECT_EQ(l.find('\n'), std::string::npos);
    EXPECT_TRUE(contains(
        r.out, "\"日期\",\"星期\",\"类型\",\"说明\",\"工时\",\"记录数\",\"工作日加班\",\"休息日加班\","
               "\"节假日加班\"\r\n\"2026-10-01\",\"星期四\",\"节假日\",\"国庆节\",8,1,0,0,8\r\n"));
    EXPECT_TRUE(contains(r.out, "\r\n\"2026-10-09\",\"星期五\",\"工作日\",\"\",10,2,2,0,0\r\n"));
    EXPECT_TRUE(contains(r.out, "\r\n\"合计\",\"\",\"\",\"\",32,7,3,5,8\r\n"));
    EXPECT_TRUE(contains(r.out, "\r\n\"GZ-00006\",\"2026-10-12\",,\"工时为空，按 0 计\"\r\n"));

    r = report({"--month", "2026-10", "--format", "json", "--standard-hours", "7.5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto j = testutil::parseJson(r.out);
    EXPECT_EQ(jet::toUtf8(j.at("from").string), "2026-10-01");
    EXPECT_EQ(jet::toUtf8(j.at("to").string), "2026-10-31");
    EXPECT_EQ(j.at("standardHours").number, "7.5");
    const auto& days = j.at("days").array;
    ASSERT_EQ(days.size(), 31u);
    const auto& first = days[0];
    EXPECT_EQ(first.at("date").string, u"2026-10-01");
    EXPECT_EQ(first.at("weekday").string, u"星期四");
    EXPECT_EQ(first.at("kind").string, u"节假日");
    EXPECT_EQ(first.at("holiday").string, u"国庆节");
    EXPECT_EQ(first.at("hours").number, "8");
    EXPECT_EQ(first.at("entries").number, "1");
    EXPECT_EQ(first.at("overtime").at("holiday").number, "8");
    EXPECT_EQ(days[8].at("holiday").kind, testutil::Json::Null);
    EXPECT_EQ(days[8].at("overtime").at("workday").number, "2.5");
    EXPECT_EQ(days[9].at("kind").string, u"工作日"); // the 班 Saturday
    const auto& totals = j.at("totals");
    EXPECT_EQ(totals.at("hours").number, "32");
    EXPECT_EQ(totals.at("daysWorked").number, "4");
    EXPECT_EQ(totals.at("workdays").number, "8");
    EXPECT_EQ(totals.at("overtime").at("workday").number, "4"); // 2.5 + 1.5
    EXPECT_EQ(totals.at("overtime").at("restday").number, "5");
    EXPECT_EQ(totals.at("overtime").at("holiday").number, "8");
    EXPECT_EQ(j.at("missingWorkdays").array.size(), 4u);
    EXPECT_EQ(j.at("missingWorkdays").array[0].string, u"2026-10-08");
    EXPECT_EQ(j.at("byCompany").array[1].at("company").string, u"乙公司");
    EXPECT_EQ(j.at("byCompany").array[1].at("days").number, "2");
    const auto& suspicious = j.at("suspicious").array;
    ASSERT_EQ(suspicious.size(), 2u);
    EXPECT_EQ(suspicious[0].at("id").string, u"GZ-00006");
    EXPECT_EQ(suspicious[0].at("date").string, u"2026-10-12");
    EXPECT_EQ(suspicious[0].at("hours").kind, testutil::Json::Null);
    EXPECT_EQ(suspicious[1].at("hours").number, "-3");
    EXPECT_EQ(suspicious[1].at("reason").string, u"当天合计为负数，未计入");
    EXPECT_EQ(totals.at("leftOutHours").number, "-3");
    EXPECT_EQ(totals.at("leftOutDays").number, "1");
    EXPECT_EQ(days[12].at("leftOut").number, "-3");
    EXPECT_TRUE(std::none_of(days[11].object.begin(), days[11].object.end(),
                             [](const auto& kv) { return kv.first == "leftOut"; }));
    EXPECT_TRUE(j.at("uncoveredYears").array.empty());

    r = report({"--month", "2027-02", "--format", "json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(testutil::parseJson(r.out).at("uncoveredYears").array.at(0).number, "2027");
}

TEST_F(ReportToolTest, HolidayFileBesideTheDatabase) {
    std::ofstream(dir.file("holidays.tsv")) << "# 自己补的\n2027-02-11\t春节\t休\n";
    auto r = report({"--month", "2027-02", "--format", "json"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto j = testutil::parseJson(r.out);
    EXPECT_TRUE(j.at("uncoveredYears").array.empty());
    EXPECT_EQ(j.at("days").array[10].at("kind").string, u"节假日");

    std::ofstream(dir.file("holidays.tsv")) << "# 自己补的\n2027-02-11 春节 休\n";
    r = report({"--month", "2027-02"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.empty());
    EXPECT_TRUE(contains(r.err, "holidays.tsv 第 2 行：应为以制表符分隔的三列")) << r.err;
}

TEST_F(ReportToolTest, BadInput) {
    std::ofstream(dir.file("notes.txt")) << "这不是数据库";
    auto other = jet::createDatabase({}, {{u"other", {{u"x", jet::ColumnType::Long}}, {}}});
    ASSERT_TRUE(other);
    ASSERT_TRUE(jet::writeNewFile(dir.file("other.mdb"), *other));
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"report", db, "--month", "2026-13"}, "月份无效：2026-13"},
        {{"report", db, "--from", "2026-10-31", "--to", "2026-10-01"},
         "--from 2026-10-31 晚于 --to 2026-10-01"},
        {{"report", db, "--from", "2026-10-01"}, "--from 和 --to 需要一起给出"},
        {{"report", db, "--from", "2026-02-30", "--to", "2026-03-01"}, "--from 的日期无效：2026-02-30"},
        {{"report", db, "--month", "2026-10", "--all"}, "只能选用一种"},
        {{"report", db, "--standard-hours", "25"}, "--standard-hours 的值无效：25"},
        {{"report", db, "--standard-hours", "8h"}, "--standard-hours 的值无效：8h"},
        {{"report", db, "--by", "year"}, "--by 的值无效：year"},
        {{"report", db, "--format", "xml"}, "未知的输出格式：xml"},
        {{"report", db, "--from", "1900-01-01", "--to", "2299-12-31"}, "日期范围太长"},
        {{"report", dir.file("notes.txt")}, "不是 Access 数据库文件"},
        {{"report", dir.file("missing")}, "文件不存在"},
        {{"report", dir.file("other.mdb")}, "数据库中没有表 data，不是 Ledrimo 的工作记录数据库"},
        {{"export", dir.file("other.mdb"), dir.file("x.csv")}, "数据库中没有表 data"},
        {{"export", db, db, "--force"}, "导出文件不能是数据库文件本身"},
        {{"export", db, dir.file("x.csv"), "--format", "pdf"}, "未知的输出格式：pdf"},
    };
    for (const auto& [args, message] : cases) {
        const auto r = runTool(args);
        EXPECT_EQ(r.exitCode, 1) << args[2];
        EXPECT_TRUE(r.out.empty()) << r.out;
        EXPECT_TRUE(contains(r.err, message)) << message << " / " << r.err;
    }
    EXPECT_FALSE(std::ifstream(dir.file("x.csv")).good());
}

TEST_F(ReportToolTest, ExportNeverOverwritesUnasked) {
    const std::string out = dir.file("工时_2026年10月.xlsx");
    auto r = runTool({"export", db, out, "--month", "2026-10"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "已导出 7 条记录（2026-10-01 至 2026-10-31）到 " + out + "\n");
    EXPECT_EQ(testutil::readText(out).substr(0, 2), "PK"); // a zip: xlsx chosen by the name

    std::ofstream(dir.file("mine.csv")) << "mine";
    r = runTool({"export", db, dir.file("mine.csv"), "--all"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "文件已存在：" + dir.file("mine.csv") + "（要覆盖请加 --force）"));
    EXPECT_EQ(testutil::readText(dir.file("mine.csv")), "mine");
    r = runTool({"export", db, dir.file("mine.csv"), "--all", "--force"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "已导出 7 条记录（全部）到 " + dir.file("mine.csv") + "\n");
    EXPECT_EQ(testutil::readText(dir.file("mine.csv")).rfind("\xEF\xBB\xBF\"姓名\"", 0), 0u);
}

// Export failures read in Chinese with the system's real reason, and nothing of the xlsx library
// reaches standard error: a workbook that outgrows the file size the system allows (as a full disk
// stops it part-way), and a folder that is there but takes no new files.
TEST_F(ReportToolTest, ExportErrorsInChinese) {
    if (!testutil::linuxToolsRun())
        GTEST_SKIP() << "a shell's ulimit and /proc are Linux's";
    const std::string out = dir.file("大.xlsx");
    // SIGXFSZ ignored, so that the write fails with EFBIG instead of ending the program.
    auto r = testutil::runProgram({"sh", "-c", "trap '' XFSZ; ulimit -f 4; exec \"$0\" \"$@\"", LEDRIMO_DB_TOOL,
                                   "export", db, out, "--all"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(lines(r.err).size(), 1u) << r.err; // one line
    EXPECT_TRUE(contains(r.err, "写入失败：文件超出了系统允许的大小")) << r.err;
    for (const char* library : {"[ERROR]", "[WARNING]", "ZIP", "Zip", "libxlsxwriter"})
        EXPECT_FALSE(contains(r.err, library)) << r.err;
    EXPECT_FALSE(std::ifstream(out).good());

    r = runTool({"export", db, "/proc/x.csv", "--all"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(contains(r.err, "无法创建文件：这个目录中不能创建文件")) << r.err;
    r = runTool({"export", db, dir.file("没有这个目录/x.csv"), "--all"});
    EXPECT_TRUE(contains(r.err, "无法创建文件：目录不存在")) << r.err;
}
