// The damage matrix: pages of a database in turn zeroed, and separately overwritten with random
// bytes, each case sorted into
//   harmless  the check finds no error and every row of the table reads back identical
//   caught    the check finds an error (or the file does not open): `ledrimo-db check` exits 1
//   silent    the check passes but rows are lost or altered: the one outcome that must not be
// and, of the cases that lose or alter rows, whether connecting notices (the file does not open,
// the table cannot be opened, or the quick check of the catalog or the table finds an error). Shared by the test over a realistic log and
// the benchmark script over the big files.
#pragma once

#include "jet/check.h"
#include "jet/database.h"
#include "jet/writer.h"

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace damagematrix {

using Rows = std::vector<std::vector<jet::Value>>;

// Every row of `table` in table order; nullopt when they cannot all be read.
inline std::optional<Rows> readRows(const jet::Database& db, std::u16string_view table) {
    auto t = db.openTable(table);
    if (!t)
        return std::nullopt;
    Rows rows;
    auto cursor = (*t)->cursor();
    std::vector<jet::Value> values;
    for (;;) {
        auto more = cursor.next();
        if (!more)
            return std::nullopt;
        if (!*more)
            return rows;
        if (!cursor.values(values))
            return std::nullopt;
        rows.push_back(values);
    }
}

inline bool sameRows(const Rows& a, const Rows& b) {
    if (a.size() != b.size())
        return false;
    for (size_t r = 0; r < a.size(); ++r) {
        if (a[r].size() != b[r].size())
            return false;
        for (size_t c = 0; c < a[r].size(); ++c)
            if (!jet::sameValue(a[r][c], b[r][c]))
                return false;
    }
    return true;
}

enum class Damage { Zeroed, Random };

struct Tally {
    size_t cases = 0, harmless = 0, caught = 0, silent = 0;
    size_t lossy = 0, lossyNoticedAtConnect = 0; // cases whose rows differ, and those connect noticed
    std::vector<std::string> silentCases, unnoticedAtConnect;

    std::string summary() const {
        return std::to_string(cases) + " 个情形：无害 " + std::to_string(harmless) + "，检查报错 " +
               std::to_string(caught) + "，未被发现 " + std::to_string(silent) + "；丢失或改变行的 " +
               std::to_string(lossy) + " 个中，连接时发现 " + std::to_string(lossyNoticedAtConnect) + " 个";
    }
};

// Damages page `page` of a copy of `original` as `damage` says, and sorts the case into `tally`.
inline void runCase(const std::vector<uint8_t>& original, uint32_t page, Damage damage,
                    std::u16string_view table, const Rows& expected, Tally& tally) {
    std::vector<uint8_t> bytes = original;
    uint8_t* at = bytes.data() + size_t(page) * jet::kPageSize;
    if (damage == Damage::Zeroed) {
        std::fill(at, at + jet::kPageSize, uint8_t(0));
    } else {
        std::mt19937 random(page * 7919u + 17u);
        for (size_t i = 0; i < jet::kPageSize; ++i)
            at[i] = uint8_t(random());
    }
    const std::string name =
        "第 " + std::to_string(page) + " 页" + (damage == Damage::Zeroed ? "清零" : "随机字节");
    ++tally.cases;
    auto db = jet::Database::openMemory(std::move(bytes), {}, name);
    if (!db) {
        ++tally.caught;
        return;
    }
    const bool checkFails = !jet::checkDatabase(**db).ok();
    const auto rows = readRows(**db, table);
    const bool same = rows && sameRows(*rows, expected);
    if (checkFails)
        ++tally.caught;
    else if (same)
        ++tally.harmless;
    else {
        ++tally.silent;
        tally.silentCases.push_back(name);
    }
    if (!same) {
        ++tally.lossy;
        auto t = (*db)->openTable(table);
        if (!t || !jet::checkTableQuickly(**db, u"MSysObjects").ok() || !jet::checkTableQuickly(**db, table).ok())
            ++tally.lossyNoticedAtConnect;
        else
            tally.unnoticedAtConnect.push_back(name);
    }
}

} // namespace damagematrix
