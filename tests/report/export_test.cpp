// Exported entries read back: the xlsx workbook by openpyxl (Debian's python3-openpyxl, an
// independent reader), the CSV and JSON as text.
#include "report/export.h"

#include "testutil.h"
#include "work_log.h"
#include "writeutil.h"

#include <clocale>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace report;

namespace {

bool contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        worklog::writeLog(path, {
                                    {"2026-10-09", 10, "GZ-00001", "深圳市某某电子科技有限公司",
                                     "调试接口，\"加急\", 已完成"},
                                    {"2026-11-02", 8, "GZ-00002"}, // outside October
                                    {"2026-10-10", std::nullopt, "GZ-00003", "乙公司", "", "张三",
                                     "1899-12-30", "2026-10-10 18:30:05"},
                                    {"", 3, "GZ-00004"}, // no working date: only in a whole export
                                });
        db = jet::Database::open(path).value();
    }
    jet::Result<uint64_t> run(const std::string& out, ExportFormat format, bool replace = false,
                              std::optional<DateRange> range = parseMonth("2026-10")) {
        return exportEntries(*db, out, {range, format, replace});
    }

    writeutil::TempDir dir;
    std::string path = dir.file("db");
    std::unique_ptr<jet::Database> db;
};

// The workbook as openpyxl sees it: sheet name, frozen cell, header font, column widths, and each
// cell's Python type, value and number format.
testutil::Json readWorkbook(const std::string& file) {
    static const char script[] = R"PY(
import datetime, json, sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
out = {"title": ws.title, "freeze": ws.freeze_panes, "bold": bool(ws["A1"].font.b),
       "widths": {k: v.width for k, v in ws.column_dimensions.items()}, "rows": []}
for row in ws.iter_rows():
    out["rows"].append([[type(c.value).__name__,
                         c.value.isoformat() if isinstance(c.value, datetime.datetime) else c.value,
                         c.number_format] for c in row])
print(json.dumps(out, ensure_ascii=False))
)PY";
    const auto r = testutil::runProgram({"/usr/bin/python3", "-c", script, file});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return testutil::parseJson(r.out);
}

std::string utf8(const testutil::Json& j) {
    return jet::toUtf8(j.string);
}

} // namespace

TEST_F(ExportTest, XlsxReadBackByOpenpyxl) {
    REQUIRE_ORACLE(testutil::runProgram({"/usr/bin/python3", "-c", "import openpyxl"}).exitCode == 0,
                   "python3-openpyxl");
    const std::string out = dir.file("工时.xlsx");
    auto n = run(out, formatForPath(out));
    ASSERT_TRUE(n) << n.error().describe();
    EXPECT_EQ(*n, 2u);
    const auto book = readWorkbook(out);
    EXPECT_EQ(utf8(book.at("title")), "工作记录");
    EXPECT_EQ(utf8(book.at("freeze")), "A2");
    EXPECT_TRUE(book.at("bold").boolean);
    const auto& rows = book.at("rows").array;
    ASSERT_EQ(rows.size(), 3u);
    auto cell = [&](size_t row, size_t col, size_t part) -> const testutil::Json& {
        return rows.at(row).array.at(col).array.at(part);
    };
    const char* const header[] = {"姓名",     "公司名称", "公司地址", "入厂时间", "上班日期",
                                  "上班时间", "工作备注", "时间",     "ID"};
    for (size_t c = 0; c < 9; ++c)
        EXPECT_EQ(utf8(cell(0, c, 1)), header[c]);
    // Dates are dates, hours are numbers, texts are texts.
    EXPECT_EQ(utf8(cell(1, 4, 0)), "datetime");
    EXPECT_EQ(utf8(cell(1, 4, 1)), "2026-10-09T00:00:00");
    EXPECT_EQ(utf8(cell(1, 4, 2)), "yyyy-mm-dd");
    EXPECT_EQ(utf8(cell(1, 3, 1)), "2019-03-01T00:00:00");
    EXPECT_EQ(utf8(cell(1, 5, 0)), "int");
    EXPECT_EQ(cell(1, 5, 1).number, "10");
    EXPECT_EQ(utf8(cell(1, 6, 1)), "调试接口，\"加急\", 已完成");
    EXPECT_EQ(utf8(cell(2, 7, 1)), "2026-10-10T18:30:05");
    EXPECT_EQ(utf8(cell(2, 7, 2)), "yyyy-mm-dd hh:mm:ss");
    EXPECT_EQ(utf8(cell(2, 5, 0)), "NoneType");   // NULL hours: an empty cell
    EXPECT_EQ(utf8(cell(2, 3, 1)), "1899-12-30"); // Excel has no such date: text
    EXPECT_EQ(utf8(cell(2, 8, 1)), "GZ-00003");
    // Widths fit the texts: the employer (13 Chinese characters) gets more than 26.
    const auto& widths = book.at("widths");
    EXPECT_GT(std::stod(widths.at("B").number), 26);
    EXPECT_LT(std::stod(widths.at("F").number), 12);
}

