// The real program, started as a user starts it: each case copies the program into a directory of
// its own (the program keeps `db` beside itself) and runs it offscreen with the driver plugin,
// which answers its message boxes, presses 退出 and reports what appears (driver_plugin.cpp).
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSplash = QStringLiteral("工作时间记录工具");
const QString kLogin = QStringLiteral("用户登录-Ledrimo");
const QString kRestorePrompt = QStringLiteral("box: 数据库不存在|数据库文件不存在，需要恢复请确认！");
const QString kRestored = QStringLiteral("box: 信息：|数据库恢复成功!默认用户名密码为：tamsu");
const QString kRestoreFailed = QStringLiteral("box: 信息：|未知错误,请重新安装软件!");
const QString kAlreadyRunning = QStringLiteral("box: 程序已运行|程序已经运行！");
constexpr int kWaitMs = 60000; // generous: the sanitizer build starts slowly

// A program directory with a copy of the program, and the driver plugin beside it (the copy may
// run as another user, who must be able to read both).
class Installation {
public:
    // `base`: where the directory goes (another user must be able to reach it: /tmp).
    explicit Installation(const QString& base = {})
        : root_(base.isEmpty() ? QTemporaryDir() : QTemporaryDir(base + QStringLiteral("/ledrimo-XXXXXX"))) {
        dir_ = root_.path() + QStringLiteral("/prog");
        runtimeDir_ = root_.path() + QStringLiteral("/xdg");
        QDir().mkpath(dir_);
        QDir().mkpath(runtimeDir_);
        QDir().mkpath(root_.path() + QStringLiteral("/plugins/generic"));
        ok_ = QFile::copy(QStringLiteral(LEDRIMO_BINARY), program()) &&
              QFile::copy(QStringLiteral(LEDRIMO_DRIVER_PLUGIN),
                          root_.path() + QStringLiteral("/plugins/generic/") +
                              QFileInfo(QStringLiteral(LEDRIMO_DRIVER_PLUGIN)).fileName());
        ::chmod(QFile::encodeName(root_.path()).constData(), 0755);
        ::chmod(QFile::encodeName(runtimeDir_).constData(), 0700);
    }
    bool ok() const { return ok_ && root_.isValid(); }
    QString dir() const { return dir_; }
    QString program() const { return dir_ + QStringLiteral("/ledrimo"); }
    QString db() const { return dir_ + QStringLiteral("/db"); }
    QString runtimeDir() const { return runtimeDir_; }
    QString path(const QString& name) const { return root_.path() + QLatin1Char('/') + name; }

    QProcessEnvironment environment(const QString& answers = {}, const QString& leave = {},
                                    const QString& close = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), root_.path() + QStringLiteral("/plugins"));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("ledrimodriver"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_);
        env.insert(QStringLiteral("LEDRIMO_DRIVE_ANSWERS"), answers);
        env.insert(QStringLiteral("LEDRIMO_DRIVE_LEAVE"), leave);
        env.insert(QStringLiteral("LEDRIMO_DRIVE_CLOSE"), close);
        return env;
    }

private:
    QTemporaryDir root_;
    QString dir_, runtimeDir_;
    bool ok_ = false;
};

// One run of the program, with what it reported so far.
class Run {
public:
    Run(const Installation& inst, const QProcessEnvironment& env, const QString& program = {},
        const QStringList& args = {}) {
        p_.setProcessEnvironment(env);
        p_.setWorkingDirectory(inst.dir());
        p_.start(program.isEmpty() ? inst.program() : program, args);
    }
    ~Run() {
        if (p_.state() != QProcess::NotRunning) {
            p_.kill();
            p_.waitForFinished();
        }
    }
    bool started() { return p_.waitForStarted(10000); }
    QString output() {
        err_ += QString::fromUtf8(p_.readAllStandardError());
        return err_;
    }
    // Waits until the reports hold `line`.
    bool waitFor(const QString& line, int ms = kWaitMs) {
        QElapsedTimer t;
        t.start();
        while (!output().contains(line)) {
            if (p_.state() == QProcess::NotRunning || t.elapsed() > ms)
                return output().contains(line);
            p_.waitForReadyRead(100);
        }
        return true;
    }
    bool finished(int ms = kWaitMs) {
        bool done = p_.state() == QProcess::NotRunning || p_.waitForFinished(ms);
        output();
        return done;
    }
    bool running() { return p_.state() == QProcess::Running; }
    int exitCode() const { return p_.exitCode(); }
    QProcess::ExitStatus exitStatus() const { return p_.exitStatus(); }
    qint64 pid() const { return p_.processId(); }

private:
    QProcess p_;
    QString err_;
};

bool touch(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly);
}

