// The report window with its real handlers and the main and list windows', on the real forms, over
// a `db` of the test's own; message boxes and save dialogs answered by script. Entries are added in
// the main window as a user adds them (one is written straight through the engine first, so that
// connecting finds an entry). The month is October 2026 (holidays 1–7 October, 10 October a
// make-up working Saturday), with "today" fixed after it. What the window shows is read from its
// controls; exported files are read back by other programs (openpyxl, pdftotext).
#include "runtime/qt/access.h"
#include "report/calendar.h"
#include "runtime/display.h"
#include "runtime/qt/painter.h"
#include "tests/ui/scenario.h"
#include "ui/list/list_window.h"
#include "ui/main/main_window.h"
#include "ui/report/report_window.h"
#include "ui/report/timesheet.h"

#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QHelpEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QToolTip>

#include <clocale>

namespace {

const char* const kReport = "统计报表";

report::Day day(int y, int m, int d) {
    return *report::makeDay(y, m, d);
}

// Runs a program; its standard output, or a failed check when it does not end well.
QString output(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("%s: %s", qPrintable(program), p.readAllStandardError().constData());
        return QStringLiteral("<failed>");
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool haveProgram(const char* name) {
    return !QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty();
}

} // namespace

class ReportWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtimeDir_;
    scenario::Program p_;
    std::unique_ptr<rt::ScriptedFileDialogs> dialogs_;

    rt::Form& main() { return p_.main(); }
    rt::Form& report() { return rt::form(kReport); }
    rt::Text shown(const char* label) { return report().control(label).caption(); }

    // An entry written as another program would, in October 2026.
    void storeEntry(int dayOfMonth, const char* hours, const char* id, const char* notes = "整理需求文档") {
        store::EntryValues v;
        v.name = "张三";
        v.company = "甲公司";
        v.address = "深圳市南山区";
        v.joined = rt::makeDate(2024, 3, 1);
        v.workDay = rt::makeDate(2026, 10, dayOfMonth);
        v.hours = hours;
        v.notes = notes;
        v.savedAt = rt::makeDate(2026, 10, dayOfMonth, 18, 0, 0);
        v.id = id;
        QVERIFY(p_.run(store::insertStatement(v)));
    }
    // The first entry: 14 October, 8 hours, 甲公司.
    void storeFirstEntry() { storeEntry(14, "8", "GZ-00001"); }
    // 加入新记录 in the main window, the date, hours and notes typed, 添加 confirmed.
    void addInMain(int month, int dayOfMonth, const char* hours, const char* notes,
                   const char* company = nullptr) {
        QVERIFY(main().menuItem("加入新记录").choose());
        if (company)
            main().control("公司名称编辑框").setText(company);
        main().dateBox("年编辑框").setValue(rt::makeDate(2026, month, dayOfMonth));
        main().control("上班时间编辑框").setText(hours);
        main().control("工作备注编辑框").setText(notes);
        scenario::click(main(), "添加按钮");
        QCOMPARE(main().control("提示信息").caption(), rt::Text("添加成功！"));
    }
    // Connected, four entries in October 2026, the report window open on October.
    void octoberOpen() {
        storeFirstEntry();
        QVERIFY(p_.connect());
        addInMain(10, 9, "10", "调试接口");               // Friday, a working day: 2 hours overtime
        addInMain(10, 10, "8", "国庆调休上班");           // Saturday, 班
        addInMain(10, 3, "6", "值班");                    // Saturday in the National Day holiday
        addInMain(10, 12, "9", "客户现场支持", "乙公司"); // Monday, another employer
        p_.boxes->clear();
        QVERIFY(main().menuItem("统计报表").choose());
        QVERIFY(rt::isLoaded(kReport));
        QCOMPARE(shown("标题标签").toQString().left(8), QStringLiteral("2026年11月"));
        scenario::click(report(), "上一月");
        QVERIFY(shown("标题标签").toQString().startsWith(QStringLiteral("2026年10月")));
    }
    QStringList column(const char* list, int c) {
        QStringList out;
        rt::ListView& l = report().listView(list);
        for (int r = 0; r < l.count(); ++r)
            out << l.itemText(r, c).toQString();
        return out;
    }
    void expectTotals(const char* hours, const char* days, const char* workdayOvertime, const char* missing) {
        QCOMPARE(shown("合计工时"), rt::Text(hours));
        QCOMPARE(shown("出勤天数"), rt::Text(days));
        QCOMPARE(shown("工作日加班"), rt::Text(workdayOvertime));
        QCOMPARE(shown("缺记录天数"), rt::Text(missing));
    }
    QString tmp(const char* name) { return p_.dir->path() + QLatin1Char('/') + QString::fromUtf8(name); }

private slots:
    void initTestCase() {
        // Run under LANG=zh_CN.UTF-8 and C.UTF-8: the locale asked for must be the one in force,
        // not the C locale glibc falls back to when it is missing.
        QByteArray lang = qgetenv("LC_ALL");
        for (const char* name : {"LC_CTYPE", "LANG"})
            if (lang.isEmpty())
                lang = qgetenv(name);
        const char* inForce = std::setlocale(LC_CTYPE, nullptr);
        QVERIFY2(lang.isEmpty() || QByteArray(inForce ? inForce : "") == lang,
                 qPrintable(QStringLiteral("locale %1 is not installed (localedef -i zh_CN -f UTF-8 zh_CN.UTF-8)")
                                .arg(QString::fromLatin1(lang))));
        QVERIFY(windowtests::setUpRuntime(runtimeDir_));
        ui::registerMainWindowHandlers();
        ui::registerListWindowHandlers();
        ui::registerReportWindowHandlers();
        ui::setReportTodayForTests(day(2026, 11, 16));
    }
    void init() {
        QVERIFY(p_.start());
        dialogs_ = std::make_unique<rt::ScriptedFileDialogs>();
    }
    void cleanup() {
        dialogs_.reset();
        p_.stop();
    }

