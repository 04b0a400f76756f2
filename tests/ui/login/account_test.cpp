// The account settings window 用户密码设置 opened from the main window's menu, with the real
// handlers of the main, account and login windows, a real `db` in a program directory of the test's
// own and the message boxes answered by script: the checks and their order, insert and update of
// the account row, the next login with the new values, 取消, and a statement the database refuses.
// An account changed twice with the logins after it is a window scenario
// (tests/scenarios/query_account_scenarios.cpp).
#include "runtime/qt/access.h"
#include "app/effects.h"
#include "jet/create.h"
#include "runtime/qt/widgets.h"
#include "store/credential.h"
#include "store/program_values.h"
#include "store/schema.h"
#include "ui/login/account.h"
#include "ui/login/login.h"
#include "ui/main/main_window.h"
#include "ui/query_and_account.h"

#include "../scenario.h"
#include "tests/ui/window_tests.h"

#include <QLineEdit>

namespace {

const char* const kAccount = "用户密码设置";

QString code(const char* password) {
    return QString::fromLatin1(store::passwordCode(rt::Text(password)).c_str());
}

} // namespace

class AccountTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtimeDir_;
    scenario::Program p_;

    rt::Form& main() { return p_.main(); }
    rt::Form& account() { return rt::form(kAccount); }
    void type(const char* box, const rt::Text& t) { QVERIFY2(rt::testing::type(account().control(box), t), box); }
    void confirm() { scenario::click(account(), "确认"); }
    // The queued close of the window, if the handler asked for one, is carried out.
    void settle() { QCoreApplication::processEvents(); }
    std::vector<QStringList> admin() { return p_.rows(u"admin"); }
    bool statementSetOpen() { return main().recordSet("记录集2").isOpen(); }

    // The menu item 用户密码设置 of the main window, with `body` run while the window is up.
    void withAccount(const std::function<void()>& body) {
        QVERIFY(main().menuItem("用户密码设置").visible());
        const bool ran = scenario::whileModal(
            kAccount, [this] { QVERIFY(main().menuItem("用户密码设置").choose()); }, body);
        QVERIFY(ran);
        QVERIFY(!rt::isLoaded(kAccount));
    }

    // The one box that must have come, owned by the account window.
    void expectBox(const char* text, const char* caption, int icon) {
        QCOMPARE(p_.boxes->calls().size(), size_t(1));
        const rt::MessageBoxCall& box = p_.boxes->calls().back();
        QCOMPARE(box.text, rt::Text(text));
        QCOMPARE(box.caption, rt::Text(caption));
        QCOMPARE(box.style, icon); // OK only; owned, so not task-modal
        QVERIFY(box.owner == &account());
        p_.boxes->clear();
    }

    // Stores name and password through the window and expects success.
    void setAccount(const rt::Text& name, const rt::Text& password) {
        withAccount([&] {
            type("用户名编辑框", name);
            type("密码编辑框", password);
            confirm();
            expectBox("操作成功！", "信息：", rt::MbIconInformation);
            settle();
            QVERIFY(!rt::isLoaded(kAccount));
        });
        QVERIFY(!statementSetOpen());
    }

    // The login window's check with these values: true when it lets the user in.
    bool login(const rt::Text& name, const rt::Text& password) {
        if (!rt::loadForm("用户登录"))
            return false;
        rt::Form& f = rt::form("用户登录");
        rt::testing::type(f.control("用户框"), name);
        rt::testing::type(f.control("口令框"), password);
        p_.boxes->clear();
        scenario::click(f, "登录");
        settle();
        const bool in = !rt::isLoaded("用户登录");
        if (rt::isLoaded("用户登录")) {
            f.destroy();
            settle();
        }
        p_.boxes->clear();
        return in;
    }

