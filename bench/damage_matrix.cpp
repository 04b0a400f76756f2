// The damage matrix over a big file, on sampled pages (see tests/store/damage_matrix.h for what
// each case is): every `step`-th page zeroed, and overwritten with random bytes. Prints the counts
// and the cases that went unnoticed; exits 1 when one was silent. Run by bench/damage_matrix.sh.
//   damage_matrix --make-log ROWS OUT     writes the program's database with ROWS entries
//   damage_matrix FILE TABLE SAMPLES      runs the matrix over about SAMPLES pages of FILE
#include "bench/big_database.h"
#include "tests/store/damage_matrix.h"
#include "jet/codec.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--make-log") {
        bigdb::create(argv[3], std::atoi(argv[2]));
        return 0;
    }
    if (argc != 4) {
        std::fprintf(stderr, "usage: damage_matrix FILE TABLE SAMPLES | --make-log ROWS OUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> original((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::u16string table = jet::fromUtf8(argv[2]);
    auto db = jet::Database::openMemory(original);
    if (!db)
        bigdb::fail("open", db.error());
    const auto expected = damagematrix::readRows(**db, table);
    if (!expected) {
        std::fprintf(stderr, "the table cannot be read\n");
        return 2;
    }
    const uint32_t pages = (*db)->file()->pageCount();
    const uint32_t step = std::max<uint32_t>(1, pages / uint32_t(std::max(1, std::atoi(argv[3]))));
    std::printf("%s：%u 页，表 %s %zu 行，每 %u 页取一页\n", argv[1], pages, argv[2], expected->size(), step);
    bool silent = false;
    for (auto damage : {damagematrix::Damage::Zeroed, damagematrix::Damage::Random}) {
        const auto start = std::chrono::steady_clock::now();
        damagematrix::Tally tally;
        for (uint32_t page = step / 2; page < pages; page += step)
            damagematrix::runCase(original, page, damage, table, *expected, tally);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s：%s（%.1f 秒）\n", damage == damagematrix::Damage::Zeroed ? "清零" : "随机字节",
                    tally.summary().c_str(), seconds);
        for (const auto& c : tally.silentCases)
            std::printf("  未被发现：%s\n", c.c_str());
        for (const auto& c : tally.unnoticedAtConnect)
            std::printf("  连接时未发现（检查报错）：%s\n", c.c_str());
        silent = silent || tally.silent > 0;
    }
    return silent ? 1 : 0;
}
