// Writing speed on a table like the program's `data` (9 columns: 姓名 Text 20, 公司名称 Text 100,
// 公司地址 Text 250, 入厂时间 DateTime, 上班日期 DateTime, 上班时间 Long, 工作备注 Text 255,
// 时间 DateTime, ID Text 100; no index, no compression). The table is made by hand in a copy of
// a sample (its one table's definition rewritten, its catalog row renamed), then filled through
// the engine to ROWS entries in transactions of 1,000, and measured:
//   - durable inserts into the full table, one transaction each (journal, syncs), as the program
//     inserts entries one at a time: through the engine, and as SQL through a Connection;
//   - a durable UPDATE and DELETE by identifier (a scan of the whole table each);
//   - listing the RowIds and reading every row into values; the consistency check;
//   - bytes per row and peak memory.
// A benchmark, not a test: it prints figures and checks only that the steps succeed.
//   write_bench SAMPLES_DIR OUT.mdb [ROWS]
#include "jet/check.h"
#include "jet/codec.h"
#include "jet/database.h"
#include "jet/pagewrite.h"
#include "jet/row.h"
#include "jet/sql_engine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

using Clock = std::chrono::steady_clock;
double ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

[[noreturn]] void die(const std::string& what, const jet::Error& e) {
    std::fprintf(stderr, "%s: %s\n", what.c_str(), e.describe().c_str());
    std::exit(1);
}

#define CHECK_OK(expr, what)                                                                                 \
    do {                                                                                                     \
        auto r_ = (expr);                                                                                    \
        if (!r_.ok())                                                                                        \
            die(what, r_.error());                                                                           \
    } while (0)

struct Column {
    const char16_t* name;
    jet::ColumnType type;
    uint16_t size;
};

const Column kColumns[] = {
    {u"姓名", jet::ColumnType::Text, 40},        {u"公司名称", jet::ColumnType::Text, 200},
    {u"公司地址", jet::ColumnType::Text, 500},   {u"入厂时间", jet::ColumnType::DateTime, 8},
    {u"上班日期", jet::ColumnType::DateTime, 8}, {u"上班时间", jet::ColumnType::Long, 4},
    {u"工作备注", jet::ColumnType::Text, 510},   {u"时间", jet::ColumnType::DateTime, 8},
    {u"ID", jet::ColumnType::Text, 200},
};

// The definition of `data` over the one-page definition of the sample's table `Table` (page 23),
// keeping its usage maps (page 24, slots 0 and 1), which are emptied.
void makeDataTable(const std::string& samples, const std::string& out) {
    {
        std::ifstream in(samples + "/jackcess_delTestV2000.mdb", std::ios::binary);
        std::ofstream o(out, std::ios::binary | std::ios::trunc);
        o << in.rdbuf();
        if (!in || !o) {
            std::fprintf(stderr, "cannot copy the sample to %s\n", out.c_str());
            std::exit(1);
        }
    }
    jet::OpenOptions opt;
    opt.write = true;
    auto db = jet::Database::open(out, opt);
    if (!db)
        die("open", db.error());
    jet::PageFile& file = (*db)->pageFile();
    CHECK_OK(file.begin(), "begin");
    auto tdef = file.mutablePage(23);
    if (!tdef)
        die("tdef", tdef.error());
    uint8_t* p = (*tdef)->bytes.data();
    uint8_t keep[0x28 - 0x0C];
    std::copy(p + 0x0C, p + 0x28, keep);
    std::fill(p + 2, p + jet::kPageSize, 0);
    std::copy(keep, keep + sizeof keep, p + 0x0C);
    jet::put32(p + 0x10, 0); // rows
    jet::put32(p + 0x14, 0); // autonumber
    p[0x28] = 0x4E;          // a user table
    jet::put16(p + 0x29, 9);
    jet::put16(p + 0x2B, 5);
    jet::put16(p + 0x2D, 9);
    jet::writeRowPointer(p + 0x37, jet::RowId{24, 0});
    jet::writeRowPointer(p + 0x3B, jet::RowId{24, 1});
    size_t at = 0x3F;
    uint16_t var = 0, fixed = 0;
    for (uint16_t n = 0; n < 9; ++n) {
        const Column& c = kColumns[n];
        uint8_t* d = p + at;
        const bool text = c.type == jet::ColumnType::Text;
        d[0] = uint8_t(c.type);
        jet::put32(d + 1, 0x0659);
        jet::put16(d + 5, n);
        jet::put16(d + 7, text ? var : 0);
        jet::put16(d + 9, n);
        if (text)
            jet::put16(d + 11, 2052); // Chinese (PRC) sort order
        d[15] = uint8_t(jet::kColumnNullable | (text ? 0 : jet::kColumnFixed));
        jet::put16(d + 21, text ? 0 : fixed);
        jet::put16(d + 23, c.size);
        if (text)
            ++var;
        else
            fixed = uint16_t(fixed + c.size);
        at += 25;
    }
    for (const Column& c : kColumns) {
        const std::u16string name = c.name;
        jet::put16(p + at, uint16_t(name.size() * 2));
        at += 2;
        for (char16_t ch : name) {
            jet::put16(p + at, ch);
            at += 2;
        }
    }
    jet::put16(p + at, 0xFFFF); // no long-value columns
    at += 2;
    jet::put32(p + 0x08, uint32_t(at));
    jet::put16(p + 2, uint16_t(jet::kPageSize - 8 - at));
    // Empty maps: the sample's rows (page 31) are left behind, unowned.
    auto maps = file.mutablePage(24);
    if (!maps)
        die("maps", maps.error());
    for (uint16_t slot : {uint16_t(0), uint16_t(1)}) {
        auto rec = jet::rowSpan(**maps, slot);
        if (!rec)
            die("map record", rec.error());
        std::fill(rec->begin() + 5, rec->end(), 0);
    }
    // The catalog row: Name "Table" becomes "data".
    const jet::CatalogEntry* entry = (*db)->catalog().findTable(u"Table");
    const auto& cat = (*db)->catalog().systemTable();
    auto stored = cat->storedRow(entry->row);
    if (!stored)
        die("catalog row", stored.error());
    jet::RowLayout layout;
    CHECK_OK(jet::parseRow(cat->def(), stored->bytes, layout), "catalog row");
    std::vector<jet::FieldBytes> fields;
    for (const auto& c : cat->def().columns) {
        auto f = jet::fieldOf(layout, c);
        if (!f)
            die("catalog field", f.error());
        jet::FieldBytes b{f->null, f->flag, jet::Bytes(f->data.begin(), f->data.end())};
        if (c.name == u"Name")
            b.data = *jet::encodeScalar(c, jet::Value(std::u16string(u"data")));
        fields.push_back(std::move(b));
    }
    auto row = jet::encodeRow(cat->def(), fields);
    if (!row)
        die("catalog row", row.error());
    auto catPage = file.mutablePage(entry->row.page);
    if (!catPage)
        die("catalog page", catPage.error());
    CHECK_OK(jet::replaceRow(**catPage, entry->row.row, *row), "catalog row");
    CHECK_OK(file.commit(), "commit");
}

