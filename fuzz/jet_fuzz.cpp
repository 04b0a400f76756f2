// Fuzzes the reading engine from bytes in memory: open (header, password, catalog), then every
// table's definition and every value of every row, by cursor and by RowId. Any input must give
// values or error values: no crash, no hang, no allocation beyond what the input could hold.
#include "jet/database.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    jet::OpenOptions options;
    options.password = u"password"; // also reach past the password check of mutated headers
    auto db = jet::Database::openMemory(std::vector<uint8_t>(data, data + size), options, "fuzz");
    if (!db)
        return 0;
    std::vector<jet::Value> values;
    for (const auto* entry : (*db)->catalog().tables(true)) {
        auto table = (*db)->openTable(*entry);
        if (!table)
            continue;
        auto cursor = (*table)->cursor();
        int rows = 0;
        for (;;) {
            auto more = cursor.next();
            if (!more || !*more)
                break;
            (void)cursor.values(values);
            if (++rows <= 4) {
                const jet::RowId id = cursor.rowId();
                for (size_t c = 0; c < (*table)->def().columns.size(); ++c)
                    (void)(*table)->readValue(id, c);
            }
        }
        (void)(*table)->rowIds();
    }
    return 0;
}