#define VERIFY_ENDED_WITH_0(run)                                                                             \
    do {                                                                                                     \
        QVERIFY2((run).finished(), qPrintable((run).output()));                                              \
        QCOMPARE((run).exitStatus(), QProcess::NormalExit);                                                  \
        QVERIFY2((run).exitCode() == 0, qPrintable((run).output()));                                         \
    } while (0)

} // namespace

class AppTest : public QObject {
    Q_OBJECT

private slots:
    // With `db` beside it: the splash, then the login window, no message. The login window stays
    // through every close request; 退出 ends the program with exit code 0.
    void startWithDatabaseAndLeave() {
        Installation inst;
        QVERIFY(inst.ok());
        QVERIFY(touch(inst.db()));
        Run run(inst, inst.environment({}, QStringLiteral("now"), kLogin));
        QVERIFY(run.started());
        QVERIFY2(run.waitFor(QStringLiteral("clicked: 退  出")), qPrintable(run.output()));
        VERIFY_ENDED_WITH_0(run);
        const QString out = run.output();
        const auto splashAt = out.indexOf(QStringLiteral("shown: ") + kSplash);
        const auto loginAt = out.indexOf(QStringLiteral("shown: ") + kLogin);
        QVERIFY2(splashAt >= 0 && loginAt > splashAt, qPrintable(out));
        QVERIFY2(out.indexOf(QStringLiteral("closing: ") + kLogin) > loginAt, qPrintable(out));
        QVERIFY2(!out.contains(QStringLiteral("box: ")), qPrintable(out));
    }

    // Without `db`, Cancel: no file, and no process left behind.
    void declineTheRestore() {
        Installation inst;
        QVERIFY(inst.ok());
        Run run(inst, inst.environment(QStringLiteral("cancel")));
        QVERIFY(run.started());
        VERIFY_ENDED_WITH_0(run);
        const QString out = run.output();
        QVERIFY2(out.contains(kRestorePrompt), qPrintable(out));
        QCOMPARE(out.count(QStringLiteral("box: ")), 1);
        QVERIFY2(!out.contains(QStringLiteral("shown: ") + kLogin), qPrintable(out));
        QVERIFY(!QFileInfo::exists(inst.db()));
    }

    // Without `db`, OK: the file is written, the message names the default account, and the
    // login window follows.
    void restoreTheDatabase() {
        Installation inst;
        QVERIFY(inst.ok());
        Run run(inst, inst.environment(QStringLiteral("ok,ok"), QStringLiteral("now")));
        QVERIFY(run.started());
        QVERIFY2(run.waitFor(QStringLiteral("clicked: 退  出")), qPrintable(run.output()));
        VERIFY_ENDED_WITH_0(run);
        const QString out = run.output();
        QVERIFY2(out.indexOf(kRestorePrompt) >= 0 && out.indexOf(kRestored) > out.indexOf(kRestorePrompt),
                 qPrintable(out));
        QVERIFY2(out.indexOf(QStringLiteral("shown: ") + kLogin) > out.indexOf(kRestored), qPrintable(out));
        QCOMPARE(QFileInfo(inst.db()).size(), 237568);
    }