std::u16string u16(const std::string& s) {
    return jet::fromUtf8(s);
}

const char* const kNames[] = {"张三", "李四", "王小五", "赵六", "欧阳明月"};
const char* const kCompanies[] = {"北京某某科技有限公司", "上海浦东新区建设工程公司",
                                  "广州市白云区小商品批发部"};
const char* const kAddresses[] = {"北京市海淀区中关村大街 27 号 1208 室", "上海市浦东新区世纪大道 100 号",
                                  "广东省广州市白云区机场路 1688 号 B 座三楼"};
const char* const kNotes[] = {"整理客户资料，回访三家老客户，下午参加部门例会。", "加班赶工，完成设备调试。",
                              "出差", ""};

std::vector<jet::Value> entry(int i) {
    const double day = 40000 + i / 3;
    return {
        jet::Value(u16(kNames[i % 5])),
        jet::Value(u16(kCompanies[i % 3])),
        jet::Value(u16(kAddresses[i % 3])),
        jet::Value(jet::DateTime{39000.0}),
        jet::Value(jet::DateTime{day}),
        jet::Value(int32_t(8 + i % 4)),
        jet::Value(u16(kNotes[i % 4])),
        jet::Value(jet::DateTime{day + 0.75 + (i % 60) / 1440.0}),
        jet::Value(u16("GZ-" + std::string(5 - std::min<size_t>(5, std::to_string(i + 1).size()), '0') +
                       std::to_string(i + 1))),
    };
}

