// The safety net as the user meets it, with the real windows and handlers over a program directory
// of the test's own: the copy of the day made when 打开数据库 connects, a failed copy told once per
// run while the program works on, a damaged or partly lost `db` found at connect and at login,
// and an account set by `ledrimo-db passwd` that logs in through the real login window. The
// advice for a damaged `db` at connect, followed to the restored log, is a window scenario
// (tests/scenarios/safety_scenarios.cpp).
#include "runtime/datetime.h"
#include "jet/database.h"
#include "store/backup.h"
#include "store/credential.h"
#include "store/database_file.h"
#include "store/program_values.h"
#include "tests/ui/scenario.h"
#include "ui/login/login.h"
#include "ui/main/main_window.h"

#include <QFileInfo>
#include <QProcess>

namespace {

const char* const kBackupFailed = "自动备份失败：";

QString todaysCopyName() {
    const double now = rt::now();
    return QString::fromStdString(
        store::dailyBackupName("db", {rt::year(now), rt::month(now), rt::day(now)}));
}

// Runs ledrimo-db with `args`, `input` on its standard input; its exit code.
int runTool(const QStringList& args, const QByteArray& input = {}) {
    QProcess tool;
    tool.start(QStringLiteral(LEDRIMO_DB_TOOL), args);
    if (!tool.waitForStarted())
        return -1;
    tool.write(input);
    tool.closeWriteChannel();
    tool.waitForFinished(60000);
    if (tool.exitCode() != 0)
        qWarning("%s", tool.readAllStandardError().constData());
    return tool.exitCode();
}

} // namespace

class SafetyTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtimeDir_;
    scenario::Program program_;

    rt::Form& main() { return program_.main(); }
    QString backupDir() const { return program_.dir->path() + QStringLiteral("/backup"); }
    // Connects and waits for the copy of the day to be written beside the window.
    void connect() {
        QVERIFY(program_.connect());
        store::waitForBackup();
    }
    void disconnect() {
        QVERIFY(main().menuItem("打开数据库").choose());
        QCOMPARE(main().menuItem("打开数据库").caption(), rt::Text("打开数据库"));
    }
    int boxesStartingWith(const char* text) {
        int n = 0;
        for (const auto& box : program_.boxes->calls())
            n += box.text.toQString().startsWith(QString::fromUtf8(text));
        return n;
    }
    void addEntries(int count) {
        for (int n = 1; n <= count; ++n)
            QVERIFY(
                program_.run("insert into data (姓名,上班日期,上班时间,时间,id) values ('张三','2024年3月" +
                             rt::toText(n) + "日',8,'2024年3月" + rt::toText(n) + "日18时','GZ-0000" +
                             rt::toText(n) + "')"));
    }

