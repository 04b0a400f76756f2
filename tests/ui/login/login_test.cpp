// The login window with its real handlers, a restored `db` in a program directory of the test's
// own, and the message boxes answered by script: the check and its order, the focus after each
// failure, refused close requests, 退出, and the way to the main window.
#include "runtime/qt/access.h"
#include "app/effects.h"
#include "app/instance_guard.h"
#include "runtime/picture.h"
#include "runtime/runtime.h"
#include "runtime/widgets.h"
#include "store/credential.h"
#include "store/database_file.h"
#include "store/program_values.h"
#include "tests/ui/window_tests.h"
#include "ui/login/login.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char* const kLogin = "用户登录";
const char* const kWrongInput = "输入错误！请联系管理人员，谢谢合作！";

} // namespace

// The checks that compare with the stored account must be able to read it.
#define REQUIRE_ACCOUNT() QVERIFY2(accountReadable(), "the restored database's account cannot be read")

class LoginTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtimeDir_;
    std::unique_ptr<QTemporaryDir> programDir_;
    std::unique_ptr<rt::ScriptedMessageBoxes> boxes_;

    rt::Form& login() { return rt::form(kLogin); }
    void type(const char* box, const char* text) { login().control(box).setText(text); }
    // Presses 登录 the way QAbstractButton::click does: the focus stays where it is.
    void pressLogin() { qobject_cast<QAbstractButton*>(rt::qt::widget(login().button("登录")))->click(); }
    QString focused() {
        for (const char* name : {"用户框", "口令框", "登录", "取消"})
            if (login().control(name).hasFocus())
                return QString::fromUtf8(name);
        return {};
    }
    // Whether the data-access objects can read the restored database. They are stand-ins that
    // fail every operation until they are built over our Jet engine, and the carried image is a
    // stand-in until it is generated from that engine; the checks that need the stored account
    // wait for both.
    bool accountReadable() {
        rt::CommonConnection c;
        rt::RecordSet r;
        return c.ConnectAccess(store::databasePath.get(), "") && r.SetConnection(c) && r.Open("admin", 2) &&
               r.MoveFirst();
    }
    void expectOneBox(const char* text) {
        QCOMPARE(boxes_->calls().size(), size_t(1));
        const rt::MessageBoxCall& box = boxes_->calls().back();
        QCOMPARE(box.text, rt::Text(text));
        QCOMPARE(box.caption, rt::Text("错误"));
        QCOMPARE(box.style, int(rt::MbIconWarning)); // OK only, exclamation, owned (not task-modal)
        QVERIFY(box.owner == &login());
        boxes_->clear();
    }