    void everyBindingOfTheFormHasItsHandler() {
        for (const QString& key : rt::qt::strings(rt::missingHandlers()))
            QVERIFY2(!key.startsWith(QStringLiteral("统计报表.")) &&
                         key != QStringLiteral("主窗口.统计报表.chosen"),
                     qPrintable(key));
    }

    // 统计报表 sits after 查询 with Ctrl+T and is usable exactly when 查询 is; one window at a time,
    // owned by the main window and modeless.
    void menuItemFollowsQuery() {
        rt::MenuItem& item = main().menuItem("统计报表");
        QCOMPARE(item.shortcut(), QStringLiteral("Ctrl+T"));
        auto same = [&] { return item.disabled() == main().menuItem("查询").disabled(); };
        QVERIFY(item.disabled());
        QVERIFY(!item.choose());
        storeFirstEntry();
        QVERIFY(p_.connect());
        QVERIFY(same() && !item.disabled());
        QVERIFY(item.choose());
        QCOMPARE(report().owner(), &main());
        QVERIFY(!report().isModal());
        QVERIFY(report().visible());
        const int forms = rt::loadedFormCount();
        QVERIFY(rt::testing::pressKey(main(), "Ctrl+T")); // a second time: the same window
        QCOMPARE(rt::loadedFormCount(), forms);
        QVERIFY(report().visible());
        // Disconnected: the window says so and offers nothing to export; connected again, it is back.
        QVERIFY(main().menuItem("打开数据库").choose());
        QVERIFY(same() && item.disabled());
        QTRY_COMPARE_WITH_TIMEOUT(shown("提示标签"), rt::Text("数据库未连接，请在主窗口打开数据库。"), 3000);
        QVERIFY(report().control("导出Excel").disabled());
        QCOMPARE(shown("合计工时"), rt::Text("—"));
        QVERIFY(main().menuItem("打开数据库").choose());
        QVERIFY(same() && !item.disabled());
        QTRY_COMPARE_WITH_TIMEOUT(shown("合计工时"), rt::Text("0 小时"), 3000); // November: nothing yet
        QVERIFY(!report().control("导出Excel").disabled());
        // The main window takes its owned window with it.
        main().destroy();
        QTRY_VERIFY_WITH_TIMEOUT(!rt::isLoaded(kReport), 3000);
    }