private slots:
    void initTestCase() {
        QVERIFY(windowtests::setUpRuntime(runtimeDir_));
        ui::registerLoginHandlers();
        ui::registerMainWindowHandlers();
        ui::registerQueryAndAccountHandlers();
        store::credentialKey.set(store::deriveCredentialKey(store::kSplashCredit));
    }
    void init() {
        QVERIFY(p_.start());
        QVERIFY(p_.connect());
        p_.boxes->clear(); // the empty table's message
    }
    void cleanup() { p_.stop(); }

    void everyBindingOfTheFormHasItsHandler() {
        for (const QString& key : rt::qt::strings(rt::missingHandlers()))
            QVERIFY2(!key.startsWith(QString::fromUtf8(kAccount) + QLatin1Char('.')), qPrintable(key));
    }

    void statementTexts() {
        QCOMPARE(
            ui::accountStatement(0, "tamsu", "0123456789abcdef0123456789abcdef"),
            rt::Text(
                "insert into admin (id,name,code) values (1,'tamsu','0123456789abcdef0123456789abcdef')"));
        QCOMPARE(ui::accountStatement(1, "tamsu", "c0de"),
                 rt::Text("update admin set name='tamsu',code='c0de' where id=1"));
        QCOMPARE(ui::accountStatement(-1, "张三", "c0de"),
                 rt::Text("update admin set name='张三',code='c0de' where id=1"));
        QCOMPARE(ui::accountStatement(2, "O'Neil", "c0de"),
                 rt::Text("update admin set name='O''Neil',code='c0de' where id=1"));
    }

    // Dressed, modal, without owner; the name box takes at most 10 characters and the password box
    // shows stars.
    void windowIsDressed() {
        withAccount([this] {
            rt::Form& f = account();
            QVERIFY(f.isModal());
            QVERIFY(!f.owner());
            QCOMPARE(f.caption(), rt::Text("用户密码设置"));
            auto* client = static_cast<rt::detail::ClientArea*>(rt::qt::clientArea(f));
            QCOMPARE(client->picture(), rt::qt::image(app::sharedBackground()));
            for (const char* name : {"确认", "取消"}) {
                QCOMPARE(f.button(name).picture(rt::SuperButton::Normal), app::buttonPicture(0));
                QCOMPARE(f.button(name).picture(rt::SuperButton::Hover), app::buttonPicture(1));
                QCOMPARE(f.button(name).picture(rt::SuperButton::Disabled), app::buttonPicture(2));
            }
            auto* nameEdit = qobject_cast<QLineEdit*>(rt::qt::widget(f.control("用户名编辑框")));
            auto* passwordEdit = qobject_cast<QLineEdit*>(rt::qt::widget(f.control("密码编辑框")));
            QVERIFY(nameEdit && passwordEdit);
            QVERIFY(rt::testing::type(f.control("用户名编辑框"), "abcdefghijkl"));
            QCOMPARE(f.control("用户名编辑框").text(), rt::Text("abcdefghij"));
            QCOMPARE(passwordEdit->echoMode(), QLineEdit::Password);
            const QString longPassword(40, QLatin1Char('p'));
            QVERIFY(rt::testing::type(f.control("密码编辑框"), rt::Text(longPassword)));
            QCOMPARE(f.control("密码编辑框").text(), rt::Text(longPassword));
        });
        QVERIFY(p_.boxes->calls().empty());
    }

    // The form's size is the window's outer size; the controls, the buttons included, lie wholly
    // in the client area inside the frame.
    void outerSizeHoldsTheControls() {
        withAccount([this] {
            rt::Form& f = account();
            QCOMPARE(QSize(f.width(), f.height()), QSize(301, 155));
            QCOMPARE(rt::qt::window(f)->frameGeometry().size(), QSize(301, 155));
            const QRect client(QPoint(0, 0), rt::qt::clientArea(f)->size());
            for (const char* name : {"用户名编辑框", "密码编辑框", "确认", "取消"})
                QVERIFY2(client.contains(rt::qt::widget(f.control(name))->geometry()), name);
        });
    }

    // Enter in a box confirms, as 确认 does; Esc closes the window without saving.
    void enterConfirmsAndEscapeCancels() {
        const auto before = admin();
        withAccount([this] {
            type("用户名编辑框", "tamsu");
            type("密码编辑框", "pw");
            QVERIFY(rt::testing::pressKey(account().control("用户名编辑框"), "Esc"));
            settle();
            QVERIFY(!rt::isLoaded(kAccount));
        });
        QVERIFY(p_.boxes->calls().empty());
        QCOMPARE(admin(), before);
        withAccount([this] {
            type("用户名编辑框", "enter");
            type("密码编辑框", "pw2");
            QVERIFY(rt::testing::pressKey(account().control("密码编辑框"), "Enter"));
            expectBox("操作成功！", "信息：", rt::MbIconInformation);
            settle();
            QVERIFY(!rt::isLoaded(kAccount));
        });
        QCOMPARE(admin(), std::vector<QStringList>({{"1", "enter", code("pw2")}}));
    }

    // Both empty: only the name is asked for; then the password. Nothing is written, the statement
    // set is closed and the window stays.
    void emptyBoxesAreAskedForInOrder() {
        const auto before = admin();
        withAccount([this] {
            account().control("密码编辑框").setFocus();
            confirm();
            expectBox("请输入用户名", "错误:", rt::MbIconError);
            QVERIFY(account().control("用户名编辑框").hasFocus());
            QVERIFY(!statementSetOpen());

            type("用户名编辑框", "tamsu");
            account().control("用户名编辑框").setFocus();
            confirm();
            expectBox("请输入你要设置的密码", "错误:", rt::MbIconError);
            QVERIFY(account().control("密码编辑框").hasFocus());
            QVERIFY(!statementSetOpen());

            // A password without a name: the name again.
            type("用户名编辑框", "");
            type("密码编辑框", "pw");
            confirm();
            expectBox("请输入用户名", "错误:", rt::MbIconError);
            settle();
            QVERIFY(rt::isLoaded(kAccount));
        });
        QCOMPARE(admin(), before);
    }

    // An empty table gets the row with id 1.
    void insertIntoAnEmptyTable() {
        QVERIFY(p_.run("delete from admin"));
        QVERIFY(!login("tamsu", "pw"));
        setAccount("tamsu", "pw");
        QCOMPARE(admin(), std::vector<QStringList>({{"1", "tamsu", code("pw")}}));
        QVERIFY(login("tamsu", "pw"));
    }

    // Only the row with id 1 is the account.
    void updateTouchesOnlyTheFirstRow() {
        QVERIFY(p_.run("insert into admin (id,name,code) values (2,'other','abc')"));
        setAccount("tamsu", "pw");
        QCOMPARE(admin(), std::vector<QStringList>({{"1", "tamsu", code("pw")}, {"2", "other", "abc"}}));
    }

    // Blanks count: a name and a password of spaces are stored as typed.
    void spacesAreStoredAsTyped() {
        setAccount("   ", "  ");
        QCOMPARE(admin(), std::vector<QStringList>({{"1", "   ", code("  ")}}));
        QVERIFY(login("   ", "  "));
        QVERIFY(!login("  ", "  "));
    }

    // Quotes in the name are stored as typed and the login accepts them.
    void quotesInTheNameAreStoredAsTyped() {
        setAccount("O'Neil", "pw");
        QCOMPARE(admin(), std::vector<QStringList>({{"1", "O'Neil", code("pw")}}));
        QVERIFY(login("O'Neil", "pw"));
        setAccount("'';--", "pw");
        QCOMPARE(admin(), std::vector<QStringList>({{"1", "'';--", code("pw")}}));
        QVERIFY(login("'';--", "pw"));
    }

    // Ten Chinese characters fit the name box and the column.
    void tenChineseCharacters() {
        setAccount("一二三四五六七八九十", "pw");
        QCOMPARE(admin()[0][1], QStringLiteral("一二三四五六七八九十"));
        QVERIFY(login("一二三四五六七八九十", "pw"));
    }

    // 取消 closes the window without a word and without writing.
    void cancelWritesNothing() {
        const auto before = admin();
        withAccount([this] {
            type("用户名编辑框", "tamsu");
            type("密码编辑框", "pw");
            scenario::click(account(), "取消");
            settle();
            QVERIFY(!rt::isLoaded(kAccount));
        });
        QVERIFY(p_.boxes->calls().empty());
        QCOMPARE(admin(), before);
    }

    // A statement the database refuses (here the code column of a damaged admin table is too
    // short for a password code): the data layer's box, then "操作错误：" with the data layer's
    // reason; the window stays with its input and nothing is written.
    void refusedStatementKeepsTheWindow() {
        p_.stop();
        QVERIFY(p_.start(false));
        auto tables = store::ledrimoTables({{1, u"old", u"short"}});
        QCOMPARE(tables[1].name, std::u16string(u"admin"));
        tables[1].columns[2].length = 16;
        jet::CreateOptions options;
        auto file = jet::createDatabase(options, tables);
        QVERIFY2(file.ok(), file.ok() ? "" : file.error().describe().c_str());
        QVERIFY(jet::writeNewFile(p_.dbPath().toStdString(), *file).ok());
        QVERIFY(p_.connect());
        p_.boxes->clear();

        withAccount([this] {
            type("用户名编辑框", "tamsu");
            type("密码编辑框", "pw");
            confirm();
            QCOMPARE(p_.boxes->calls().size(), size_t(2));
            const rt::MessageBoxCall& data = p_.boxes->calls()[0];
            QCOMPARE(data.caption, rt::Text(rt::kDataErrorCaption));
            QVERIFY(!data.text.empty());
            const rt::MessageBoxCall& box = p_.boxes->calls()[1];
            const QString text = box.text.toQString();
            qInfo("%s", qPrintable(text));
            QVERIFY2(text.startsWith(QStringLiteral("操作错误：")), qPrintable(text));
            QVERIFY2(text.size() > QStringLiteral("操作错误：").size(), qPrintable(text));
            QVERIFY2(!text.contains(QStringLiteral("数据库没有给出原因")), qPrintable(text));
            // The reason is the data layer's, the same it showed in its own box.
            QVERIFY2(text.contains(data.text.toQString()), qPrintable(text + " / " + data.text.toQString()));
            QCOMPARE(box.caption, rt::Text("错误："));
            QCOMPARE(box.style, int(rt::MbIconError));
            QVERIFY(box.owner == &account());
            p_.boxes->clear();
            settle();
            QVERIFY(rt::isLoaded(kAccount));
            QCOMPARE(account().control("用户名编辑框").text(), rt::Text("tamsu"));
            QCOMPARE(account().control("密码编辑框").text(), rt::Text("pw"));
        });
        QCOMPARE(admin(), std::vector<QStringList>({{"1", "old", "short"}}));
    }

    // Without a table `admin` the row count cannot be told: the update is tried and fails with
    // the data layer's reason.
    void missingAdminTableFails() {
        p_.stop();
        QVERIFY(p_.start(false));
        auto tables = store::ledrimoTables();
        tables.pop_back();
        auto file = jet::createDatabase(jet::CreateOptions{}, tables);
        QVERIFY(file.ok());
        QVERIFY(jet::writeNewFile(p_.dbPath().toStdString(), *file).ok());
        QVERIFY(p_.connect());
        p_.boxes->clear();
        withAccount([this] {
            type("用户名编辑框", "tamsu");
            type("密码编辑框", "pw");
            confirm();
            QVERIFY(p_.boxes->calls().size() >= 2);
            const rt::MessageBoxCall& box = p_.boxes->calls().back();
            QVERIFY2(box.text.toQString().startsWith(QStringLiteral("操作错误：")),
                     qPrintable(box.text.toQString()));
            QVERIFY(!box.text.toQString().contains(QStringLiteral("数据库没有给出原因")));
            QCOMPARE(box.caption, rt::Text("错误："));
            settle();
            QVERIFY(rt::isLoaded(kAccount));
        });
    }
};

QTEST_MAIN(AccountTest)
#include "account_test.moc"
