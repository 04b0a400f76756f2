// The data-access objects on a Ledrimo database with 1,000, 10,000 and 100,000 entries, in the
// program's own flows:
//   ConnectAndOpen  connect, open table `data`, read 时间 of the first row (menu 打开数据库)
//   Add             identifier query, insert, both sets opened again on `data`, MoveLast, the row
//                   read as showEntry reads it (button 添加); on a copy, so the others keep their size
//   IdentifierQuery the identifier query of Add alone
//   ListFill        id, 姓名, 上班日期, 上班时间 and 工作备注 of every row (list window)
//   FindDate        MoveFirst and Find of the working date of the last entry (date query)
//   FindMissing     the same for a date no entry has (the whole table searched)
// Every file starts as the database image the program carries. A benchmark, not a test.
//   data_access_bench [benchmark options]
#include "runtime/data_values.h"
#include "runtime/runtime.h"

#include "store/database_image.h"

#include "jet/sql_engine.h"
#include "bench/bench_entries.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <unistd.h>

namespace {

std::filesystem::path g_dir;
rt::Bytes g_empty;               // the restored database
std::map<int, rt::Text> g_files; // entries -> prepared file

using benchdata::kFirstDay;

rt::Text identifier(int n, int entries) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "GZ-%0*d", entries > 99999 ? 6 : 5, n);
    return rt::Text::fromBytes(buf);
}

// A copy of the empty database with `entries` rows in `data`, one working day each.
rt::Text prepared(int entries) {
    auto it = g_files.find(entries);
    if (it != g_files.end())
        return it->second;
    const auto path = g_dir / ("db-" + std::to_string(entries));
    if (!rt::writeFile(rt::Text::fromUtf8(path.string()), {g_empty}))
        std::exit(1);
    benchdata::writeEntries(path.string(), entries, [entries](int n) { return identifier(n, entries); });
    return g_files[entries] = rt::Text::fromUtf8(path.string());
}

struct Program {
    rt::CommonConnection conn;
    rt::RecordSet browse, statements;
    explicit Program(const rt::Text& path) {
        if (!conn.ConnectAccess(path, ""))
            std::exit(1);
        browse.SetConnection(conn);
        statements.SetConnection(conn);
    }
};

void ConnectAndOpen(benchmark::State& state) {
    const rt::Text path = prepared(int(state.range(0)));
    for (auto _ : state) {
        rt::CommonConnection conn;
        rt::RecordSet set;
        conn.ConnectAccess(path, "");
        set.SetConnection(conn);
        set.Open("data", 2);
        double when = 0;
        set.ReadDateTime("时间", when);
        benchmark::DoNotOptimize(when);
    }
}

// A copy of prepared(entries) of its own, for a benchmark that adds rows.
rt::Text scratchCopy(int entries) {
    const auto path = g_dir / ("scratch-" + std::to_string(entries));
    std::filesystem::copy_file(prepared(entries).toUtf8(), path,
                               std::filesystem::copy_options::overwrite_existing);
    return rt::Text::fromUtf8(path.string());
}

void Add(benchmark::State& state) {
    const int entries = int(state.range(0));
    Program p(scratchCopy(entries));
    p.browse.Open("data", 2);
    int next = entries + 1;
    for (auto _ : state) {
        rt::Text last;
        p.statements.Open("select ID from data where ID like 'GZ-%' order by ID", 1);
        p.statements.MoveLast();
        p.statements.ReadString(0, last);
        p.statements.Close();
        const rt::Text insert =
            rt::Text("insert into data  (姓名,公司名称,公司地址,入厂时间,上班日期,上班时间,工作备注,时间,id) "
                     "values ('张三','深圳市某某电子科技有限公司','广东省深圳市南山区科技园','2008年11月"
                     "27日','2013年5月1日',8,'新的一天','2013年5月1日18时','") +
            identifier(next++, entries) + "')";
        if (!p.statements.Open(insert, 1))
            state.SkipWithError("insert failed");
        p.statements.Close();
        p.browse.Open("data", 2);
        p.statements.Open("data", 2);
        p.browse.MoveLast();
        rt::Text name, company, address, notes, id;
        double joined = 0, day = 0;
        int hours = 0;
        p.browse.ReadString("姓名", name);
        p.browse.ReadString("公司名称", company);
        p.browse.ReadString("公司地址", address);
        p.browse.ReadDateTime("入厂时间", joined);
        p.browse.ReadDateTime("上班日期", day);
        p.browse.ReadLong("上班时间", hours);
        p.browse.ReadString("工作备注", notes);
        p.browse.ReadString("id", id);
        benchmark::DoNotOptimize(p.browse.RecordsCount() + p.browse.Pos());
    }
}

// The first step of Add alone.
void IdentifierQuery(benchmark::State& state) {
    Program p(prepared(int(state.range(0))));
    for (auto _ : state) {
        rt::Text last;
        p.statements.Open("select ID from data where ID like 'GZ-%' order by ID", 1);
        p.statements.MoveLast();
        p.statements.ReadString(0, last);
        p.statements.Close();
        benchmark::DoNotOptimize(last);
    }
}

void ListFill(benchmark::State& state) {
    Program p(prepared(int(state.range(0))));
    for (auto _ : state) {
        p.statements.Open("data", 2);
        p.statements.MoveFirst();
        const int n = p.statements.RecordsCount();
        size_t bytes = 0;
        for (int i = 1; i <= n; ++i) {
            rt::Text id, name, notes;
            double day = 0;
            int hours = 0;
            p.statements.ReadString("id", id);
            p.statements.ReadString("姓名", name);
            p.statements.ReadDateTime("上班日期", day);
            p.statements.ReadLong("上班时间", hours);
            p.statements.ReadString("工作备注", notes);
            bytes += id.bytes().size() + name.bytes().size() + rt::dateText(day).bytes().size() +
                     rt::toText(hours).bytes().size() + notes.bytes().size();
            p.statements.MoveNext();
        }
        p.statements.Close();
        benchmark::DoNotOptimize(bytes);
    }
}

void findDate(benchmark::State& state, double day) {
    Program p(prepared(int(state.range(0))));
    p.browse.Open("data", 2);
    const rt::Text criteria = rt::Text("上班日期='") + rt::dateText(day) + "'";
    for (auto _ : state) {
        p.browse.MoveFirst();
        benchmark::DoNotOptimize(p.browse.Find(criteria, 1));
    }
}

void FindDate(benchmark::State& state) {
    findDate(state, kFirstDay + double(state.range(0)));
}

void FindMissing(benchmark::State& state) {
    findDate(state, kFirstDay - 1000);
}

const std::vector<int64_t> kSizes = {1000, 10000, 100000};
BENCHMARK(ConnectAndOpen)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(Add)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(IdentifierQuery)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(ListFill)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(FindDate)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);
BENCHMARK(FindMissing)->ArgsProduct({kSizes})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    g_empty = rt::decompress(store::databaseImage());
    if (g_empty.empty()) {
        std::fprintf(stderr, "data_access_bench: the carried database image does not unpack\n");
        return 1;
    }
    g_dir = std::filesystem::temp_directory_path() / ("ledrimo-data-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(g_dir);
    benchmark::Initialize(&argc, argv);
    rt::ScriptedMessageBoxes boxes; // a failing step must not wait for a click
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(g_dir);
    return 0;
}
