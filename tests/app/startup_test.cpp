// The start-up flows in-process: the real splash and login windows with the real handlers, a
// program directory of the test's own, and the message boxes answered by script.
#include "runtime/qt/access.h"
#include "app/effects.h"
#include "app/handlers.h"
#include "app/instance_guard.h"
#include "runtime/runtime.h"
#include "runtime/testing.h"
#include "runtime/qt/widgets.h"
#include "store/credential.h"
#include "store/database_image.h"
#include "store/program_values.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

const char* const kSplash = "工作时间记录工具";
const char* const kLogin = "用户登录";

// The lock another instance would hold: its own descriptor on the guard's file.
class OtherInstance {
public:
    OtherInstance() {
        fd_ = ::open(app::instanceGuardPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~OtherInstance() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool holds() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

int endedWith(const std::function<void()>& f) {
    try {
        f();
    } catch (const rt::ProgramEnded& e) {
        return e.code;
    }
    return -100;
}

QImage backgroundOf(rt::Form& f) {
    return static_cast<rt::detail::ClientArea*>(rt::qt::clientArea(f))->picture();
}

} // namespace

class StartupTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtimeDir_;
    std::unique_ptr<QTemporaryDir> programDir_;

    QString db() const { return programDir_->path() + QStringLiteral("/db"); }

    void useProgramDirectory(const QString& dir) { rt::setProgramDirectoryForTests(rt::Text(dir)); }

private slots:
    void initTestCase() {
        // A guard of our own: nothing else running on this machine may hold it.
        QVERIFY(runtimeDir_.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtimeDir_.path()));
        rt::initRuntime();
        app::installProgramResources();
        app::registerHandlers();
        QVERIFY2(rt::qt::strings(rt::missingHandlers())
                     .filter(QRegularExpression(QStringLiteral("^(工作时间记录工具|用户登录)\\.")))
                     .isEmpty(),
                 qPrintable(rt::qt::strings(rt::missingHandlers()).join(QLatin1Char(' '))));
        rt::setEndProgramHook([](int code) { throw rt::ProgramEnded{code}; });
    }

    void init() {
        programDir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(programDir_->isValid());
        useProgramDirectory(programDir_->path());
    }

    void cleanup() {
        for (const rt::Text& name : rt::formNames())
            if (rt::isLoaded(name))
                rt::form(name).destroy();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(rt::loadedFormCount(), 0);
        app::closeInstanceGuard();
        rt::releaseProgramValues();
        rt::setProgramDirectoryForTests({});
    }

