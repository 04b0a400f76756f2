// The real program, started as a user starts it: each case copies the program into a directory of
// its own (the program keeps `db` beside itself), or installs it with `cmake --install` into a
// folder of its own, and runs it offscreen with the driver plugin, which answers its message boxes,
// logs in or presses 退出 and reports what appears (driver_plugin.cpp). Every run gets a home and
// data folder of its own; as root, the cases about permissions run the program as the
// unprivileged user nobody (root writes through any permission bits).
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
const QString kMain = QStringLiteral("Ledrimo  V1.2 access版"); // the main window's title begins so
const QString kRestorePrompt = QStringLiteral("box: 数据库不存在|数据库文件不存在，需要恢复请确认！");
const QString kRestored = QStringLiteral("box: 信息：|数据库恢复成功!默认用户名密码为：tamsu");
const QString kRestoreFailed = QStringLiteral("box: 信息：|未知错误,请重新安装软件!");
const QString kAlreadyRunning = QStringLiteral("box: 程序已运行|程序已经运行！");
constexpr int kWaitMs = 60000; // generous: the sanitizer build starts slowly
constexpr uid_t kNobody = 65534;

bool asRoot() {
    return ::geteuid() == 0;
}

bool setMode(const QString& path, mode_t mode) {
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

// Gives `path` to the user the program runs as (nobody, when the tests run as root).
bool giveToRunner(const QString& path) {
    return !asRoot() || ::chown(QFile::encodeName(path).constData(), kNobody, kNobody) == 0;
}

// `program` with `args` as the user the program runs as: through setpriv as nobody when the
// tests run as root, else directly.
QStringList asRunner(const QString& program, const QStringList& args = {}) {
    if (!asRoot())
        return QStringList{program} + args;
    return QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                       QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"), program} +
           args;
}

// Whether that user can create a file in `dir`.
bool runnerCanWriteIn(const QString& dir) {
    const QStringList cmd = asRunner(QStringLiteral("touch"), {dir + QStringLiteral("/probe")});
    QProcess probe;
    probe.start(cmd.first(), cmd.mid(1));
    const bool wrote =
        probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
    QFile::remove(dir + QStringLiteral("/probe"));
    return wrote;
}

int modeOf(const QString& path) {
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

// A program directory with the program, the driver plugin, and a home and a runtime folder for
// its runs (another user must be able to reach all of them, so they live in /tmp when needed).
class Installation {
public:
    enum Kind {
        Copy,     // `ledrimo` copied into a folder of its own, as a portable copy
        Installed // `cmake --install` of the whole build into DESTDIR, prefix /usr
    };
    // `base`: where the directory goes (another user must be able to reach it: /tmp).
    explicit Installation(const QString& base = {}, Kind kind = Copy)
        : root_(base.isEmpty() ? QTemporaryDir() : QTemporaryDir(base + QStringLiteral("/ledrimo-XXXXXX"))) {
        runtimeDir_ = root_.path() + QStringLiteral("/xdg");
        home_ = root_.path() + QStringLiteral("/home");
        QDir().mkpath(runtimeDir_);
        QDir().mkpath(home_);
        QDir().mkpath(root_.path() + QStringLiteral("/plugins/generic"));
        ok_ = QFile::copy(QStringLiteral(LEDRIMO_DRIVER_PLUGIN),
                          root_.path() + QStringLiteral("/plugins/generic/") +
                              QFileInfo(QStringLiteral(LEDRIMO_DRIVER_PLUGIN)).fileName());
        if (kind == Copy) {
            dir_ = root_.path() + QStringLiteral("/prog");
            QDir().mkpath(dir_);
            ok_ = ok_ && QFile::copy(QStringLiteral(LEDRIMO_BINARY), program());
        } else {
            dir_ = root_.path() + QStringLiteral("/dest/usr/bin");
            QProcess install;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("DESTDIR"), root_.path() + QStringLiteral("/dest"));
            install.setProcessEnvironment(env);
            install.start(QStringLiteral(LEDRIMO_CMAKE),
                          {QStringLiteral("--install"), QStringLiteral(LEDRIMO_BUILD_DIR),
                           QStringLiteral("--prefix"), QStringLiteral("/usr")});
            ok_ = ok_ && install.waitForFinished(120000) && install.exitStatus() == QProcess::NormalExit &&
                  install.exitCode() == 0 && QFileInfo::exists(program());
        }
        setMode(root_.path(), 0755);
        setMode(runtimeDir_, 0700);
        setMode(home_, 0700);
        ok_ = ok_ && giveToRunner(runtimeDir_) && giveToRunner(home_);
    }
    bool ok() const { return ok_ && root_.isValid(); }
    QString dir() const { return dir_; }
    QString program() const { return dir_ + QStringLiteral("/ledrimo"); }
    QString db() const { return dir_ + QStringLiteral("/db"); }
    QString runtimeDir() const { return runtimeDir_; }
    QString home() const { return home_; }
    QString path(const QString& name) const { return root_.path() + QLatin1Char('/') + name; }

    QProcessEnvironment environment(const QString& answers = {}, const QString& leave = {},
                                    const QString& close = {}, const QString& login = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), root_.path() + QStringLiteral("/plugins"));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("ledrimodriver"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_);
        env.insert(QStringLiteral("HOME"), home_); // never the real user's data folder
        env.remove(QStringLiteral("XDG_DATA_HOME"));
        env.insert(QStringLiteral("LEDRIMO_DRIVE_ANSWERS"), answers);
        env.insert(QStringLiteral("LEDRIMO_DRIVE_LEAVE"), leave);
        env.insert(QStringLiteral("LEDRIMO_DRIVE_CLOSE"), close);
        env.insert(QStringLiteral("LEDRIMO_DRIVE_LOGIN"), login);
        return env;
    }
    // Logs in with the default account and closes the main window, answering every box with OK.
    QProcessEnvironment loginEnvironment() const {
        return environment({}, {}, {}, QStringLiteral("tamsu/tamsu"));
    }

