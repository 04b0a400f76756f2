#include "tests/scenarios/scenario.h"

#include "platform/file.h"

#include <atomic>
#include <cstdio>

namespace scenario {

TemporaryFolder::TemporaryFolder() {
    static std::atomic<int> counter{0};
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string name = "ledrimo-scenario-" + std::to_string(platform::processId()) + "-" +
                                 std::to_string(counter++);
        std::error_code error;
        if (std::filesystem::create_directory(base / name, error)) {
            path_ = base / name;
            return;
        }
    }
    ADD_FAILURE() << "no temporary folder under " << base.string();
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code error;
    if (!path_.empty())
        std::filesystem::remove_all(path_, error);
}

std::string TemporaryFolder::utf8() const {
    const std::u8string s = path_.u8string();
    return std::string(s.begin(), s.end());
}

std::string TemporaryFolder::utf8(const char* name) const {
    const std::u8string s = (path_ / std::filesystem::u8path(name)).u8string();
    return std::string(s.begin(), s.end());
}

std::string textOf(const jet::Value& v) {
    if (const auto* s = std::get_if<std::u16string>(&v))
        return jet::toUtf8(*s);
    if (const auto* i = std::get_if<int32_t>(&v))
        return std::to_string(*i);
    if (const auto* d = std::get_if<jet::DateTime>(&v))
        return dayText(d->days);
    return {};
}

std::string dayText(double days) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", days);
    return text;
}

std::vector<std::vector<std::string>> engineRows(const std::string& db, std::u16string_view table) {
    std::vector<std::vector<std::string>> out;
    auto database = jet::Database::open(db);
    if (!database.ok()) {
        ADD_FAILURE() << database.error().describe();
        return out;
    }
    auto t = (*database)->openTable(table);
    if (!t.ok()) {
        ADD_FAILURE() << t.error().describe();
        return out;
    }
    auto ids = (*t)->rowIds();
    if (!ids.ok()) {
        ADD_FAILURE() << ids.error().describe();
        return out;
    }
    for (const auto& id : *ids) {
        auto values = (*t)->readRow(id);
        if (!values.ok()) {
            ADD_FAILURE() << values.error().describe();
            return out;
        }
        std::vector<std::string> row;
        for (const jet::Value& v : *values)
            row.push_back(textOf(v));
        out.push_back(std::move(row));
    }
    return out;
}

bool runOnEngine(const std::string& db, const rt::Text& statement) {
    auto connection = jet::sql::Connection::open(db);
    if (!connection.ok()) {
        ADD_FAILURE() << connection.error().describe();
        return false;
    }
    auto result = (*connection)->execute(statement.toUtf8());
    if (!result.ok())
        ADD_FAILURE() << statement.toUtf8() << ": " << result.error().describe();
    return result.ok();
}

void Scenario::SetUp() {
    dir_ = std::make_unique<TemporaryFolder>();
    ASSERT_FALSE(dir_->path().empty());
    rt::setProgramDirectoryForTests(rt::Text::fromUtf8(dir_->utf8()));
    ASSERT_TRUE(store::restoreDatabase());
    ASSERT_EQ(app::acquireInstanceGuard(), app::GuardResult::Acquired);
    boxes_ = std::make_unique<rt::ScriptedMessageBoxes>();
}

void Scenario::TearDown() {
    boxes_.reset();
    rt::setPopupMenuHook({});
    for (const rt::Text& name : rt::formNames())
        if (rt::isLoaded(name))
            rt::form(name).destroy();
    user::runUntil([] { return rt::loadedFormCount() == 0; }, 5000);
    user::runEvents(0);
    app::closeInstanceGuard();
    rt::setProgramDirectoryForTests({});
    dir_.reset();
}

std::vector<std::string> Scenario::storedIds() {
    std::vector<std::string> ids;
    for (const auto& row : rows(u"data"))
        ids.push_back(row.at(8));
    return ids;
}

void Scenario::expectOneBox(const rt::Text& text, const rt::Text& caption, int style, rt::Form* owner) {
    ASSERT_EQ(boxes_->calls().size(), size_t(1));
    const rt::MessageBoxCall& box = boxes_->calls().back();
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.style, style);
    EXPECT_EQ(box.owner, owner);
    boxes_->clear();
}

store::EntryValues entry(const char* name, const rt::Text& id, int day) {
    store::EntryValues v;
    v.name = name;
    v.company = rt::Text("公司") + name;
    v.address = rt::Text("地址") + name;
    v.joined = rt::makeDate(2009, 3, 1);
    v.workDay = rt::makeDate(2010, 7, day);
    v.hours = rt::toText(day);
    v.notes = rt::Text("备注") + name;
    v.savedAt = rt::makeDate(2010, 7, day, 18, 0, 0);
    v.id = id;
    return v;
}

rt::Text identifier(int number) {
    char id[16];
    std::snprintf(id, sizeof id, "GZ-%05d", number);
    return rt::Text(id);
}

std::vector<store::EntryValues> entries(int n) {
    static const char* const names[] = {"甲", "乙", "丙", "丁", "戊", "己"};
    std::vector<store::EntryValues> out;
    for (int i = 0; i < n; ++i)
        out.push_back(entry(names[i % 6], identifier(i + 1), i + 1));
    return out;
}

} // namespace scenario
