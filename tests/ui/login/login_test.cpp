// The login window with its real handlers, a restored `db` in a program directory of the test's
// own, and the message boxes answered by script: how the window is dressed, an empty name, an
// unreadable account, refused close requests and 退出. Wrong names and passwords and the way to
// the main window are window scenarios (tests/scenarios/login_scenarios.cpp).
#include "runtime/qt/access.h"
#include "app/effects.h"
#include "app/instance_guard.h"
#include "runtime/picture.h"
#include "runtime/runtime.h"
#include "runtime/qt/widgets.h"
#include "runtime/testing.h"
#include "store/credential.h"
#include "store/database_file.h"
#include "store/program_values.h"
#include "tests/ui/window_tests.h"
#include "ui/login/login.h"

#include <QCloseEvent>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const char* const kLogin = "用户登录";
const char* const kWrongInput = "输入错误！请联系管理人员，谢谢合作！";

} // namespace

class LoginTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtimeDir_;
    std::unique_ptr<QTemporaryDir> programDir_;
    std::unique_ptr<rt::ScriptedMessageBoxes> boxes_;

    rt::Form& login() { return rt::form(kLogin); }
    void type(const char* box, const char* text) { QVERIFY(rt::testing::type(login().control(box), text)); }
    // Presses 登录: the focus stays where it is.
    void pressLogin() { QVERIFY(rt::testing::click(login().button("登录"))); }
    QString focused() {
        for (const char* name : {"用户框", "口令框", "登录", "取消"})
            if (login().control(name).hasFocus())
                return QString::fromUtf8(name);
        return {};
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

    // Close requests from outside (close box, Alt+F4, a close event) leave the window as it is.
    void closeRequestsAreRefused() {
        QWidget* w = rt::qt::window(login());
        QVERIFY(!rt::testing::requestClose(login()));
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
        QVERIFY(rt::testing::click(login().button("取消")));
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
