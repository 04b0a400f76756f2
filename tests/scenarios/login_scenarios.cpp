// The login window: wrong names and passwords refused with the focus where the user fixes them,
// and the default account's way to the main window, by 登录 and by Enter.
#include "tests/scenarios/scenario.h"

#include "store/credential.h"
#include "store/program_values.h"
#include "ui/login/login.h"
#include "ui/main/main_window.h"

namespace scenario {
namespace {

const char* const kLogin = "用户登录";
const char* const kWrongInput = "输入错误！请联系管理人员，谢谢合作！";

class Login : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        // What start-up does before the login window: the credential key and a present `db`.
        store::credentialKey.set(store::deriveCredentialKey(store::kSplashCredit));
        ASSERT_TRUE(rt::loadForm(kLogin));
        ASSERT_TRUE(boxes_->calls().empty());
    }

    rt::Form& login() { return rt::form(kLogin); }
    void enter(const char* name, const char* password) {
        type(login(), "用户框", name);
        type(login(), "口令框", password);
    }
    std::string focused() {
        for (const char* name : {"用户框", "口令框", "登录", "取消"})
            if (login().control(name).hasFocus())
                return name;
        return {};
    }
    // The check's one box: a warning owned by the login window, OK only.
    void expectWrongInput() {
        expectOneBox(kWrongInput, "错误", rt::MbIconWarning, &login());
    }
};

// The right name with a wrong (or empty) password: the message, the focus goes to 口令框; a name
// that is not the stored one (also one differing only in case or by a space) keeps the focus
// where it was. Failures do not lock the account.
TEST_F(Login, WrongNamesAndPasswordsAreRefused) {
    for (const char* password : {"tamsU", "", "tamsu1", "密码"}) {
        enter("tamsu", password);
        login().control("用户框").setFocus();
        click(login(), "登录");
        expectWrongInput();
        EXPECT_EQ(focused(), "口令框");
        EXPECT_EQ(ui::lastPasswordText.get(), rt::Text(password));
    }
    for (const char* name : {"somebody", "Tamsu", "tamsu "}) {
        enter(name, "tamsu");
        login().control("用户框").setFocus();
        click(login(), "登录");
        expectWrongInput();
        EXPECT_EQ(focused(), "用户框") << name;
    }
    enter("somebody", "secret");
    login().control("口令框").setFocus();
    click(login(), "登录");
    expectWrongInput();
    EXPECT_EQ(focused(), "口令框");
    EXPECT_EQ(ui::lastPasswordText.get(), rt::Text("secret"));
    EXPECT_FALSE(rt::isLoaded("主窗口"));
    EXPECT_TRUE(rt::isLoaded(kLogin));
}

// The default account logs in after failures: the main window exists before the login window
// goes, and the login's data objects are closed.
TEST_F(Login, TheDefaultAccountLogsIn) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        enter("tamsu", "wrong");
        click(login(), "登录");
        expectWrongInput();
    }
    bool loginPresentWhenMainCreated = false;
    rt::registerHandler("主窗口.created", [&] { loginPresentWhenMainCreated = rt::isLoaded(kLogin); });
    enter("tamsu", "tamsu");
    click(login(), "登录");
    ui::registerMainWindowHandlers(); // the main window's own created handler again
    EXPECT_TRUE(boxes_->calls().empty());
    EXPECT_TRUE(loginPresentWhenMainCreated);
    ASSERT_TRUE(rt::isLoaded("主窗口"));
    EXPECT_FALSE(rt::form("主窗口").owner());
    EXPECT_FALSE(login().recordSet("记录集").isOpen());
    EXPECT_FALSE(login().connection("数据库连接").isOpen());
    user::runEvents(0);
    EXPECT_FALSE(rt::isLoaded(kLogin));
    EXPECT_TRUE(rt::isLoaded("主窗口"));
}

// Enter in the password box logs in as 登录 does (a wrong password is refused the same way);
// Enter on the focused 退出 button does not log in.
TEST_F(Login, EnterInThePasswordBoxLogsIn) {
    enter("tamsu", "wrong");
    login().control("取消").setFocus();
    ASSERT_TRUE(user::pressKey(login().control("取消"), "Enter"));
    EXPECT_TRUE(boxes_->calls().empty());
    login().control("口令框").setFocus();
    ASSERT_TRUE(user::pressKey(login().control("口令框"), "Enter"));
    expectWrongInput();
    EXPECT_EQ(focused(), "口令框");
    type(login(), "口令框", "tamsu");
    ASSERT_TRUE(user::pressKey(login().control("口令框"), "KeypadEnter"));
    EXPECT_TRUE(boxes_->calls().empty());
    EXPECT_TRUE(rt::isLoaded("主窗口"));
    user::runEvents(0);
    EXPECT_FALSE(rt::isLoaded(kLogin));
}

} // namespace
} // namespace scenario