private slots:
    void initTestCase() {
        QVERIFY(windowtests::setUpRuntime(runtimeDir_));
        ui::registerMainWindowHandlers();
        ui::registerLoginHandlers();
        store::credentialKey.set(store::deriveCredentialKey(store::kSplashCredit));
    }

    void init() { QVERIFY(program_.start()); }
    void cleanup() {
        store::waitForBackup();
        program_.stop();
    }

    // First in this run: a failure is told once, however often it happens, and the program works
    // on with the entries as they are.
    void aFailedBackupIsToldOncePerRunAndTheProgramWorksOn() {
        addEntries(2);
        QFile blocker(backupDir()); // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        connect();
        QCOMPARE(boxesStartingWith(kBackupFailed), 1);
        QVERIFY(program_.boxes->calls().back().text.toQString().contains(
            QStringLiteral("备份文件夹的位置上有一个同名文件")));
        QCOMPARE(main().control("序号标签").caption(), rt::Text("GZ-00001"));
        disconnect();
        connect();
        QCOMPARE(boxesStartingWith(kBackupFailed), 1);
        QCOMPARE(main().statusBar("状态条1").paneText(1), rt::Text("共有: 2 条数据"));
        QCOMPARE(QFileInfo(backupDir()).isFile(), true);
    }

    // The copy of the day is made at the first connect of the day and left alone afterwards.
    void connectMakesTheCopyOfTheDayOnce() {
        addEntries(3);
        connect();
        const QString copy = backupDir() + QStringLiteral("/") + todaysCopyName();
        QVERIFY2(QFileInfo::exists(copy), qPrintable(copy));
        const auto list = store::listBackups(program_.dbPath().toStdString());
        QCOMPARE(list.size(), size_t(1));
        QVERIFY(list[0].ok);
        QCOMPARE(list[0].entries, int64_t(3));
        const QDateTime written = QFileInfo(copy).lastModified();
        disconnect();
        addEntries(1);
        connect();
        QCOMPARE(QFileInfo(copy).lastModified(), written);
        QCOMPARE(boxesStartingWith(kBackupFailed), 0);
    }

    // While connected the program holds `db` in use: ledrimo-db restore and compact refuse, naming
    // it, while ledrimo-db insert still writes between the program's own writes; once disconnected
    // restore goes ahead.
    void restoreAndCompactRefuseWhileTheProgramIsConnected() {
        addEntries(2);
        connect();
        const QString good = backupDir() + QStringLiteral("/") + todaysCopyName();
        QCOMPARE(runTool({QStringLiteral("restore"), program_.dbPath(), good}), 1);
        QCOMPARE(runTool({QStringLiteral("compact"), program_.dbPath()}), 1);
        QCOMPARE(runTool({QStringLiteral("insert"), program_.dbPath(), QStringLiteral("data"),
                          QStringLiteral("{\"姓名\":\"李四\",\"上班时间\":8,\"ID\":\"GZ-00009\"}")}),
                 0);
        QVERIFY(program_.run("insert into data (姓名,上班时间,id) values ('王五',8,'GZ-00010')"));
        disconnect();
        QCOMPARE(runTool({QStringLiteral("restore"), program_.dbPath(), good}), 0);
    }

    // The page with the entries zeroed (a bad sector): the file opens and the log reads as empty.
    // Connecting shows the advice instead of the invitation to add to an empty log, and makes no
    // copy of the day from it.
    void aLostPageOfEntriesIsToldAtConnect() {
        addEntries(4);
        connect();
        disconnect();
        const QString copy = backupDir() + QStringLiteral("/") + todaysCopyName();
        QVERIFY(QFile::remove(copy));
        uint32_t page = 0;
        {
            auto db = jet::Database::open(program_.dbPath().toStdString());
            QVERIFY(db);
            page = (*(*db)->openTable(u"data"))->rowIds()->front().page;
        }
        QFile db(program_.dbPath());
        QVERIFY(db.open(QIODevice::ReadWrite));
        QVERIFY(db.seek(qint64(page) * 4096));
        QVERIFY(db.write(QByteArray(4096, '\0')) == 4096);
        db.close();

        program_.boxes->clear();
        QVERIFY(program_.connect());
        store::waitForBackup();
        const auto& calls = program_.boxes->calls();
        QCOMPARE(calls.size(), size_t(1));
        QCOMPARE(calls[0].caption, rt::Text("数据库已损坏"));
        QVERIFY2(calls[0].text.toQString().contains(QStringLiteral("没有通过检查的备份")),
                 qPrintable(calls[0].text.toQString()));
        QVERIFY(!QFileInfo::exists(copy));
    }

    // A file damaged where the account lives: the login says what it says for a wrong account,
    // then names the backup to restore; after the restore the same login gets in.
    void aLoginOnADamagedFileNamesTheBackupToRestore() {
        addEntries(3);
        connect();
        main().destroy();
        QCoreApplication::processEvents();
        const QString good = backupDir() + QStringLiteral("/") + todaysCopyName();
        QFile db(program_.dbPath());
        QVERIFY(db.open(QIODevice::ReadWrite));
        QVERIFY(db.seek(4096));
        QVERIFY(db.write(QByteArray(8 * 4096, 'Z')) == 8 * 4096);
        db.close();

        store::computeDatabasePath();
        QVERIFY(rt::loadForm("用户登录"));
        rt::Form& login = rt::form("用户登录");
        login.control("用户框").setText("tamsu");
        login.control("口令框").setText("tamsu");
        program_.boxes->clear();
        scenario::click(login, "登录");
        QVERIFY(!rt::isLoaded("主窗口"));
        const auto& calls = program_.boxes->calls();
        QVERIFY(calls.size() >= 2);
        QCOMPARE(calls[calls.size() - 2].text, rt::Text("输入错误！请联系管理人员，谢谢合作！"));
        QCOMPARE(calls.back().caption, rt::Text("数据库已损坏"));
        QVERIFY2(calls.back().text.toQString().contains(QStringLiteral("ledrimo-db restore ") +
                                                        program_.dbPath() + QStringLiteral(" ") + good),
                 qPrintable(calls.back().text.toQString()));

        QCOMPARE(runTool({QStringLiteral("restore"), program_.dbPath(), good}), 0);
        program_.boxes->clear();
        scenario::click(login, "登录");
        QVERIFY(rt::isLoaded("主窗口"));
        QVERIFY(program_.boxes->calls().empty());
    }

    // ledrimo-db passwd sets what the login window checks: the new name and password log in, the
    // old ones no longer do, and the log is as it was.
    void passwdThenLogin() {
        addEntries(2);
        main().destroy();
        QCoreApplication::processEvents();
        QCOMPARE(runTool({QStringLiteral("passwd"), program_.dbPath(), QStringLiteral("王五"),
                          QStringLiteral("--password-stdin")},
                         QStringLiteral("新的 'pass'\n").toUtf8()),
                 0);
        store::computeDatabasePath();
        QVERIFY(rt::loadForm("用户登录"));
        rt::Form& login = rt::form("用户登录");
        auto attempt = [&](const char* name, const char* password) {
            login.control("用户框").setText(name);
            login.control("口令框").setText(password);
            scenario::click(login, "登录");
        };
        attempt("tamsu", "tamsu");
        QVERIFY(!rt::isLoaded("主窗口"));
        QCOMPARE(program_.boxes->calls().back().text, rt::Text("输入错误！请联系管理人员，谢谢合作！"));
        attempt("王五", "新的 'pass'");
        QVERIFY(rt::isLoaded("主窗口"));
        QCOMPARE(program_.rows(u"data").size(), size_t(2));
    }
};

QTEST_MAIN(SafetyTest)
#include "safety_test.moc"