// Under a locale with a decimal comma (the GUI program takes LC_NUMERIC from the environment) the
// workbook still holds numbers as spreadsheets read them: the time of day survives.
TEST_F(ExportTest, XlsxNumbersIgnoreTheDecimalCommaOfTheLocale) {
#ifdef _WIN32
    GTEST_SKIP() << "glibc's locales";
#else
    REQUIRE_ORACLE(testutil::runProgram({"/usr/bin/python3", "-c", "import openpyxl"}).exitCode == 0,
                   "python3-openpyxl");
    const std::string locales = dir.file("locales");
    std::filesystem::create_directory(locales);
    REQUIRE_ORACLE(
        testutil::runProgram({"/usr/bin/localedef", "-i", "de_DE", "-f", "UTF-8", locales + "/de_DE.UTF-8"})
                .exitCode == 0,
        "localedef with de_DE (Debian's locales)");
    ::setenv("LOCPATH", locales.c_str(), 1);
    const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    ::unsetenv("LOCPATH"); // loaded; glibc's newlocale would keep a copy of the path otherwise
    ASSERT_TRUE(german);
    ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
    const std::string out = dir.file("工时.xlsx");
    auto n = run(out, ExportFormat::Xlsx);
    std::setlocale(LC_NUMERIC, "C");
    ASSERT_TRUE(n) << n.error().describe();
    const auto book = readWorkbook(out);
    const auto& rows = book.at("rows").array;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(utf8(rows.at(2).array.at(7).array.at(1)), "2026-10-10T18:30:05");
    EXPECT_EQ(rows.at(1).array.at(5).array.at(1).number, "10");
#endif
}

TEST_F(ExportTest, CsvAndJson) {
    const std::string csv = dir.file("out.csv");
    ASSERT_TRUE(run(csv, formatForPath(csv)));
    const std::string text = testutil::readText(csv);
    ASSERT_EQ(text.rfind("\xEF\xBB\xBF", 0), 0u);
    size_t lf = 0, crlf = 0;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') {
            ++lf;
            crlf += i > 0 && text[i - 1] == '\r';
        }
    EXPECT_EQ(lf, 3u);
    EXPECT_EQ(crlf, 3u);
    EXPECT_EQ(text.substr(3),
              "\"姓名\",\"公司名称\",\"公司地址\",\"入厂时间\",\"上班日期\",\"上班时间\",\"工作备注\","
              "\"时间\",\"ID\"\r\n"
              "\"张三\",\"深圳市某某电子科技有限公司\",\"广东省深圳市南山区科技园\",2019-03-01,"
              "2026-10-09,10,\"调试接口，\"\"加急\"\", 已完成\",,\"GZ-00001\"\r\n"
              "\"张三\",\"乙公司\",\"广东省深圳市南山区科技园\",1899-12-30,2026-10-10,,\"\","
              "2026-10-10 18:30:05,\"GZ-00003\"\r\n");

    // JSON, of every entry (also the one without a working date).
    const std::string json = dir.file("out.json");
    auto n = run(json, formatForPath(json), false, std::nullopt);
    ASSERT_TRUE(n);
    EXPECT_EQ(*n, 4u);
    const auto rows = testutil::parseJson(testutil::readText(json));
    ASSERT_EQ(rows.array.size(), 4u);
    EXPECT_EQ(rows.array[0].at("上班时间").number, "10");
    EXPECT_EQ(rows.array[0].at("工作备注").string, u"调试接口，\"加急\", 已完成");
    EXPECT_EQ(rows.array[2].at("上班时间").kind, testutil::Json::Null);
    EXPECT_EQ(rows.array[2].at("时间").string, u"2026-10-10 18:30:05");
    EXPECT_EQ(rows.array[3].at("上班日期").kind, testutil::Json::Null);
}

// An export written over an earlier one keeps that file's mode and owner, also the workbook,
// which the xlsx writer makes anew under its own name.
TEST_F(ExportTest, AReplacedExportKeepsItsOwnerAndMode) {
#ifdef _WIN32
    GTEST_SKIP() << "file modes and owners as POSIX has them";
#else
    const bool root = ::geteuid() == 0;
    for (const auto& [name, format] : {std::pair{"out.csv", ExportFormat::Csv}, std::pair{"out.xlsx", ExportFormat::Xlsx}}) {
        const std::string out = dir.file(name);
        ASSERT_TRUE(run(out, format));
        ASSERT_EQ(::chmod(out.c_str(), 0640), 0);
        if (root) // given to another user, as root exporting over a user's file
            ASSERT_EQ(::chown(out.c_str(), 65534, 65534), 0);
        struct stat before {};
        ASSERT_EQ(::stat(out.c_str(), &before), 0);
        ASSERT_TRUE(run(out, format, true)) << name;
        struct stat after {};
        ASSERT_EQ(::stat(out.c_str(), &after), 0);
        EXPECT_NE(after.st_ino, before.st_ino) << name;
        EXPECT_EQ(after.st_mode & 07777, 0640u) << name;
        EXPECT_EQ(after.st_uid, before.st_uid) << name;
        EXPECT_EQ(after.st_gid, before.st_gid) << name;
    }
#endif
}

TEST_F(ExportTest, NeverOverwritesUnasked) {
    const std::string out = dir.file("out.csv");
    std::ofstream(out) << "mine";
    auto refused = run(out, ExportFormat::Csv);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().kind, jet::ErrorKind::Io);
    EXPECT_EQ(testutil::readText(out), "mine");
    ASSERT_TRUE(run(out, ExportFormat::Csv, true));
    EXPECT_TRUE(contains(testutil::readText(out), "GZ-00003"));

    // Never the database itself, not even when asked.
    auto self = run(path, ExportFormat::Csv, true);
    ASSERT_FALSE(self);
    EXPECT_EQ(self.error().message, "导出文件不能是数据库文件本身");
    EXPECT_TRUE(jet::Database::open(path));

    // A folder that does not exist: an error, nothing written.
    EXPECT_FALSE(run(dir.file("no/such/out.xlsx"), ExportFormat::Xlsx));
    EXPECT_EQ(formatForPath("a.CSV"), ExportFormat::Csv);
    EXPECT_EQ(formatForPath("x.json/a"), ExportFormat::Xlsx);
}