    // `db` present: no message; the splash is on screen while the login window grows in front of
    // it, and goes once start-up has finished.
    void startWithDatabase() {
        QFile file(db());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        rt::ScriptedMessageBoxes boxes;
        bool sawGrowthOverSplash = false;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] {
            if (rt::isLoaded(kSplash) && rt::form(kSplash).visible() && rt::isLoaded(kLogin) &&
                rt::form(kLogin).visible() && rt::form(kLogin).width() < 300)
                sawGrowthOverSplash = true;
        });
        probe.start(0);
        QVERIFY(rt::loadForm(kSplash));
        probe.stop();

        QVERIFY(boxes.calls().empty());
        QVERIFY(sawGrowthOverSplash);
        QVERIFY(rt::isLoaded(kLogin));
        rt::Form& login = rt::form(kLogin);
        QCOMPARE(login.width(), 300);
        QCOMPARE(login.height(), 152);
        QVERIFY(rt::isLoaded(kSplash)); // its close waits for the event loop
        QCOMPARE(backgroundOf(rt::form(kSplash)).size(), QSize(612, 228));
        QVERIFY(!rt::qt::window(rt::form(kSplash))->windowIcon().isNull());
        QCoreApplication::processEvents();
        QVERIFY(!rt::isLoaded(kSplash));
        QVERIFY(rt::isLoaded(kLogin));

        QVERIFY(app::instanceGuardHeld());
        QVERIFY(!OtherInstance().holds());
        QCOMPARE(store::credentialKey.get(), store::deriveCredentialKey(store::kSplashCredit));
        QVERIFY(!store::credentialKey.get().empty());
        QCOMPARE(store::databasePath.get(), rt::Text(db()));
    }

    // A directory named db counts as present.
    void directoryNamedDbIsPresent() {
        QVERIFY(QDir(programDir_->path()).mkdir(QStringLiteral("db")));
        rt::ScriptedMessageBoxes boxes;
        QVERIFY(rt::loadForm(kSplash));
        QVERIFY(boxes.calls().empty());
        QVERIFY(rt::isLoaded(kLogin));
        QVERIFY(QFileInfo(db()).isDir());
    }

    // No `db`, OK: the carried image is written out and the default account is named.
    void restoreOnRequest() {
        rt::ScriptedMessageBoxes boxes;
        boxes.answer(rt::MbOk);
        QVERIFY(rt::loadForm(kSplash));
        QCOMPARE(boxes.calls().size(), size_t(2));
        const rt::MessageBoxCall& prompt = boxes.calls()[0];
        QCOMPARE(prompt.text, rt::Text("数据库文件不存在，需要恢复请确认！"));
        QCOMPARE(prompt.caption, rt::Text("数据库不存在"));
        QCOMPARE(prompt.style, 49 | rt::MbTaskModal);
        QVERIFY(prompt.owner == nullptr);
        const rt::MessageBoxCall& done = boxes.calls()[1];
        QCOMPARE(done.text, rt::Text("数据库恢复成功!默认用户名密码为：tamsu"));
        QCOMPARE(done.caption, rt::Text("信息："));
        QCOMPARE(done.icon(), rt::MessageBoxIcon::None);
        QCOMPARE(done.buttons(), int(rt::MbOkOnly));
        QVERIFY(done.owner == nullptr);

        QFile file(db());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        const rt::Bytes image = rt::decompress(store::databaseImage());
        QCOMPARE(written.size(), 237568);
        QVERIFY(written == QByteArray(image.data(), qsizetype(image.size())));
        QVERIFY(rt::isLoaded(kLogin));
    }

    // Any answer but OK declines: no file, the splash goes, and the program ends with exit code 0
    // without another message.
    void declinedRestoreEndsTheProgram_data() {
        QTest::addColumn<int>("answer");
        QTest::addRow("cancel") << int(rt::MbCancel);
        QTest::addRow("no") << int(rt::MbNo);
        QTest::addRow("abort") << int(rt::MbAbort);
    }
    void declinedRestoreEndsTheProgram() {
        QFETCH(int, answer);
        rt::ScriptedMessageBoxes boxes;
        boxes.answer(answer);
        QCOMPARE(rt::runProgram(kSplash), 0);
        QCOMPARE(boxes.calls().size(), size_t(1));
        QCOMPARE(rt::loadedFormCount(), 0);
        QVERIFY(!QFileInfo::exists(db()));
        QCOMPARE(QDir(programDir_->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList());
    }

    // A restore that cannot write: "未知错误,请重新安装软件!" and exit code 0, nothing written. The
    // program directory here does not exist, which stops every writer, root included (the program
    // test runs the read-only directory case as an unprivileged user).
    void failedRestoreEndsTheProgram() {
        const QString missing = programDir_->path() + QStringLiteral("/gone");
        useProgramDirectory(missing);
        rt::ScriptedMessageBoxes boxes;
        boxes.answer(rt::MbOk);
        QCOMPARE(endedWith([] { rt::loadForm(kSplash); }), 0);
        QCOMPARE(boxes.calls().size(), size_t(2));
        QCOMPARE(boxes.calls()[1].text, rt::Text("未知错误,请重新安装软件!"));
        QCOMPARE(boxes.calls()[1].caption, rt::Text("信息："));
        QCOMPARE(boxes.calls()[1].icon(), rt::MessageBoxIcon::None);
        QVERIFY(!rt::isLoaded(kLogin));
        QVERIFY(!QFileInfo::exists(missing));
        QCOMPARE(QDir(programDir_->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList());
    }

    // Another instance holds the guard: one box owned by the splash, exit code 0, no login window,
    // and the other instance's lock untouched.
    void secondInstanceIsRefused() {
        QFile file(db());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        OtherInstance other;
        QVERIFY(other.holds());
        rt::ScriptedMessageBoxes boxes;
        QCOMPARE(endedWith([] { rt::loadForm(kSplash); }), 0);
        QCOMPARE(boxes.calls().size(), size_t(1));
        const rt::MessageBoxCall& box = boxes.calls()[0];
        QCOMPARE(box.text, rt::Text("程序已经运行！"));
        QCOMPARE(box.caption, rt::Text("程序已运行"));
        QCOMPARE(box.style, 0); // OK only, no icon, owned by the splash
        QVERIFY(box.owner == &rt::form(kSplash));
        QVERIFY(!rt::isLoaded(kLogin));
        QVERIFY(!app::instanceGuardHeld());
        QVERIFY(other.holds());
        QVERIFY(!store::credentialKey.isSet()); // start-up stopped at the guard
    }

    // The guard is one atomic step: while this process holds it, a second attempt through another
    // descriptor fails, and closing it lets the next one through at once.
    void guardIsExclusiveAndReleasedByClosing() {
        QCOMPARE(app::acquireInstanceGuard(), app::GuardResult::Acquired);
        QVERIFY(!OtherInstance().holds());
        QCOMPARE(app::acquireInstanceGuard(), app::GuardResult::HeldElsewhere);
        app::closeInstanceGuard();
        QVERIFY(!app::instanceGuardHeld());
        QVERIFY(OtherInstance().holds());
        QCOMPARE(app::acquireInstanceGuard(), app::GuardResult::Acquired);
        QVERIFY(QString::fromStdString(app::instanceGuardPath()).startsWith(runtimeDir_.path()));
    }

    // Without a runtime directory the guard lives in /tmp under the user's id.
    void guardFallsBackToTmp() {
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        qunsetenv("XDG_RUNTIME_DIR");
        const std::string path = app::instanceGuardPath();
        qputenv("XDG_RUNTIME_DIR", saved);
        QCOMPARE(QString::fromStdString(path), QStringLiteral("/tmp/Ledrimo-%1.lock").arg(::getuid()));
    }

    // The whole run: 退出 on the login window ends the event loop with exit code 0, and the guard is
    // free again at once.
    void leavingTheLoginWindowEndsTheRun() {
        QFile file(db());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        rt::ScriptedMessageBoxes boxes;
        // Once start-up has finished (the splash has gone), press 退出.
        bool clicked = false;
        bool pressed = false;
        QTimer press;
        connect(&press, &QTimer::timeout, [&] {
            if (clicked || !rt::isLoaded(kLogin) || rt::isLoaded(kSplash))
                return;
            clicked = true;
            pressed = rt::testing::click(rt::form(kLogin).button("取消"));
        });
        press.start(10);
        QCOMPARE(rt::runProgram(kSplash), 0);
        QVERIFY(clicked && pressed);
        QVERIFY(boxes.calls().empty());
        QCOMPARE(rt::loadedFormCount(), 0);
        QVERIFY(!app::instanceGuardHeld());
        QVERIFY(OtherInstance().holds());
    }
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
