// What the user's hands can and cannot do, as every backend must honour it: a hidden or disabled
// button takes no click, keystrokes follow the box's rules (number-only, multi-line), and only
// what a user can reach and name is acted on.
#include "tests/scenarios/scenario.h"

namespace scenario {
namespace {

class UserActions : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        loadMain();
        ASSERT_TRUE(run(store::insertStatement(entries(1)[0])));
        connect();
    }
    rt::Text text(const char* control) { return main().control(control).text(); }
};

TEST_F(UserActions, OnlyWhatTheUserCanReach) {
    // Browsing: 添加按钮 is hidden, so nothing is added.
    ASSERT_FALSE(main().control("添加按钮").visible());
    EXPECT_FALSE(user::click(main().control("添加按钮")));
    EXPECT_TRUE(boxes_->calls().empty());
    EXPECT_EQ(storedIds(), (std::vector<std::string>{"GZ-00001"}));

    // The hours box takes digits (and '-') only; the notes box takes Enter as a new line.
    type(main(), "上班时间编辑框", "1a2b3");
    EXPECT_EQ(text("上班时间编辑框"), rt::Text("123"));
    type(main(), "上班时间编辑框", "");
    EXPECT_EQ(text("上班时间编辑框"), rt::Text(""));
    type(main(), "工作备注编辑框", "第一行\r\n第二行");
    EXPECT_EQ(text("工作备注编辑框"), rt::Text("第一行\r\n第二行"));
    EXPECT_TRUE(main().control("工作备注编辑框").hasFocus());

    // A label is not typed into; a key without a name is not pressed; a row that is not there is
    // not clicked.
    EXPECT_FALSE(user::type(main().control("序号标签"), "x"));
    EXPECT_FALSE(user::pressKey(main(), "Ctrl+Bogus"));
    click(main(), "列表");
    ASSERT_TRUE(rt::isLoaded("列表查看"));
    EXPECT_FALSE(user::clickRow(rt::form("列表查看").listView("超级列表框1"), 1));

    // Disconnected: 修改按钮 is disabled, so nothing is changed.
    choose(main(), "打开数据库");
    ASSERT_FALSE(main().control("修改按钮").enabled());
    EXPECT_FALSE(user::click(main().control("修改按钮")));
    EXPECT_TRUE(boxes_->calls().empty());
    // A condition that never holds is given up at the time limit.
    EXPECT_FALSE(user::runUntil([] { return false; }, 20));
}

} // namespace
} // namespace scenario
