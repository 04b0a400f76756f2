// What the window scenarios share: a program directory of the test's own with a real `db`, the
// windows with their real handlers, statements run straight on the engine as another program
// would run them, and every message box answered by script. Plain C++ against the runtime's
// interface, so that every window system's backend runs the same scenarios.
#pragma once

#include "app/instance_guard.h"
#include "jet/database.h"
#include "jet/sql_engine.h"
#include "runtime/runtime.h"
#include "runtime/testing.h"
#include "store/database_file.h"
#include "store/entry_statements.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace scenario {

namespace user = rt::testing;

// A folder of its own under the system's temporary folder, removed with everything in it when
// the object goes.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string utf8() const; // the path as UTF-8
    std::string utf8(const char* name) const; // a file in it

private:
    std::filesystem::path path_;
};

// A value as text: texts as they are, integers in decimal, dates as their day number, null as "".
std::string textOf(const jet::Value& v);

// A date number as textOf writes it.
std::string dayText(double days);

// Every row of `table` in the file `db` as the engine reads it, in table order, each value as text
// (textOf). A file or row the engine cannot read fails the test and gives what was read so far.
std::vector<std::vector<std::string>> engineRows(const std::string& db, std::u16string_view table);
// Runs a statement straight on the engine, as another program would. False, with the reason added
// to the test's failure, when the file does not open or the statement fails.
bool runOnEngine(const std::string& db, const rt::Text& statement);

// The fixture: a program directory with `db` restored from the program's image, the instance
// guard held, message boxes scripted. Each test loads the window it starts from.
class Scenario : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A `db` removed again (or replaced by what a test writes there).
    std::string dbPath() const { return dir_->utf8("db"); }
    rt::Form& main() { return rt::form("主窗口"); }
    // Loads the main window as the login does.
    void loadMain() { ASSERT_TRUE(rt::loadForm("主窗口")); }
    // 打开数据库: connects and shows the first entry.
    void connect() {
        ASSERT_EQ(main().menuItem("打开数据库").caption(), rt::Text("打开数据库"));
        ASSERT_TRUE(main().menuItem("打开数据库").choose());
        ASSERT_EQ(main().menuItem("打开数据库").caption(), rt::Text("断开数据库连接"));
    }
    bool run(const rt::Text& statement) { return runOnEngine(dbPath(), statement); }
    std::vector<std::vector<std::string>> rows(std::u16string_view table) { return engineRows(dbPath(), table); }
    // The identifiers of the stored entries, in table order.
    std::vector<std::string> storedIds();

    // Clicks a button of a form that must be there to click.
    void click(rt::Form& f, const char* button) { ASSERT_TRUE(user::click(f.control(button))) << button; }
    void type(rt::Form& f, const char* box, const rt::Text& text) {
        ASSERT_TRUE(user::type(f.control(box), text)) << box;
    }
    void choose(rt::Form& f, const char* item) { ASSERT_TRUE(f.menuItem(item).choose()) << item; }

    // The one box that came (and the record of it cleared).
    void expectOneBox(const rt::Text& text, const rt::Text& caption, int style, rt::Form* owner);

    std::unique_ptr<TemporaryFolder> dir_;
    std::unique_ptr<rt::ScriptedMessageBoxes> boxes_;
};

// An entry as the tests store it: 姓名 `name`, 公司名称 公司<name>, 公司地址 地址<name>, joined
// 2009-03-01, worked 2010-07-<day> for <day> hours, 备注<name>, saved that day at 18:00.
store::EntryValues entry(const char* name, const rt::Text& id, int day = 1);
// n entries 甲, 乙, 丙, ... with identifiers GZ-00001 ... and days 1 ... n.
std::vector<store::EntryValues> entries(int n);
rt::Text identifier(int number); // GZ-00001 ...

} // namespace scenario