struct Stats {
    double median = 0, p90 = 0, max = 0, mean = 0;
};
Stats stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    Stats s;
    s.median = v[v.size() / 2];
    s.p90 = v[v.size() * 9 / 10];
    s.max = v.back();
    for (double x : v)
        s.mean += x;
    s.mean /= double(v.size());
    return s;
}
void print(const char* what, const Stats& s, size_t n) {
    std::printf("%-58s median %7.2f ms, mean %7.2f, p90 %7.2f, max %7.2f  (%zu runs)\n", what, s.median,
                s.mean, s.p90, s.max, n);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: write_bench SAMPLES_DIR OUT.mdb [ROWS]\n");
        return 1;
    }
    const std::string path = argv[2];
    const int rows = argc > 3 ? std::atoi(argv[3]) : 100000;
    makeDataTable(argv[1], path);

    // Fill: transactions of 1,000 entries.
    jet::OpenOptions opt;
    opt.write = true;
    {
        auto db = jet::Database::open(path, opt);
        if (!db)
            die("open", db.error());
        const auto t0 = Clock::now();
        for (int i = 0; i < rows;) {
            CHECK_OK((*db)->begin(), "begin");
            for (int k = 0; k < 1000 && i < rows; ++k, ++i)
                CHECK_OK((*db)->insertRow(u"data", entry(i)), "insert");
            CHECK_OK((*db)->commit(), "commit");
        }
        const double t = ms(t0, Clock::now());
        std::printf(
            "batched inserts (transactions of 1,000): %d rows in %.0f ms = %.0f rows/s, %.1f us/row\n", rows,
            t, rows / t * 1000, t * 1000 / rows);

        // Durable inserts, one transaction each, into the full table.
        std::vector<double> each;
        for (int i = 0; i < 200; ++i) {
            const auto a = Clock::now();
            CHECK_OK((*db)->insertRow(u"data", entry(rows + i)), "insert");
            each.push_back(ms(a, Clock::now()));
        }
        print("durable insert, engine (one transaction, synced)", stats(each), each.size());
    }
    {
        auto conn = jet::sql::Connection::open(path);
        if (!conn)
            die("connect", conn.error());
        std::vector<double> each;
        for (int i = 0; i < 100; ++i) {
            const std::string id = "GZ-" + std::to_string(200000 + i);
            const std::string sql =
                "insert into data (姓名,公司名称,公司地址,入厂时间,上班日期,上班时间,工作备注,时间,id) "
                "values ('张三','北京某某科技有限公司','北京市海淀区中关村大街 27 号','2010年7月1日',"
                "'2010年7月20日','8','整理客户资料，回访三家老客户。','2010年7月20日16时7分26秒','" +
                id + "')";
            const auto a = Clock::now();
            CHECK_OK((*conn)->execute(std::string_view(sql)), "sql insert");
            each.push_back(ms(a, Clock::now()));
        }
        print("durable insert, SQL statement through a Connection", stats(each), each.size());
        each.clear();
        for (int i = 0; i < 20; ++i) {
            const std::string sql = "update data set 上班时间 = '9', 工作备注 = "
                                    "'改过的备注，比原来的长一些，长一些。' where id = 'GZ-" +
                                    std::to_string(200000 + i) + "'";
            const auto a = Clock::now();
            auto r = (*conn)->execute(std::string_view(sql));
            CHECK_OK(r, "sql update");
            each.push_back(ms(a, Clock::now()));
        }
        print("durable UPDATE ... WHERE id = (scan of the whole table)", stats(each), each.size());
        each.clear();
        for (int i = 20; i < 40; ++i) {
            const std::string sql = "delete from data where id = 'GZ-" + std::to_string(200000 + i) + "'";
            const auto a = Clock::now();
            CHECK_OK((*conn)->execute(std::string_view(sql)), "sql delete");
            each.push_back(ms(a, Clock::now()));
        }
        print("durable DELETE ... WHERE id = (scan of the whole table)", stats(each), each.size());
        each.clear();
        for (int i = 0; i < 20; ++i) {
            const auto a = Clock::now();
            auto r = (*conn)->execute(std::string_view("select id from data order by id"),
                                      jet::sql::ExecOptions{.rowIdsOnly = true});
            CHECK_OK(r, "select");
            each.push_back(ms(a, Clock::now()));
        }
        print("SELECT id FROM data ORDER BY id (RowIds only)", stats(each), each.size());
    }
    // Reading.
    {
        std::vector<double> open, list, read, check;
        size_t count = 0;
        for (int r = 0; r < 5; ++r) {
            const auto a = Clock::now();
            auto db = jet::Database::open(path);
            if (!db)
                die("open", db.error());
            auto t = (*db)->openTable(u"data");
            if (!t)
                die("table", t.error());
            const auto b = Clock::now();
            auto ids = (*t)->rowIds();
            if (!ids)
                die("rowids", ids.error());
            const auto c = Clock::now();
            auto cursor = (*t)->cursor();
            std::vector<jet::Value> values;
            count = 0;
            for (;;) {
                auto more = cursor.next();
                if (!more)
                    die("next", more.error());
                if (!*more)
                    break;
                CHECK_OK(cursor.values(values), "values");
                ++count;
            }
            const auto d = Clock::now();
            const jet::CheckReport report = jet::checkDatabase(**db);
            const auto e = Clock::now();
            if (!report.ok()) {
                std::fprintf(stderr, "%s", report.describe().c_str());
                return 1;
            }
            open.push_back(ms(a, b));
            list.push_back(ms(b, c));
            read.push_back(ms(c, d));
            check.push_back(ms(d, e));
        }
        print("open the database and the table", stats(open), open.size());
        print("list the RowIds", stats(list), list.size());
        print("read every row into values", stats(read), read.size());
        print("consistency check of the whole file", stats(check), check.size());
        std::ifstream f(path, std::ios::binary | std::ios::ate);
        const double size = double(f.tellg());
        std::printf("rows %zu, file %.1f MB (%.0f pages), %.1f bytes per row\n", count, size / 1048576,
                    size / jet::kPageSize, size / double(count));
    }
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    std::printf("peak resident memory of this benchmark: %ld KB\n", ru.ru_maxrss);
    return 0;
}
