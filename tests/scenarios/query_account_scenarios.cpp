// The date query 查询 and the account settings 用户密码设置, modal windows opened from the main
// window's menu: a hit and a miss with what the main window shows after them, and an account
// change with the next logins.
#include "tests/scenarios/scenario.h"

#include "store/credential.h"
#include "store/program_values.h"
#include "store/schema.h"

#include <functional>

namespace scenario {
namespace {

const char* const kQuery = "查询";
const char* const kAccount = "用户密码设置";

class DateQuery : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        loadMain();
    }

    rt::Form& query() { return rt::form(kQuery); }
    rt::Text shownName() { return main().control("姓名编辑框").text(); }
    rt::Text shownId() { return main().control("序号标签").caption(); }
    bool searchEnabled() { return query().control("超级按钮1").enabled(); }

    // Entries of 14 July, 20 July and 5 August 2010 (in that table order).
    void storeSummer() {
        const struct {
            const char* name;
            int month, day;
        } days[] = {{"甲", 7, 14}, {"乙", 7, 20}, {"丙", 8, 5}};
        int number = 0;
        for (const auto& d : days) {
            store::EntryValues v = entry(d.name, identifier(++number));
            v.workDay = rt::makeDate(2010, d.month, d.day);
            v.hours = "8";
            v.savedAt = rt::makeDate(2010, d.month, d.day, 18, 0, 0);
            ASSERT_TRUE(run(store::insertStatement(v)));
        }
    }
    void pick(int year, int month, int day) {
        ASSERT_TRUE(user::pickDate(query().dateBox("日期框1"), rt::makeDate(year, month, day)));
        EXPECT_EQ(query().dateBox("日期框1").value(), rt::makeDate(year, month, day));
    }
    void search() { click(query(), "超级按钮1"); }

    // The menu item 查询 of the main window, with `body` run while the window is up.
    void withQuery(const std::function<void()>& body) {
        ASSERT_TRUE(main().menuItem("查询").enabled());
        main().control("姓名编辑框").setFocus();
        bool chosen = false;
        const bool ran = user::whileModal(kQuery, [&] { chosen = main().menuItem("查询").choose(); }, body);
        EXPECT_TRUE(chosen);
        EXPECT_TRUE(ran);
        EXPECT_FALSE(rt::isLoaded(kQuery));
#ifdef _WIN32
        // The keyboard is the main window's again, not another program's, and in the box it was
        // in. (Qt's offscreen platform, where the Linux run takes place, hands the activation to
        // no window.)
        EXPECT_EQ(user::activeForm(), &main());
        EXPECT_TRUE(main().control("姓名编辑框").hasFocus());
#endif
    }

    void expectMiss(const char* day) {
        expectOneBox("没有 [" + rt::Text(day) + "] 该条记录，请确认日期！", "查询出错了",
                     rt::MbIconWarning | rt::MbTaskModal, nullptr); // OK only, task-modal
    }
};

// A hit is shown in the main window and disables the button until another date is picked; the
// browsing set stands on the entry found.
TEST_F(DateQuery, AHitIsShownInTheMainWindow) {
    storeSummer();
    connect();
    EXPECT_EQ(shownName(), rt::Text("甲"));
    withQuery([this] {
        pick(2010, 7, 20);
        search();
        EXPECT_TRUE(boxes_->calls().empty());
        EXPECT_EQ(shownName(), rt::Text("乙"));
        EXPECT_EQ(shownId(), rt::Text("GZ-00002"));
        EXPECT_EQ(main().dateBox("年编辑框").value(), rt::makeDate(2010, 7, 20));
        EXPECT_EQ(main().statusBar("状态条1").paneText(1), rt::Text("共有: 3 条数据"));
        EXPECT_FALSE(searchEnabled());

        // The disabled button takes no click.
        main().control("姓名编辑框").setText("改过");
        EXPECT_FALSE(user::click(query().control("超级按钮1")));
        EXPECT_EQ(shownName(), rt::Text("改过"));
        EXPECT_TRUE(boxes_->calls().empty());

        // A change of date, even back and forth, enables it again.
        pick(2010, 7, 14);
        EXPECT_TRUE(searchEnabled());
        pick(2010, 7, 20);
        search();
        EXPECT_EQ(shownName(), rt::Text("乙"));
        EXPECT_FALSE(searchEnabled());
    });
    // The next entry after the one found is 5 August.
    EXPECT_TRUE(main().menuItem("下一条").choose());
    EXPECT_EQ(shownName(), rt::Text("丙"));
    EXPECT_TRUE(boxes_->calls().empty());
}