    // A program directory the user cannot write to: the restore fails, nothing is written and the
    // program ends with exit code 0. Root writes through any permission bits, so as root the
    // program runs as the unprivileged user nobody (setpriv).
    void restoreIntoAReadOnlyDirectory() {
        Installation inst(QStringLiteral("/tmp"));
        QVERIFY(inst.ok());
        QString program;
        QStringList args;
        const bool asRoot = ::geteuid() == 0;
        if (asRoot) {
            if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
                QSKIP("running as root without setpriv: no way to make a directory unwritable");
            QVERIFY(::chown(QFile::encodeName(inst.runtimeDir()).constData(), 65534, 65534) == 0);
            program = QStringLiteral("setpriv");
            args = {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                    QStringLiteral("--clear-groups"), inst.program()};
        }
        QVERIFY(::chmod(QFile::encodeName(inst.dir()).constData(), 0555) == 0);
        // The same user really cannot create a file there.
        QProcess probe;
        if (asRoot)
            probe.start(QStringLiteral("setpriv"),
                        {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                         QStringLiteral("--clear-groups"), QStringLiteral("touch"),
                         inst.path(QStringLiteral("prog/probe"))});
        else
            probe.start(QStringLiteral("touch"), {inst.path(QStringLiteral("prog/probe"))});
        QVERIFY(probe.waitForFinished(10000));
        QVERIFY(probe.exitCode() != 0);

        QProcessEnvironment env = inst.environment(QStringLiteral("ok"));
        env.insert(QStringLiteral("HOME"), inst.runtimeDir());
        Run run(inst, env, program, args);
        QVERIFY(run.started());
        VERIFY_ENDED_WITH_0(run);
        ::chmod(QFile::encodeName(inst.dir()).constData(), 0755);
        const QString out = run.output();
        QVERIFY2(out.contains(kRestorePrompt) && out.indexOf(kRestoreFailed) > out.indexOf(kRestorePrompt),
                 qPrintable(out));
        QVERIFY2(!out.contains(kRestored) && !out.contains(QStringLiteral("shown: ") + kLogin),
                 qPrintable(out));
        QCOMPARE(QDir(inst.dir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList{QStringLiteral("ledrimo")});
    }

    // A second instance says "程序已经运行！" and ends with exit code 0; the first goes on. After the
    // first has left with 退出, a new instance starts at once.
    void secondInstanceIsRefused() {
        Installation inst;
        QVERIFY(inst.ok());
        QVERIFY(touch(inst.db()));
        const QString trigger = inst.path(QStringLiteral("leave-now"));
        Run first(inst, inst.environment({}, trigger));
        QVERIFY(first.started());
        QVERIFY2(first.waitFor(QStringLiteral("shown: ") + kLogin), qPrintable(first.output()));

        Run second(inst, inst.environment());
        QVERIFY(second.started());
        VERIFY_ENDED_WITH_0(second);
        const QString out = second.output();
        QVERIFY2(out.contains(kAlreadyRunning), qPrintable(out));
        QCOMPARE(out.count(QStringLiteral("box: ")), 1);
        QVERIFY2(!out.contains(QStringLiteral("shown: ")), qPrintable(out));
        QVERIFY(first.running());
        QCOMPARE(first.output().count(QStringLiteral("shown: ")), 2); // its windows untouched

        QVERIFY(touch(trigger));
        QVERIFY2(first.waitFor(QStringLiteral("clicked: 退  出")), qPrintable(first.output()));
        VERIFY_ENDED_WITH_0(first);
        Run third(inst, inst.environment({}, QStringLiteral("now")));
        QVERIFY(third.started());
        QVERIFY2(third.waitFor(QStringLiteral("clicked: 退  出")), qPrintable(third.output()));
        VERIFY_ENDED_WITH_0(third);
        QVERIFY2(!third.output().contains(QStringLiteral("box: ")), qPrintable(third.output()));
    }

    // The system releases the guard of a killed instance.
    void killedInstanceLeavesNoGuard() {
        Installation inst;
        QVERIFY(inst.ok());
        QVERIFY(touch(inst.db()));
        {
            Run first(inst, inst.environment());
            QVERIFY(first.started());
            QVERIFY2(first.waitFor(QStringLiteral("shown: ") + kLogin), qPrintable(first.output()));
            ::kill(pid_t(first.pid()), SIGKILL);
            QVERIFY(first.finished());
        }
        Run next(inst, inst.environment({}, QStringLiteral("now")));
        QVERIFY(next.started());
        QVERIFY2(next.waitFor(QStringLiteral("clicked: 退  出")), qPrintable(next.output()));
        VERIFY_ENDED_WITH_0(next);
        QVERIFY2(!next.output().contains(QStringLiteral("box: ")), qPrintable(next.output()));
    }

    // Instances started at the same instant: exactly one passes the guard.
    void simultaneousStartsLetOneThrough() {
        Installation inst;
        QVERIFY(inst.ok());
        QVERIFY(touch(inst.db()));
        const QString trigger = inst.path(QStringLiteral("leave-now"));
        std::vector<std::unique_ptr<Run>> runs;
        for (int i = 0; i < 4; ++i)
            runs.push_back(std::make_unique<Run>(inst, inst.environment({}, trigger)));
        for (auto& r : runs)
            QVERIFY(r->started());
        int passed = 0, refused = 0;
        for (auto& r : runs) {
            QElapsedTimer t;
            t.start();
            // Each either shows the login window or is refused and ends.
            while (!r->output().contains(QStringLiteral("shown: ") + kLogin) && r->running() &&
                   t.elapsed() < kWaitMs)
                QTest::qWait(50);
            if (r->output().contains(QStringLiteral("shown: ") + kLogin)) {
                ++passed;
            } else {
                VERIFY_ENDED_WITH_0(*r);
                QVERIFY2(r->output().contains(kAlreadyRunning), qPrintable(r->output()));
                ++refused;
            }
        }
        QCOMPARE(passed, 1);
        QCOMPARE(refused, 3);
        QVERIFY(touch(trigger));
        for (auto& r : runs)
            VERIFY_ENDED_WITH_0(*r);
    }
};

QTEST_GUILESS_MAIN(AppTest)
#include "app_test.moc"
