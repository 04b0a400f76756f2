// The queries the program runs, over a `data` table of 100,000 entries held in memory; and
// totals with GROUP BY over the 100,000 entries of bench/write_bench's database, in a file.
#include "bench/big_database.h"
#include "jet/datetext.h"
#include "jet/sql.h"
#include "jet/sql_engine.h"
#include "jet/sql_memory.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

using namespace jet::sql;
using jet::ColumnType;

namespace {

constexpr int kRows = 100000;

// 100,000 entries over 2,000 working dates from 2010-07-20 on (50 entries per date), with the
// identifiers GZ-00000 .. GZ-99999 in insertion order, or shuffled.
std::unique_ptr<MemoryStorage> makeData(bool shuffled) {
    auto db = std::make_unique<MemoryStorage>();
    MemoryTable& t = db->addTable(u"data", {
                                               ColumnInfo{u"姓名", ColumnType::Text, 20},
                                               ColumnInfo{u"公司名称", ColumnType::Text, 100},
                                               ColumnInfo{u"公司地址", ColumnType::Text, 250},
                                               ColumnInfo{u"入厂时间", ColumnType::DateTime},
                                               ColumnInfo{u"上班日期", ColumnType::DateTime},
                                               ColumnInfo{u"上班时间", ColumnType::Long},
                                               ColumnInfo{u"工作备注", ColumnType::Text, 255},
                                               ColumnInfo{u"时间", ColumnType::DateTime},
                                               ColumnInfo{u"ID", ColumnType::Text, 100},
                                           });
    std::vector<int> numbers(kRows);
    for (int i = 0; i < kRows; ++i)
        numbers[size_t(i)] = i;
    if (shuffled)
        std::shuffle(numbers.begin(), numbers.end(), std::mt19937(42));
    const double first = 40379; // 2010-07-20
    for (int i = 0; i < kRows; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "GZ-%05d", numbers[size_t(i)]);
        const double day = first + (i % 2000);
        (void)t.insert({std::u16string(u"张三"), std::u16string(u"广州某某科技有限公司"),
                        std::u16string(u"广州市天河区某路1号"), jet::DateTime{first - 500},
                        jet::DateTime{day}, int32_t(8),
                        std::u16string(u"调试程序，写文档，开会讨论下一步的计划"), jet::DateTime{day + 0.67},
                        jet::fromUtf8(id)});
    }
    return db;
}

MemoryStorage& ordered() {
    static auto db = makeData(false);
    return *db;
}
MemoryStorage& shuffled() {
    static auto db = makeData(true);
    return *db;
}

void run(benchmark::State& state, MemoryStorage& db, const char* sql, bool idsOnly, size_t expect) {
    ExecOptions options;
    options.rowIdsOnly = idsOnly;
    for (auto _ : state) {
        auto r = execute(std::string_view(sql), db, options);
        if (!r.ok() || r->rowIds.size() != expect) {
            state.SkipWithError("unexpected result");
            break;
        }
        benchmark::DoNotOptimize(r->rowIds.data());
    }
}

const char* kIdQuery = "select ID from data where ID like 'GZ-%' order by ID";
const char* kDateQuery = "select * from data where 上班日期='2010年7月20日'";

void IdentifierQuery(benchmark::State& s) {
    run(s, ordered(), kIdQuery, false, kRows);
}
void IdentifierQueryRowIdsOnly(benchmark::State& s) {
    run(s, ordered(), kIdQuery, true, kRows);
}
void IdentifierQueryShuffledRows(benchmark::State& s) {
    run(s, shuffled(), kIdQuery, false, kRows);
}
void IdentifierQueryShuffledRowIdsOnly(benchmark::State& s) {
    run(s, shuffled(), kIdQuery, true, kRows);
}
void DateQuery(benchmark::State& s) {
    run(s, ordered(), kDateQuery, false, kRows / 2000);
}
void DateQueryRowIdsOnly(benchmark::State& s) {
    run(s, ordered(), kDateQuery, true, kRows / 2000);
}

