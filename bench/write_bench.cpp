// Writing speed on the program's own database: the image it carries (table `data`: 姓名 Text 20,
// 公司名称 Text 100, 公司地址 Text 250, 入厂时间 DateTime, 上班日期 DateTime, 上班时间 Long,
// 工作备注 Text 255, 时间 DateTime, ID Text 100; no index, no compression) is written out, `data`
// filled through the engine to ROWS entries in transactions of 1,000, and measured:
//   - durable inserts into the full table, one transaction each (journal, syncs), as the program
//     inserts entries one at a time: through the engine, and as SQL through a Connection;
//   - a durable UPDATE and DELETE by identifier (a scan of the whole table each);
//   - listing the RowIds and reading every row into values; the consistency check;
//   - bytes per row and peak memory.
// A benchmark, not a test: it prints figures and checks only that the steps succeed.
//   write_bench OUT.mdb [ROWS] [--fill-only]     (--fill-only: stop once the table is filled,
//                                                  for the benchmarks that read it)
#include "bench/big_database.h"
#include "jet/check.h"
#include "jet/codec.h"
#include "jet/create.h"
#include "jet/database.h"
#include "jet/sql_engine.h"
#include "store/schema.h"

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
    if (argc < 2) {
        std::fprintf(stderr, "usage: write_bench OUT.mdb [ROWS] [--fill-only]\n");
        return 1;
    }
    const std::string path = argv[1];
    const int rows = argc > 2 ? std::atoi(argv[2]) : 100000;
    const bool fillOnly = argc > 3 && std::string(argv[3]) == "--fill-only";
    bigdb::newDatabase(path);

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
                CHECK_OK((*db)->insertRow(u"data", bigdb::entry(i)), "insert");
            CHECK_OK((*db)->commit(), "commit");
        }
        const double t = ms(t0, Clock::now());
        std::printf(
            "batched inserts (transactions of 1,000): %d rows in %.0f ms = %.0f rows/s, %.1f us/row\n", rows,
            t, rows / t * 1000, t * 1000 / rows);
        if (fillOnly)
            return 0;

        // Durable inserts, one transaction each, into the full table.
        std::vector<double> each;
        for (int i = 0; i < 200; ++i) {
            const auto a = Clock::now();
            CHECK_OK((*db)->insertRow(u"data", bigdb::entry(rows + i)), "insert");
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
