// Real Ledrimo databases for the report tests: a new file with the program's tables, `data` filled
// through the engine with the entries given, in that order.
#pragma once

#include "jet/codec.h"
#include "jet/create.h"
#include "jet/database.h"
#include "jet/datetext.h"
#include "store/schema.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace worklog {

struct Entry {
    Entry(std::string date, std::optional<int32_t> hours, std::string id,
          std::string company = "深圳市某某电子科技有限公司", std::string notes = "",
          std::string name = "张三", std::string joined = "2019-03-01", std::string saved = "")
        : date(std::move(date)), hours(hours), id(std::move(id)), company(std::move(company)),
          notes(std::move(notes)), name(std::move(name)), joined(std::move(joined)), saved(std::move(saved)) {
    }

    std::string date;             // 上班日期 ("2026-10-01", a time may follow); "" for NULL
    std::optional<int32_t> hours; // 上班时间; nullopt for NULL
    std::string id;               // ID
    std::string company, notes, name;
    std::string joined; // 入厂时间; "" for NULL
    std::string saved;  // 时间; "" for NULL
};

inline jet::Value dateValue(const std::string& text) {
    if (text.empty())
        return jet::Null{};
    const auto d = jet::parseDateText(std::string_view(text));
    EXPECT_TRUE(d) << text;
    return jet::DateTime{d.value_or(0)};
}

inline jet::Value textValue(const std::string& text) {
    return jet::fromUtf8(text);
}

// Writes a new Ledrimo database at `path` (which must not exist) holding `entries`.
inline void writeLog(const std::string& path, const std::vector<Entry>& entries) {
    auto file = store::createLedrimoDatabase(jet::creationHeaderDate(), {});
    ASSERT_TRUE(file) << file.error().describe();
    ASSERT_TRUE(jet::writeNewFile(path, *file));
    jet::OpenOptions write;
    write.write = true;
    auto db = jet::Database::open(path, write);
    ASSERT_TRUE(db) << db.error().describe();
    ASSERT_TRUE((*db)->begin());
    for (const Entry& e : entries) {
        const std::vector<jet::Value> row = {
            textValue(e.name),
            textValue(e.company),
            textValue("广东省深圳市南山区科技园"),
            dateValue(e.joined),
            dateValue(e.date),
            e.hours ? jet::Value(*e.hours) : jet::Value(jet::Null{}),
            textValue(e.notes),
            dateValue(e.saved),
            textValue(e.id),
        };
        auto id = (*db)->insertRow(u"data", row);
        ASSERT_TRUE(id) << id.error().describe();
    }
    ASSERT_TRUE((*db)->commit());
}

} // namespace worklog
