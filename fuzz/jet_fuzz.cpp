// Fuzzes the reading engine from bytes in memory: open (header, password, catalog), then every
// table's definition and every value of every row, by cursor and by RowId. Any input must give
// values or error values: no crash, no hang, no allocation beyond what the input could hold.
// It also holds the row codec to its promise: the fields of any row it parses, framed again by
// encodeRow, parse back to the same fields.
#include "jet/database.h"
#include "jet/row.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

void checkReencoding(const jet::Table& table, jet::RowId id) {
    auto stored = table.storedRow(id);
    if (!stored)
        return;
    const auto& def = table.def();
    jet::RowLayout layout;
    if (!jet::parseRow(def, stored->bytes, layout))
        return;
    std::vector<jet::FieldBytes> fields;
    for (const auto& c : def.columns) {
        auto f = jet::fieldOf(layout, c);
        if (!f)
            return;
        fields.push_back({f->null, f->flag, jet::Bytes(f->data.begin(), f->data.end())});
    }
    auto again = jet::encodeRow(def, fields);
    if (!again)
        return; // e.g. longer than a row may be
    jet::RowLayout back;
    if (!jet::parseRow(def, jet::ByteView(again->data(), again->size()), back))
        __builtin_trap();
    for (size_t i = 0; i < def.columns.size(); ++i) {
        auto f = jet::fieldOf(back, def.columns[i]);
        if (!f)
            __builtin_trap();
        if (def.columns[i].type == jet::ColumnType::Boolean) {
            // A row written now has every column: a Yes/No the old row predates becomes No.
            if (f->null || f->flag != fields[i].flag)
                __builtin_trap();
        } else if (f->null != fields[i].null ||
                   jet::Bytes(f->data.begin(), f->data.end()) != fields[i].data) {
            __builtin_trap();
        }
    }
}

} // namespace

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
                checkReencoding(**table, id);
            }
        }
        (void)(*table)->rowIds();
    }
    return 0;
}
