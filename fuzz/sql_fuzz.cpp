// Any text given to the SQL layer: it must parse or fail with a message, never crash, and a
// statement that fails must leave the tables as they were.
#include "jet/datetext.h"
#include "jet/sql.h"
#include "jet/sql_memory.h"
#include "jet/sql_text.h"

#include <cstdlib>
#include <string>

using namespace jet::sql;

namespace {

void addTables(MemoryStorage& db) {
    MemoryTable& data = db.addTable(u"data", {
                                                 ColumnInfo{u"姓名", jet::ColumnType::Text, 20},
                                                 ColumnInfo{u"上班日期", jet::ColumnType::DateTime},
                                                 ColumnInfo{u"上班时间", jet::ColumnType::Long},
                                                 ColumnInfo{u"ID", jet::ColumnType::Text, 100},
                                                 ColumnInfo{u"n", jet::ColumnType::Numeric, 0, true, 10, 3},
                                                 ColumnInfo{u"m", jet::ColumnType::Currency},
                                                 ColumnInfo{u"b", jet::ColumnType::Boolean},
                                                 ColumnInfo{u"g", jet::ColumnType::GUID},
                                                 ColumnInfo{u"o", jet::ColumnType::OLE},
                                             });
    for (int i = 0; i < 4; ++i)
        (void)data.insert({std::u16string(u"张三"), jet::DateTime{40379.0 + i}, int32_t(i),
                           std::u16string(u"GZ-0000") + char16_t(u'1' + i), jet::Null{},
                           jet::Currency{i * 10000}, i % 2 == 0, jet::Null{}, jet::Bytes{1, 2}});
    (void)data.insert(std::vector<jet::Value>(9, jet::Value(jet::Null{})));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    const std::u16string wide = jet::fromUtf8(text);

    (void)jet::parseDateText(std::u16string_view(wide));
    (void)jet::parseDateLiteral(wide);
    const size_t half = wide.size() / 2;
    (void)LikePattern(std::u16string_view(wide).substr(0, half))
        .matches(std::u16string_view(wide).substr(half));

    MemoryStorage db;
    addTables(db);
    const auto before = db.table(u"data")->rows();
    auto r = execute(std::string_view(text), db);
    if (!r.ok() && db.table(u"data")->rows() != before)
        std::abort();
    if (r.ok() && r->kind == StatementKind::Select && r->values.size() != r->rowCount() * r->columns.size())
        std::abort();

    auto cond = parseCondition(std::string_view(text));
    if (cond.ok()) {
        auto compiled = compileCondition(*cond, db.table(u"data")->columns());
        if (compiled.ok())
            for (const auto& row : db.table(u"data")->rows())
                (void)compiled->matches(row);
    }
    return 0;
}