    // What the month looks like on Qt: a bar's tooltip shown when the pointer rests on it, the count
    // of missing days in red while there are any, and the month box's own text as it is stepped.
    // The month's bars, totals and lists are a window scenario (tests/scenarios/report_scenarios.cpp).
    void octoberAsShown() {
        octoberOpen();
        rt::Chart& chart = report().chart("图表1");
        // Resting the pointer on a bar shows its tooltip.
        const rt::Rect plain = chart.barRect(8);
        const QRect bar(plain.left, plain.top, plain.width, plain.height);
        QHelpEvent help(QEvent::ToolTip, bar.center(), rt::qt::widget(chart)->mapToGlobal(bar.center()));
        QCoreApplication::sendEvent(rt::qt::widget(chart), &help);
        QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 2000);
        QCOMPARE(QToolTip::text(), chart.bar(8).tooltip.toQString());
        QCOMPARE(QToolTip::text(),
                 QStringLiteral("2026年10月9日 星期五\n工作日\n10 小时（加班 2 小时）\n记录：GZ-00002"));

        QCOMPARE(shown("缺记录天数"), rt::Text("14 天"));
        const auto missingColour = [&] {
            return rt::qt::widget(report().control("缺记录天数"))->palette().color(QPalette::WindowText);
        };
        QCOMPARE(missingColour(), QColor(192, 32, 32));

