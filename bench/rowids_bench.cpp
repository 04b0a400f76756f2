// Times the engine's lazy access on one table: open, list the RowIds (no values decoded), read
// one column of every row by RowId, decode every row with a cursor. For the snapshot a record
// set takes of a large table. A benchmark, not a test: it prints figures and checks nothing.
//   rowids_bench FILE TABLE [REPEATS]
#include "jet/database.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {
using Clock = std::chrono::steady_clock;
double ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: rowids_bench FILE TABLE [REPEATS]\n");
        return 1;
    }
    const int repeats = argc > 3 ? std::atoi(argv[3]) : 5;
    for (int r = 0; r < repeats; ++r) {
        const auto t0 = Clock::now();
        auto db = jet::Database::open(argv[1]);
        if (!db) {
            std::fprintf(stderr, "%s\n", db.error().describe().c_str());
            return 1;
        }
        auto table = (*db)->openTable(jet::fromUtf8(argv[2]));
        if (!table) {
            std::fprintf(stderr, "%s\n", table.error().describe().c_str());
            return 1;
        }
        const auto t1 = Clock::now();
        auto ids = (*table)->rowIds();
        const auto t2 = Clock::now();
        if (!ids)
            return 1;
        size_t nonNull = 0;
        for (const auto& id : *ids) {
            auto v = (*table)->readValue(id, 0);
            nonNull += v && !jet::isNull(*v);
        }
        const auto t3 = Clock::now();
        auto cursor = (*table)->cursor();
        std::vector<jet::Value> values;
        size_t rows = 0;
        while (true) {
            auto more = cursor.next();
            if (!more || !*more)
                break;
            if (cursor.values(values))
                ++rows;
        }
        const auto t4 = Clock::now();
        std::printf(
            "rows %zu | open db+table %.2f ms | list RowIds %.2f ms | column 0 of every row by RowId %.2f ms"
            " | decode every row %.2f ms\n",
            ids->size(), ms(t0, t1), ms(t1, t2), ms(t2, t3), ms(t3, t4));
        (void)nonNull;
        (void)rows;
    }
    return 0;
}