private slots:
    void initTestCase() {
        QVERIFY(windowtests::setUpRuntime(runtimeDir_));
        ui::registerLoginHandlers();
        // What start-up does before the login window: the credential key and a present `db`.
        store::credentialKey.set(store::deriveCredentialKey(store::kSplashCredit));
    }

    void init() {
        programDir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(programDir_->isValid());
        rt::setProgramDirectoryForTests(rt::Text(programDir_->path()));
        QVERIFY(store::restoreDatabase());
        boxes_ = std::make_unique<rt::ScriptedMessageBoxes>();
        QVERIFY(rt::loadForm(kLogin));
        QVERIFY(boxes_->calls().empty());
    }

    void cleanup() {
        boxes_.reset();
        for (const rt::Text& name : rt::formNames())
            if (rt::isLoaded(name))
                rt::form(name).destroy();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        app::closeInstanceGuard();
        rt::unregisterHandler("主窗口.created");
        rt::setProgramDirectoryForTests({});
    }

    void createdPreparesTheWindow() {
        rt::Form& f = login();
        QCOMPARE(f.caption(), rt::Text("用户登录-Ledrimo"));
        auto* client = static_cast<rt::detail::ClientArea*>(rt::qt::clientArea(f));
        QCOMPARE(client->picture(), rt::qt::image(app::loginPicture()));
        QCOMPARE(f.control("用户框").hasFocus(), true);
        QCOMPARE(f.button("登录").picture(rt::SuperButton::Normal), app::buttonPicture(0));
        QCOMPARE(f.button("取消").picture(rt::SuperButton::Disabled), app::buttonPicture(2));
        QVERIFY(f.visible());
        QCOMPARE(QRect(f.left(), f.top(), f.width(), f.height()), QRect(250, 324, 300, 152));
    }

    // An empty name is asked for even when a password was typed; the focus goes to 用户框.
    void emptyNameIsAskedFor() {
        type("口令框", "tamsu");
        login().control("口令框").setFocus();
        pressLogin();
        expectOneBox("请输入用户名");
        QCOMPARE(focused(), QStringLiteral("用户框"));
        QCOMPARE(ui::lastPasswordText.get(), rt::Text("tamsu"));
        QVERIFY(rt::isLoaded(kLogin));
    }

    // A name that is not the stored one: the message, the focus stays where it was.
    void wrongNameKeepsTheFocus() {
        type("用户框", "somebody");
        type("口令框", "secret");
        login().control("口令框").setFocus();
        pressLogin();
        expectOneBox(kWrongInput);
        QCOMPARE(focused(), QStringLiteral("口令框"));
        QCOMPARE(ui::lastPasswordText.get(), rt::Text("secret"));
        QVERIFY(!rt::isLoaded("主窗口"));
    }

    // A `db` that is a directory: the account cannot be read, so every name is wrong.
    void unreadableDatabaseRefusesEveryName() {
        QVERIFY(QFile::remove(programDir_->path() + QStringLiteral("/db")));
        QVERIFY(QDir(programDir_->path()).mkdir(QStringLiteral("db")));
        type("用户框", "tamsu");
        type("口令框", "tamsu");
        pressLogin();
        // The data layer may report its failed open first; the check's own message comes last.
        QVERIFY(!boxes_->calls().empty());
        QCOMPARE(boxes_->calls().back().text, rt::Text(kWrongInput));
        QVERIFY(rt::isLoaded(kLogin));
        QVERIFY(!rt::isLoaded("主窗口"));
    }

    void nameDifferingOnlyInCaseIsWrong() {
        REQUIRE_ACCOUNT();
        type("用户框", "Tamsu");
        type("口令框", "tamsu");
        login().control("用户框").setFocus();
        pressLogin();
        expectOneBox(kWrongInput);
        QCOMPARE(focused(), QStringLiteral("用户框"));
        type("用户框", "tamsu ");
        pressLogin();
        expectOneBox(kWrongInput);
    }

    // The right name with a wrong (or empty) password: the message, the focus goes to 口令框.
    void wrongPasswordMovesTheFocusToIt() {
        REQUIRE_ACCOUNT();
        for (const char* password : {"tamsU", "", "tamsu1", "密码"}) {
            type("用户框", "tamsu");
            type("口令框", password);
            login().control("用户框").setFocus();
            pressLogin();
            expectOneBox(kWrongInput);
            QCOMPARE(focused(), QStringLiteral("口令框"));
            QCOMPARE(ui::lastPasswordText.get(), rt::Text(password));
        }
        QVERIFY(!rt::isLoaded("主窗口"));
    }

    // Failures do not lock the account; the default account then logs in. The main window exists
    // before the login window goes, and the login's data objects are closed.
    void defaultAccountLogsIn() {
        REQUIRE_ACCOUNT();
        for (int attempt = 0; attempt < 3; ++attempt) {
            type("用户框", "tamsu");
            type("口令框", "wrong");
            pressLogin();
            expectOneBox(kWrongInput);
        }
        bool loginPresentWhenMainCreated = false;
        rt::registerHandler("主窗口.created", [&] { loginPresentWhenMainCreated = rt::isLoaded(kLogin); });
        type("用户框", "tamsu");
        type("口令框", "tamsu");
        pressLogin();
        QVERIFY(boxes_->calls().empty());
        QVERIFY(loginPresentWhenMainCreated);
        QVERIFY(rt::isLoaded("主窗口"));
        QVERIFY(!rt::form("主窗口").owner());
        QVERIFY(!login().recordSet("记录集").isOpen());
        QVERIFY(!login().connection("数据库连接").isOpen());
        QCoreApplication::processEvents();
        QVERIFY(!rt::isLoaded(kLogin));
        QVERIFY(rt::isLoaded("主窗口"));
    }

    // Enter in the password box logs in as 登录 does (a wrong password is refused the same way);
    // Enter on the focused 退出 button does not log in.
    void enterInThePasswordBoxLogsIn() {
        REQUIRE_ACCOUNT();
        QWidget* password = rt::qt::widget(login().control("口令框"));
        type("用户框", "tamsu");
        type("口令框", "wrong");
        login().control("取消").setFocus();
        QTest::keyClick(rt::qt::widget(login().control("取消")), Qt::Key_Return);
        QVERIFY(boxes_->calls().empty());
        login().control("口令框").setFocus();
        QTest::keyClick(password, Qt::Key_Return);
        expectOneBox(kWrongInput);
        QCOMPARE(focused(), QStringLiteral("口令框"));
        type("口令框", "tamsu");
        QTest::keyClick(password, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(boxes_->calls().empty());
        QVERIFY(rt::isLoaded("主窗口"));
        QCoreApplication::processEvents();
        QVERIFY(!rt::isLoaded(kLogin));
    }

    // Close requests from outside (close box, Alt+F4, a close event) leave the window as it is.
    void closeRequestsAreRefused() {
        QWidget* w = rt::qt::window(login());
        QVERIFY(!w->close());
        QCloseEvent e;
        QCoreApplication::sendEvent(w, &e);
        QTest::keyClick(w, Qt::Key_F4, Qt::AltModifier);
        QCoreApplication::processEvents();
        QVERIFY(rt::isLoaded(kLogin));
        QVERIFY(w->isVisible());
        QVERIFY(boxes_->calls().empty());
    }

    // 退出: the guard is released at once and the window slides off the screen and goes.
    void leaveClosesTheGuardAndTheWindow() {
        QCOMPARE(app::acquireInstanceGuard(), app::GuardResult::Acquired);
        QTest::mouseClick(rt::qt::widget(login().button("取消")), Qt::LeftButton);
        QVERIFY(!app::instanceGuardHeld());
        QCOMPARE(app::acquireInstanceGuard(), app::GuardResult::Acquired); // a new instance could start
        QCoreApplication::processEvents();
        QVERIFY(!rt::isLoaded(kLogin));
        QCOMPARE(rt::loadedFormCount(), 0);
        QVERIFY(boxes_->calls().empty());
    }
};

QTEST_MAIN(LoginTest)
#include "login_test.moc"