        // The month box, as the user steps it.
        auto* box = qobject_cast<QDateEdit*>(rt::qt::widget(report().dateBox("年月框")));
        QCOMPARE(box->text(), QStringLiteral("2026年10月"));
        QVERIFY(rt::testing::pickDate(report().dateBox("年月框"), rt::makeDate(2026, 9, 1)));
        scenario::click(report(), "下一月");
        scenario::click(report(), "下一月");
        QCOMPARE(box->text(), QStringLiteral("2026年11月"));
        scenario::click(report(), "本月");
        QCOMPARE(box->text(), QStringLiteral("2026年11月"));
        QVERIFY(rt::testing::pickDate(report().dateBox("年月框"), rt::makeDate(2031, 1, 1)));
        QCOMPARE(shown("缺记录天数"), rt::Text("0 天")); // after today: none missing, and not in red
        QCOMPARE(missingColour(), QColor(Qt::black));
        QVERIFY(rt::testing::pickDate(report().dateBox("年月框"), rt::makeDate(9999, 12, 1)));
        scenario::click(report(), "下一月");
        QCOMPARE(box->text(), QStringLiteral("9999年12月"));
        QVERIFY(p_.boxes->calls().empty());
    }

    // Adding, modifying and deleting in the main window and deleting in the list window show in
    // the open report without being asked.
    void staysCurrent() {
        octoberOpen();
        addInMain(10, 15, "7", "补录");
        QTRY_COMPARE_WITH_TIMEOUT(shown("合计工时"), rt::Text("48 小时"), 3000);
        expectTotals("48 小时", "6 / 18", "3 小时", "13 天");
        QCOMPARE(report().chart("图表1").bar(14).value, 7.0);

        main().control("上班时间编辑框").setText("12");
        scenario::click(main(), "修改按钮");
        QCOMPARE(main().control("提示信息").caption(), rt::Text("修改完毕！"));
        QTRY_COMPARE_WITH_TIMEOUT(shown("合计工时"), rt::Text("53 小时"), 3000);
        QCOMPARE(shown("工作日加班"), rt::Text("7 小时"));

        scenario::click(main(), "删除按钮");
        QCOMPARE(main().control("提示信息").caption(), rt::Text("已删除！"));
        QTRY_COMPARE_WITH_TIMEOUT(shown("合计工时"), rt::Text("41 小时"), 3000);
        expectTotals("41 小时", "5 / 18", "3 小时", "14 天");

        // The list window deletes the first entry (14 October, 甲公司).
        scenario::click(main(), "列表");
        rt::Form& list = rt::form("列表查看");
        list.listView("超级列表框1").setSelectedIndex(0);
        QVERIFY(list.menuItem("删除所选").choose());
        QTRY_COMPARE_WITH_TIMEOUT(shown("合计工时"), rt::Text("33 小时"), 3000);
        QCOMPARE(report().chart("图表1").bar(13).marked, true);
        QCOMPARE(shown("缺记录天数"), rt::Text("15 天"));

        // Another program writes the file: seen as well.
        QVERIFY(p_.run("update data set 上班时间 = 4 where id = 'GZ-00004'"));
        QTRY_COMPARE_WITH_TIMEOUT(shown("节假日加班"), rt::Text("4 小时"), 3000);
    }

    // Double-clicking a bar shows that day's first entry in the main window; clicking a missing day
    // puts the main window into Adding with that working date.
    void toTheMainWindow() {
        octoberOpen();
        rt::Chart& chart = report().chart("图表1");
        // The report window stays where it is.
        const auto placed = [&] { return QRect(report().left(), report().top(), report().width(), report().height()); };
        const QRect before = placed();
        QVERIFY(rt::testing::doubleClickBar(chart, 2));
        QCOMPARE(main().control("序号标签").caption(), rt::Text("GZ-00004"));
        QCOMPARE(main().dateBox("年编辑框").value(), rt::makeDate(2026, 10, 3));
        QCOMPARE(placed(), before);
        QCOMPARE(report().position(), 0);
        QVERIFY(rt::testing::doubleClickBar(chart, 13));
        QCOMPARE(main().control("序号标签").caption(), rt::Text("GZ-00001"));
        // A day without entries: nothing happens.
        QVERIFY(rt::testing::doubleClickBar(chart, 4));
        QCOMPARE(main().control("序号标签").caption(), rt::Text("GZ-00001"));

        QVERIFY(rt::testing::clickRow(report().listView("缺记录列表"), 1));
        QCOMPARE(main().button("删除按钮").caption(), rt::Text("取消"));
        QCOMPARE(main().dateBox("年编辑框").value(), rt::makeDate(2026, 10, 13));
        // The employer of the nearest entry before the day (12 October), not the one shown (甲公司).
        QCOMPARE(main().control("公司名称编辑框").text(), rt::Text("乙公司"));
        QCOMPARE(placed(), before);
        main().control("上班时间编辑框").setText("8");
        scenario::click(main(), "添加按钮");
        QTRY_COMPARE_WITH_TIMEOUT(shown("缺记录天数"), rt::Text("13 天"), 3000);
        QVERIFY(!report().chart("图表1").bar(12).marked);
        QVERIFY(p_.boxes->calls().size() == 1); // the add's confirmation only
    }

    // 导出Excel and 导出CSV: the dialog starts in the documents folder with the month's name; the
    // files hold the month's entries (read back by openpyxl); a failure says why and leaves nothing.
    void exports() {
        octoberOpen();
        dialogs_->answer(rt::Text(tmp("十月.xlsx")));
        scenario::click(report(), "导出Excel");
        QCOMPARE(dialogs_->calls().size(), size_t(1));
        const rt::FileDialogCall& call = dialogs_->calls()[0];
        QCOMPARE(call.caption, rt::Text("导出Excel"));
        QCOMPARE(call.suggested, rt::documentsDirectory() + "/工时_2026年10月.xlsx");
        QVERIFY(call.filter.toQString().contains(QStringLiteral("*.xlsx")));
        QCOMPARE(call.owner, &report());
        QCOMPARE(p_.boxes->calls().size(), size_t(1));
        QCOMPARE(p_.boxes->calls()[0].text, "已导出 5 条记录到\r\n" + rt::Text(tmp("十月.xlsx")));

        if (!QFile::exists(QStringLiteral("/usr/bin/python3")) ||
            output(QStringLiteral("/usr/bin/python3"),
                   {QStringLiteral("-c"), QStringLiteral("import openpyxl")}) == QStringLiteral("<failed>"))
            QSKIP("python3-openpyxl is not installed");
        const char* script = R"(
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
rows = list(ws.iter_rows(values_only=True))
head = [str(h).lower() for h in rows[0]]
for r in rows[1:]:
    print(r[head.index('id')], r[head.index('上班日期')].strftime('%Y-%m-%d'), r[head.index('上班时间')], r[head.index('公司名称')])
)";
        QCOMPARE(output(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral("-c"), QString::fromUtf8(script), tmp("十月.xlsx")}),
                 QStringLiteral("GZ-00001 2026-10-14 8 甲公司\nGZ-00002 2026-10-09 10 甲公司\n"
                                "GZ-00003 2026-10-10 8 甲公司\nGZ-00004 2026-10-03 6 甲公司\n"
                                "GZ-00005 2026-10-12 9 乙公司\n"));

        // CSV: the extension is added to a name typed without it; UTF-8 with a byte-order mark.
        p_.boxes->clear();
        dialogs_->answer(rt::Text(tmp("十月")));
        scenario::click(report(), "导出CSV");
        QFile csv(tmp("十月.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QByteArray bytes = csv.readAll();
        QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
        QCOMPARE(bytes.count("\r\n"), 6);
        QVERIFY(QString::fromUtf8(bytes).contains(QStringLiteral("\"GZ-00004\"")));
        QCOMPARE(p_.boxes->calls().size(), size_t(1));
        QCOMPARE(p_.boxes->calls()[0].icon(), rt::MessageBoxIcon::Information);
        // The same name again: the file with the added extension is there, so the user is asked
        // first; Cancel keeps it. Typed with the extension in capitals, none is added.
        p_.boxes->clear();
        dialogs_->answer(rt::Text(tmp("十月")));
        p_.boxes->answer(rt::MbCancel);
        scenario::click(report(), "导出CSV");
        QCOMPARE(p_.boxes->calls().size(), size_t(1));
        QCOMPARE(p_.boxes->calls()[0].text, "文件“" + rt::Text(tmp("十月.csv")) + "”已存在，要替换它吗？");
        QCOMPARE(QFileInfo(tmp("十月.csv")).size(), bytes.size());
        p_.boxes->clear();
        dialogs_->answer(rt::Text(tmp("十月.CSV")));
        scenario::click(report(), "导出CSV");
        QCOMPARE(p_.boxes->calls().size(), size_t(1));
        QCOMPARE(p_.boxes->calls()[0].text, "已导出 5 条记录到\r\n" + rt::Text(tmp("十月.CSV")));

        // A folder that does not exist: an error box, and no file.
        p_.boxes->clear();
        dialogs_->answer(rt::Text(tmp("没有这个目录/十月.xlsx")));
        scenario::click(report(), "导出Excel");
        QCOMPARE(p_.boxes->calls().size(), size_t(1));
        QCOMPARE(p_.boxes->calls()[0].icon(), rt::MessageBoxIcon::Error);
        QVERIFY(p_.boxes->calls()[0].text.toQString().startsWith(QStringLiteral("导出失败：")));
        QVERIFY(!QFile::exists(tmp("没有这个目录")));
        // Cancelled: nothing written, nothing said.
        p_.boxes->clear();
        scenario::click(report(), "导出CSV");
        QVERIFY(p_.boxes->calls().empty());
    }

    // 打印/PDF: one A4 page whose text (pdftotext) holds the title, the person, the days, the
    // totals and the signature lines, with every font embedded (pdffonts).
    void timesheetPdf() {
        octoberOpen();
        dialogs_->answer(rt::Text(tmp("月报.pdf")));
        scenario::click(report(), "打印");
        QCOMPARE(dialogs_->calls()[0].suggested, rt::documentsDirectory() + "/工作时间月报表_2026年10月.pdf");
        QCOMPARE(p_.boxes->calls().size(), size_t(1));
        QCOMPARE(p_.boxes->calls()[0].icon(), rt::MessageBoxIcon::Information);
        QFile pdf(tmp("月报.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
        if (!haveProgram("pdftotext") || !haveProgram("pdffonts") || !haveProgram("pdfinfo"))
            QSKIP("poppler-utils is not installed");
        const QString info = output(QStringLiteral("pdfinfo"), {tmp("月报.pdf")});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))), qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("595 x 842 pts (A4)")), qPrintable(info));
        QVERIFY(info.contains(QStringLiteral("工作时间月报表 — 2026年10月")));
        const QString text = output(QStringLiteral("pdftotext"),
                                    {QStringLiteral("-layout"), tmp("月报.pdf"), QStringLiteral("-")});
        for (const char* expected :
             {"工作时间月报表 — 2026年10月", "姓名：张三", "公司：甲公司", "10月3日", "节假日（国庆节）",
              "工作日（国庆节调休）", "国庆调休上班", "客户现场支持", "缺记录", "合计工时：41 小时",
              "出勤天数 / 应出勤天数：5 / 18", "缺记录的工作日：14 天", "工作日加班：3 小时",
              "节假日加班：6 小时", "本人签字：", "主管签字：", "日期："})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        QCOMPARE(text.count(QStringLiteral("星期四")), 5); // one line per day: five Thursdays
        const QStringList fonts =
            output(QStringLiteral("pdffonts"), {tmp("月报.pdf")}).split(u'\n', Qt::SkipEmptyParts);
        QVERIFY(fonts.size() > 2);
        for (const QString& line : fonts.mid(2)) // after the header lines: emb is "yes" for every font
            QVERIFY2(line.contains(QRegularExpression(QStringLiteral("\\byes\\s+(yes|no)\\s+yes\\b"))),
                     qPrintable(line));

        // Writing fails: a message, and no file.
        p_.boxes->clear();
        dialogs_->answer(rt::Text(tmp("没有这个目录/月报.pdf")));
        scenario::click(report(), "打印");
        QCOMPARE(p_.boxes->calls().size(), size_t(1));
        QVERIFY(p_.boxes->calls()[0].text.toQString().startsWith(QStringLiteral("保存 PDF 失败：")));
    }

    // Hours that cannot be right, by the one rule: a day above 24 or below 0 is left out whole
    // (an entry of 25, a day of 34), a day of 24 and a −4 correction count. The window, the PDF and
    // ledrimo-db give the same figures; a click on a suspicious entry opens it in the main window.
    void suspiciousHours() {
        storeFirstEntry();                 // 14 October: 8
        storeEntry(15, "25", "GZ-00002");  // left out
        storeEntry(16, "20", "GZ-00003");  // 34 in a day: left out
        storeEntry(16, "14", "GZ-00004");
        storeEntry(19, "8", "GZ-00005");   // 8 − 4 = 4
        storeEntry(19, "-4", "GZ-00006");
        storeEntry(20, "24", "GZ-00007");  // a day of exactly 24
        QVERIFY(p_.connect());
        QVERIFY(main().menuItem("统计报表").choose());
        scenario::click(report(), "上一月");
        QCOMPARE(shown("合计工时"), rt::Text("36 小时"));
        QVERIFY2(shown("提示标签").toQString().startsWith(QStringLiteral("可疑未计入：59 小时（2 天）")),
                 qPrintable(shown("提示标签").toQString()));
        rt::Chart& chart = report().chart("图表1");
        QCOMPARE(chart.bar(14).value, 0.0);
        QCOMPARE(chart.bar(18).value, 4.0);
        QCOMPARE(chart.bar(19).value, 24.0);
        QVERIFY(report().listView("可疑列表").visible());
        QCOMPARE(column("可疑列表", 0), QStringList({"10月15日 GZ-00002", "10月16日 GZ-00003", "10月16日 GZ-00004"}));
        QCOMPARE(column("可疑列表", 1), QStringList({"25", "20", "14"}));
        QCOMPARE(column("可疑列表", 2), QStringList({"25", "34", "34"})); // the day's sum

        // A click on one shows it in the main window, to be corrected there; the window stays.
        const QRect before(report().left(), report().top(), report().width(), report().height());
        QVERIFY(rt::testing::clickRow(report().listView("可疑列表"), 2));
        QCOMPARE(main().control("序号标签").caption(), rt::Text("GZ-00004"));
        QCOMPARE(QRect(report().left(), report().top(), report().width(), report().height()), before);

        // ledrimo-db report: the same figures.
        QProcess tool;
        tool.start(QStringLiteral(LEDRIMO_DB_TOOL), {QStringLiteral("report"), p_.dbPath(), QStringLiteral("--month"),
                                                     QStringLiteral("2026-10"), QStringLiteral("--today"),
                                                     QStringLiteral("2026-11-16"), QStringLiteral("--format"),
                                                     QStringLiteral("json")});
        QVERIFY(tool.waitForFinished(60000));
        const QString json = QString::fromUtf8(tool.readAllStandardOutput());
        QVERIFY2(json.contains(QStringLiteral("\"totals\":{\"hours\":36,")), qPrintable(json.left(400)));
        QVERIFY(json.contains(QStringLiteral("\"leftOutHours\":59,\"leftOutDays\":2}")));

        // The PDF: the totals, what was left out and every suspicious entry (there is room for all).
        dialogs_->answer(rt::Text(tmp("可疑.pdf")));
        scenario::click(report(), "打印");
        if (!haveProgram("pdftotext"))
            QSKIP("poppler-utils is not installed");
        const QString text = output(QStringLiteral("pdftotext"), {tmp("可疑.pdf"), QStringLiteral("-")});
        // (The text layer misses the digits of an ID, drawn after its Latin letters: the IDs are
        // counted by their "GZ".)
        for (const char* expected : {"合计工时：36 小时", "可疑未计入：59 小时（2 天）", "10月15日 25 小时 GZ",
                                     "10月16日 20 小时 GZ", "10月16日 14 小时 GZ"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        QVERIFY(!text.contains(QStringLiteral("未列出")));

        // More than the page has room for: as many as fit, and how many are left out.
        report::Report many = *ui::shownReport();
        for (int i = 0; i < 60; ++i)
            many.suspicious.push_back({u"GZ-9" + QString::number(100 + i).toStdU16String(), day(2026, 10, 21), 30,
                                       report::Suspicion::DayOver24, 0});
        QFile full(tmp("多.pdf"));
        QVERIFY(full.open(QIODevice::WriteOnly));
        full.write(QByteArray::fromStdString(ui::timesheetPdf(many, {}, rt::makeDate(2026, 11, 16))));
        full.close();
        const QString crowded = output(QStringLiteral("pdftotext"), {tmp("多.pdf"), QStringLiteral("-")});
        const auto left = QRegularExpression(QStringLiteral("另有 (\\d+) 条未列出")).match(crowded);
        QVERIFY2(left.hasMatch(), qPrintable(crowded.right(600)));
        QVERIFY(left.captured(1).toInt() > 0);
        QCOMPARE(crowded.count(QStringLiteral("GZ")) + left.captured(1).toInt(), 63);
        QVERIFY(output(QStringLiteral("pdfinfo"), {tmp("多.pdf")}).contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))));
    }

    // Wherever the main window stands, the report window opens wholly on the screen's available
    // area (here without a panel of 40 pixels at the bottom): beside the main window on a side with
    // room, else over it against the edge of the side with more room. Run on a 1366×768 screen and
    // on a wide one.
    void placedWhollyOnTheScreen() {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect area = screen.adjusted(0, 0, 0, -40);
        rt::setAvailableAreaForTests(rt::qt::rect(area));
        storeFirstEntry();
        QVERIFY(p_.connect());
        const auto rectOf = [](rt::Form& f) { return QRect(f.left(), f.top(), f.width(), f.height()); };
        const int gap = 8;
        for (const QPoint at : {QPoint(0, 0), QPoint(area.right() + 1 - main().width(), 300),
                                QPoint(area.center().x() - main().width() / 2, area.bottom() - 120)}) {
            main().move(at.x(), at.y());
            QVERIFY(main().menuItem("统计报表").choose());
            const QRect r = rectOf(report()), m = rectOf(main());
            QVERIFY2(area.contains(r), qPrintable(QStringLiteral("%1,%2 %3×%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())));
            QCOMPARE(r.top(), std::clamp(m.top(), area.top(), area.bottom() + 1 - r.height()));
            if (m.right() + gap + r.width() <= area.right())
                QCOMPARE(r.left(), m.right() + 1 + gap);
            else if (m.left() - gap - r.width() >= area.left())
                QCOMPARE(r.right(), m.left() - 1 - gap);
            else if (area.right() - m.right() >= m.left() - area.left())
                QCOMPARE(r.right(), area.right());
            else
                QCOMPARE(r.left(), area.left());
            // A double click on a bar (November has no entry: on 14 October) leaves it there.
            scenario::click(report(), "上一月");
            QVERIFY(rt::testing::doubleClickBar(report().chart("图表1"), 13));
            QCOMPARE(main().control("序号标签").caption(), rt::Text("GZ-00001"));
            QCOMPARE(rectOf(report()), r);
            report().destroy();
            QTRY_VERIFY_WITH_TIMEOUT(!rt::isLoaded(kReport), 3000);
        }
        rt::setAvailableAreaForTests({});
    }

    // The text maps of a PDF: glyphs named by a twin of the character drawn are named by the
    // character, in place; a run of consecutive destinations is left alone, as is everything outside
    // the maps.
    void pdfTextMaps() {
        QByteArray pdf =
            "<2F2F> stays\n2 beginbfchar\n<0003> <2F49>\n<0004> <4E00>\nendbfchar\n"
            "1 beginbfrange\n<0001> <0003> [<2F2F> <0041> <6236>]\n<0005> <0006> <2F00>\nendbfrange\n";
        const qsizetype size = pdf.size();
        rt::fixPdfTextMaps(pdf, {{u'\u2F2F', u'工'}, {u'\u2F49', u'月'}, {u'戶', u'户'}, {u'\u2F00', u'一'}});
        QCOMPARE(pdf.size(), size);
        QCOMPARE(pdf,
                 QByteArray("<2F2F> stays\n2 beginbfchar\n<0003> <6708>\n<0004> <4E00>\nendbfchar\n"
                            "1 beginbfrange\n<0001> <0003> [<5DE5> <0041> <6237>]\n<0005> <0006> <2F00>\n"
                            "endbfrange\n"));
    }
};

QTEST_MAIN(ReportWindowTest)
#include "report_window_test.moc"