private:
    QTemporaryDir root_;
    QString dir_, runtimeDir_, home_;
    bool ok_ = false;
};

// One run of the program, with what it reported so far.
class Run {
public:
    // `command`: the program and its arguments; the installation's program when empty.
    Run(const Installation& inst, const QProcessEnvironment& env, const QStringList& command = {}) {
        p_.setProcessEnvironment(env);
        p_.setWorkingDirectory(inst.dir());
        if (command.isEmpty())
            p_.start(inst.program(), {});
        else
            p_.start(command.first(), command.mid(1));
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

    // A program folder the user cannot write to: `db` goes into the user's data folder
    // (~/.local/share/Ledrimo, made private to the user), and the default account logs in. The
    // program folder stays as it was.
    void readOnlyProgramFolderKeepsDbInTheDataFolder() {
        Installation inst(QStringLiteral("/tmp"));
        QVERIFY(inst.ok());
        QVERIFY(setMode(inst.dir(), 0555));
        QVERIFY(!runnerCanWriteIn(inst.dir()));
        Run run(inst, inst.loginEnvironment(), asRunner(inst.program()));
        QVERIFY(run.started());
        QVERIFY2(run.waitFor(QStringLiteral("shown: ") + kMain), qPrintable(run.output()));
        VERIFY_ENDED_WITH_0(run);
        const QString out = run.output();
        QVERIFY2(out.indexOf(kRestorePrompt) >= 0 && out.indexOf(kRestored) > out.indexOf(kRestorePrompt),
                 qPrintable(out));
        QVERIFY2(out.indexOf(QStringLiteral("clicked: 登  录")) > out.indexOf(kRestored), qPrintable(out));
        const QString data = inst.home() + QStringLiteral("/.local/share/Ledrimo");
        QCOMPARE(QFileInfo(data + QStringLiteral("/db")).size(), 237568);
        QCOMPARE(modeOf(data), 0700);
        QCOMPARE(modeOf(inst.home() + QStringLiteral("/.local")), 0700);
        QCOMPARE(QDir(inst.dir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList{QStringLiteral("ledrimo")});
        setMode(inst.dir(), 0755);
    }

    // Neither the program folder nor the data folder can be written: the restore fails with
    // "未知错误,请重新安装软件!", nothing is written anywhere and the program ends with exit code 0.
    void restoreWithNowhereToWrite() {
        Installation inst(QStringLiteral("/tmp"));
        QVERIFY(inst.ok());
        QVERIFY(setMode(inst.dir(), 0555));
        QVERIFY(setMode(inst.home(), 0555));
        QVERIFY(!runnerCanWriteIn(inst.dir()) && !runnerCanWriteIn(inst.home()));
        Run run(inst, inst.environment(QStringLiteral("ok")), asRunner(inst.program()));
        QVERIFY(run.started());
        VERIFY_ENDED_WITH_0(run);
        setMode(inst.dir(), 0755);
        setMode(inst.home(), 0700);
        const QString out = run.output();
        QVERIFY2(out.contains(kRestorePrompt) && out.indexOf(kRestoreFailed) > out.indexOf(kRestorePrompt),
                 qPrintable(out));
        QVERIFY2(!out.contains(kRestored) && !out.contains(QStringLiteral("shown: ") + kLogin),
                 qPrintable(out));
        QCOMPARE(QDir(inst.dir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList{QStringLiteral("ledrimo")});
        QVERIFY(QDir(inst.home()).isEmpty(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden));
    }

    // A portable copy keeps using the `db` beside it, also in a folder it cannot write to: no
    // prompt, the login works on that file, and no data folder appears.
    void portableCopyUsesItsDbInPlace() {
        Installation inst(QStringLiteral("/tmp"));
        QVERIFY(inst.ok());
        {
            Run first(inst, inst.loginEnvironment()); // writable: restored beside the program
            QVERIFY(first.started());
            QVERIFY2(first.waitFor(QStringLiteral("shown: ") + kMain), qPrintable(first.output()));
            VERIFY_ENDED_WITH_0(first);
        }
        QCOMPARE(QFileInfo(inst.db()).size(), 237568);
        QVERIFY(giveToRunner(inst.db()));
        QVERIFY(setMode(inst.dir(), 0555));
        QVERIFY(!runnerCanWriteIn(inst.dir()));
        Run run(inst, inst.loginEnvironment(), asRunner(inst.program()));
        QVERIFY(run.started());
        QVERIFY2(run.waitFor(QStringLiteral("shown: ") + kMain), qPrintable(run.output()));
        VERIFY_ENDED_WITH_0(run);
        setMode(inst.dir(), 0755);
        QVERIFY2(!run.output().contains(kRestorePrompt), qPrintable(run.output()));
        QVERIFY(QDir(inst.home()).isEmpty(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden));
    }

    // Installed with `cmake --install` (prefix /usr): the program keeps `db` in
    // $XDG_DATA_HOME/Ledrimo, not in its bin folder, even for a user who could write there, and
    // `ledrimo-db where` names that same file for the same user.
    void installedProgramKeepsDbInTheDataFolder() {
        Installation inst(QStringLiteral("/tmp"), Installation::Installed);
        QVERIFY(inst.ok());
        const QString dataHome = inst.path(QStringLiteral("data"));
        QVERIFY(QDir().mkpath(dataHome) && giveToRunner(dataHome));
        QProcessEnvironment env = inst.loginEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
        Run run(inst, env, asRunner(inst.program()));
        QVERIFY(run.started());
        QVERIFY2(run.waitFor(QStringLiteral("shown: ") + kMain), qPrintable(run.output()));
        VERIFY_ENDED_WITH_0(run);
        QVERIFY2(run.output().contains(kRestored), qPrintable(run.output()));
        const QString db = dataHome + QStringLiteral("/Ledrimo/db");
        QCOMPARE(QFileInfo(db).size(), 237568);
        QCOMPARE(modeOf(dataHome + QStringLiteral("/Ledrimo")), 0700);
        QVERIFY(!QFileInfo::exists(inst.db()));

        const QStringList where =
            asRunner(inst.dir() + QStringLiteral("/ledrimo-db"), {QStringLiteral("where")});
        QProcess tool;
        tool.setProcessEnvironment(env);
        tool.start(where.first(), where.mid(1));
        QVERIFY(tool.waitForFinished(10000));
        QCOMPARE(tool.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()), db + QLatin1Char('\n'));
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