// What a record set's Find does: compile the criterion once, test rows until one matches (here the
// last date, so every row is tested).
void FindCriterionLastRow(benchmark::State& state) {
    MemoryTable& t = *ordered().table(u"data");
    const std::string criterion =
        "上班日期='" + jet::toUtf8(jet::formatDateText(40379 + (kRows - 1) % 2000)) + "'";
    for (auto _ : state) {
        auto cond = parseCondition(std::string_view(criterion));
        auto compiled = compileCondition(*cond, t.columns());
        std::vector<jet::Value> row(t.columns().size());
        int found = -1, n = 0;
        (void)t.scan(compiled->columnsUsed(), [&](RowId, const std::vector<jet::Value>& values) {
            for (size_t k = 0; k < values.size(); ++k)
                row[compiled->columnsUsed()[k]] = values[k];
            if (compiled->matches(row))
                found = n;
            ++n;
            return true;
        });
        benchmark::DoNotOptimize(found);
    }
}

void ParseInsertStatement(benchmark::State& state) {
    const std::string sql =
        "insert into data  (姓名,公司名称,公司地址,入厂时间,上班日期,上班时间,工作备注,时间,id) values "
        "('张三','广州某某科技有限公司','广州市天河区某路1号','2009年3月1日','2010年7月20日',8,'调试程序','"
        "2010年7月20日16时7分26秒','GZ-00001')";
    for (auto _ : state)
        benchmark::DoNotOptimize(parseStatement(std::string_view(sql)).ok());
}

// The big database, written once into a temporary folder (about 5 s) and removed at the end.
class BigFile {
public:
    BigFile() {
        char dir[] = "/tmp/sql_bench_XXXXXX";
        if (!::mkdtemp(dir)) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        dir_ = dir;
        bigdb::create(dir_ + "/db", kRows);
        jet::sql::Connection::Options o;
        o.write = false;
        auto c = Connection::open(dir_ + "/db", o);
        if (!c)
            bigdb::fail("open", c.error());
        conn_ = std::move(*c);
    }
    ~BigFile() {
        conn_.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    Connection& connection() { return *conn_; }

private:
    std::string dir_;
    std::unique_ptr<Connection> conn_;
};

Connection& bigFile() {
    static BigFile file;
    return file.connection();
}

void grouped(benchmark::State& state, Connection& c, const char* sql, size_t groups) {
    for (auto _ : state) {
        auto r = c.execute(std::string_view(sql));
        if (!r.ok() || r->rowCount() != groups) {
            state.SkipWithError(r.ok() ? "unexpected result" : r.error().message.c_str());
            break;
        }
        benchmark::DoNotOptimize(r->values.data());
    }
}

// The hours per employer: 3 groups.
void GroupByCompanySumOnTheFile(benchmark::State& s) {
    grouped(s, bigFile(), "select 公司名称, sum(上班时间) from data group by 公司名称", 3);
}
// Every aggregate per employer and person, with HAVING and ORDER BY on an aggregate: 15 groups.
void GroupByTwoColumnsEveryAggregateOnTheFile(benchmark::State& s) {
    grouped(s, bigFile(),
            "select 公司名称, 姓名, count(*), sum(上班时间) as 小时, avg(上班时间), min(上班日期), "
            "max(上班日期) from data group by 公司名称, 姓名 having count(*) > 1 order by 小时 desc",
            15);
}
// The hours per day: 33,334 groups.
void GroupByDayOnTheFile(benchmark::State& s) {
    grouped(s, bigFile(), "select 上班日期, sum(上班时间), count(*) from data group by 上班日期", 33334);
}
// Reading the two columns without grouping, for comparison: the scan's own cost.
void ScanTwoColumnsOnTheFile(benchmark::State& state) {
    for (auto _ : state) {
        auto r = bigFile().execute(std::string_view("select 公司名称, 上班时间 from data"));
        if (!r.ok() || r->rowCount() != size_t(kRows)) {
            state.SkipWithError("unexpected result");
            break;
        }
        benchmark::DoNotOptimize(r->values.data());
    }
}

} // namespace

BENCHMARK(GroupByCompanySumOnTheFile)->Unit(benchmark::kMillisecond);
BENCHMARK(GroupByTwoColumnsEveryAggregateOnTheFile)->Unit(benchmark::kMillisecond);
BENCHMARK(GroupByDayOnTheFile)->Unit(benchmark::kMillisecond);
BENCHMARK(ScanTwoColumnsOnTheFile)->Unit(benchmark::kMillisecond);
BENCHMARK(IdentifierQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(IdentifierQueryRowIdsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(IdentifierQueryShuffledRows)->Unit(benchmark::kMillisecond);
BENCHMARK(IdentifierQueryShuffledRowIdsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(DateQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(DateQueryRowIdsOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(FindCriterionLastRow)->Unit(benchmark::kMillisecond);
BENCHMARK(ParseInsertStatement)->Unit(benchmark::kMicrosecond);