// A miss names the date, keeps the button enabled and the main window as it was; the main
// window's next move starts from the entry it shows.
TEST_F(DateQuery, AMissKeepsTheMainWindowAsItWas) {
    storeSummer();
    connect();
    EXPECT_TRUE(main().menuItem("下一条").choose());
    EXPECT_EQ(shownName(), rt::Text("乙"));
    type(main(), "工作备注编辑框", "屏幕上的备注");
    withQuery([this] {
        pick(2010, 7, 15);
        search();
        expectMiss("2010年7月15日");
        EXPECT_TRUE(searchEnabled());
        EXPECT_EQ(shownName(), rt::Text("乙"));
        EXPECT_EQ(main().control("工作备注编辑框").text(), rt::Text("屏幕上的备注"));
        // The same date again: the same message.
        search();
        expectMiss("2010年7月15日");
    });
    EXPECT_TRUE(main().menuItem("下一条").choose());
    EXPECT_EQ(shownName(), rt::Text("丙"));
    EXPECT_TRUE(main().menuItem("上一条").choose());
    EXPECT_TRUE(main().menuItem("上一条").choose());
    EXPECT_EQ(shownName(), rt::Text("甲"));
}

class Account : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        store::credentialKey.set(store::deriveCredentialKey(store::kSplashCredit));
        loadMain();
        connect();
        boxes_->clear(); // the empty table's message
    }

    rt::Form& account() { return rt::form(kAccount); }
    std::vector<std::vector<std::string>> admin() { return rows(u"admin"); }
    static std::string code(const char* password) { return store::passwordCode(rt::Text(password)); }

    // Stores name and password through the window and expects success.
    void setAccount(const rt::Text& name, const rt::Text& password) {
        ASSERT_TRUE(main().menuItem("用户密码设置").visible());
        const bool ran = user::whileModal(kAccount, [&] { main().menuItem("用户密码设置").choose(); }, [&] {
            type(account(), "用户名编辑框", name);
            type(account(), "密码编辑框", password);
            click(account(), "确认");
            expectOneBox("操作成功！", "信息：", rt::MbIconInformation, &account()); // owned: not task-modal
            user::runEvents(0);
            EXPECT_FALSE(rt::isLoaded(kAccount));
        });
        EXPECT_TRUE(ran);
        EXPECT_FALSE(rt::isLoaded(kAccount));
        EXPECT_FALSE(main().recordSet("记录集2").isOpen());
    }

    // The login window's check with these values: true when it lets the user in.
    bool login(const rt::Text& name, const rt::Text& password) {
        if (!rt::loadForm("用户登录"))
            return false;
        rt::Form& f = rt::form("用户登录");
        user::type(f.control("用户框"), name);
        user::type(f.control("口令框"), password);
        boxes_->clear();
        user::click(f.control("登录"));
        user::runEvents(0);
        const bool in = !rt::isLoaded("用户登录");
        if (rt::isLoaded("用户登录")) {
            f.destroy();
            user::runEvents(0);
        }
        boxes_->clear();
        return in;
    }
};

// The restored database has the account row: it is updated, and the next login takes the new
// values and no longer the old ones; a second change changes the same row.
TEST_F(Account, AChangedAccountLogsInAndTheOldDoesNot) {
    const rt::Text oldName = rt::Text::fromUtf8(store::kDefaultUserName);
    const rt::Text oldPassword = rt::Text::fromUtf8(store::kDefaultPassword);
    ASSERT_EQ(admin().size(), size_t(1));
    EXPECT_EQ(rt::Text::fromUtf8(admin()[0][1]), oldName);
    EXPECT_TRUE(login(oldName, oldPassword));
    setAccount("王五", "秘密 123");
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(admin(), (Rows{{"1", "王五", code("秘密 123")}}));
    EXPECT_TRUE(login("王五", "秘密 123"));
    EXPECT_FALSE(login("王五", oldPassword));
    EXPECT_FALSE(login(oldName, oldPassword));
    EXPECT_FALSE(login(oldName, "秘密 123"));
    setAccount("李四", "x");
    EXPECT_EQ(admin(), (Rows{{"1", "李四", code("x")}}));
    EXPECT_TRUE(login("李四", "x"));
}

} // namespace
} // namespace scenario
