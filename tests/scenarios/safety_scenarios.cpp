// A damaged `db` as the user meets it in the main window: the message that names the newest good
// copy of the day and the command that restores it; restored with that command, the program
// connects to the log.
#include "tests/scenarios/scenario.h"

#include "store/backup.h"
#include "store/database_file.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace scenario {
namespace {

// Overwrites the third page (4096 bytes) of a file with 'Z's.
bool damage(const std::filesystem::path& file) {
    std::fstream f(file, std::ios::in | std::ios::out | std::ios::binary);
    if (!f)
        return false;
    f.seekp(2 * 4096);
    const std::string page(4096, 'Z');
    f.write(page.data(), std::streamsize(page.size()));
    return bool(f);
}

class DamagedDatabase : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        loadMain();
    }
    void TearDown() override {
        store::waitForBackup();
        Scenario::TearDown();
    }
    // Connects and waits for the copy of the day to be written beside the window.
    void connectAndCopy() {
        connect();
        store::waitForBackup();
    }
};

// After the data layer's box, one message names the newest copy that checks out (not the newer
// damaged one) and the command; restored as it says, the program connects to the log again.
TEST_F(DamagedDatabase, TheAdviceNamesTheBackupToRestore) {
    for (int n = 1; n <= 4; ++n)
        ASSERT_TRUE(run("insert into data (姓名,上班日期,上班时间,时间,id) values ('张三','2024年3月" + rt::toText(n) +
                        "日',8,'2024年3月" + rt::toText(n) + "日18时','GZ-0000" + rt::toText(n) + "')"));
    connectAndCopy();
    ASSERT_TRUE(main().menuItem("打开数据库").choose()); // disconnects
    const store::Moment now = store::localNow();
    const std::filesystem::path backups = dir_->path() / "backup";
    const std::filesystem::path good = backups / store::dailyBackupName("db", now.day);
    const std::filesystem::path newerDamaged = backups / "db-9999-12-31.mdb";
    ASSERT_TRUE(std::filesystem::copy_file(good, newerDamaged));
    ASSERT_TRUE(damage(newerDamaged));
    ASSERT_TRUE(damage(dir_->path() / "db"));

    boxes_->clear();
    connect();
    const auto& calls = boxes_->calls();
    int advice = -1;
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].caption == rt::Text("数据库已损坏"))
            advice = int(i);
    ASSERT_GE(advice, 0) << "no message about the damaged database";
    // After the data layer's box (if it shows one), instead of the invitation to add.
    for (int i = 0; i < advice; ++i)
        EXPECT_EQ(calls[size_t(i)].caption, rt::Text(rt::kDataErrorCaption));
    EXPECT_EQ(size_t(advice) + 1, calls.size());
    int damagedMessages = 0;
    for (const auto& box : calls)
        damagedMessages += box.text.toUtf8().rfind("数据库文件已损坏", 0) == 0;
    EXPECT_EQ(damagedMessages, 1);
    const std::string text = calls[size_t(advice)].text.toUtf8();
    // The copy in the database's folder's "backup", named with the system's separator throughout.
#ifdef _WIN32
    const char separator = '\\';
#else
    const char separator = '/';
#endif
    std::string goodPath = dir_->utf8() + "/backup/" + store::dailyBackupName("db", now.day);
    std::replace(goodPath.begin(), goodPath.end(), '/', separator);
    EXPECT_NE(text.find("ledrimo-db restore " + dbPath() + " " + goodPath), std::string::npos) << text;
    EXPECT_NE(text.find("4 条记录"), std::string::npos) << text;
    EXPECT_EQ(text.find("9999"), std::string::npos) << text;

    // As the message says: leave the program, restore, start it again.
    main().destroy();
    user::runEvents(0);
    // The command as the message gives it, with the tool this build made.
    const size_t at = text.find("ledrimo-db restore ");
    ASSERT_NE(at, std::string::npos);
    const std::string line = text.substr(at, text.find_first_of("\r\n", at) - at);
    const std::string command = std::string("\"") + LEDRIMO_DB_TOOL + "\"" + line.substr(std::strlen("ledrimo-db"));
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    loadMain();
    boxes_->clear();
    connectAndCopy();
    EXPECT_TRUE(boxes_->calls().empty());
    EXPECT_EQ(main().statusBar("状态条1").paneText(1), rt::Text("共有: 4 条数据"));
}

} // namespace
} // namespace scenario
