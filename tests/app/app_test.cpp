// Starts the real program offscreen, closes its window the way the close box does and checks that
// the process ends by itself with exit code 0.
#include <QProcess>
#include <QtTest>

class AppTest : public QObject {
    Q_OBJECT

private slots:
    void closingTheSplashEndsTheProgram() {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("QT_PLUGIN_PATH"), QStringLiteral(LEDRIMO_TEST_PLUGINS));
        env.insert(QStringLiteral("QT_QPA_GENERIC_PLUGINS"), QStringLiteral("ledrimocloser"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(LEDRIMO_BINARY), {});
        QVERIFY2(p.waitForStarted(10000), qPrintable(p.errorString()));
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished();
            QFAIL("the program did not end after its window was closed");
        }
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QVERIFY2(err.contains(QStringLiteral("closing: 工作时间记录工具")), qPrintable(err));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(AppTest)
#include "app_test.moc"
