// The main window with its real handlers on the real form, a `db` of the test's own in a program
// directory of its own, and every message box answered by script: the frame (title, panes, clock,
// tray, About, update notes, exit confirmation), browsing, and the less common ways of adding,
// modifying and deleting entries (the common ones, with their confirmations, are window scenarios
// in tests/scenarios/). What is stored is read back through the engine, not from the screen.
#include "runtime/qt/access.h"
#include "app/effects.h"
#include "app/instance_guard.h"
#include "jet/database.h"
#include "jet/sql_engine.h"
#include "runtime/data_access.h"
#include "runtime/picture.h"
#include "runtime/runtime.h"
#include "runtime/qt/widgets.h"
#include "runtime/testing.h"
#include "store/database_file.h"
#include "store/entry_statements.h"
#include "tests/ui/window_tests.h"
#include "ui/main/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest/qtestspontaneevent.h>
#include <QtTest>

#include <functional>
#include <memory>
#include <optional>

namespace {

const char* const kMain = "主窗口";
const char* const kNoEntries = "当前数据库没有记录，请添加！";

// One row of table `data` as the engine reads it.
struct StoredRow {
    QString name, company, address;
    double joined = 0, workDay = 0;
    std::optional<int> hours;
    QString notes;
    std::optional<double> savedAt;
    QString id;
};

QString fromU16(const jet::Value& v) {
    if (const auto* s = std::get_if<std::u16string>(&v))
        return QString::fromStdU16String(*s);
    return {};
}
double dateOf(const jet::Value& v) {
    if (const auto* d = std::get_if<jet::DateTime>(&v))
        return d->days;
    return 0;
}

// n characters.
rt::Text repeated(int n, const char* character) {
    return rt::repeat(n, character);
}

} // namespace

// The scenarios that read or write entries need the data-access objects over the engine and a
// database with the table `data`.
#define REQUIRE_DATA()                                                                                       \
    if (!dataReady())                                                                                        \
    QSKIP("PENDING: needs the data-access objects over the Jet engine and the generated database image")

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtimeDir_;
    std::unique_ptr<QTemporaryDir> programDir_;
    std::unique_ptr<rt::ScriptedMessageBoxes> boxes_;
    QString lastFailure_;

    rt::Form& main() { return rt::form(kMain); }
    QString dbPath() const { return programDir_->path() + QStringLiteral("/db"); }

    void click(const char* button) { QVERIFY2(rt::testing::click(main().control(button)), button); }
    void choose(const char* item) { QVERIFY2(main().menuItem(item).choose(), item); }
    rt::Text text(const char* control) { return main().control(control).text(); }
    void type(const char* control, const rt::Text& t) { QVERIFY2(rt::testing::type(main().control(control), t), control); }
    rt::Text pane(int i) { return main().statusBar("状态条1").paneText(i); }
    bool enabled(const char* control) { return main().control(control).enabled(); }
    bool itemEnabled(const char* item) { return main().menuItem(item).enabled(); }

    // Backward group: 上一条 (menu), 上一条按钮, 到最前; forward group: 下一条按钮, 下一条 (menu), 到最后.
    // Each must be all on or all off.
    bool backwardEnabled() {
        const bool on = itemEnabled("上一条");
        if (enabled("上一条按钮") != on || enabled("到最前") != on)
            qFatal("backward group split");
        return on;
    }
    bool forwardEnabled() {
        const bool on = itemEnabled("下一条");
        if (enabled("下一条按钮") != on || enabled("到最后") != on)
            qFatal("forward group split");
        return on;
    }

    bool dataReady() {
        rt::CommonConnection c;
        rt::RecordSet r;
        return c.ConnectAccess(store::computeDatabasePath(), "") && r.SetConnection(c) &&
               r.Open("data", rt::RecordSet::Table);
    }

    // Runs a statement straight on the engine, as another program would.
    bool run(const rt::Text& statement) { return windowtests::runOnEngine(dbPath(), statement); }
    store::EntryValues entry(const char* name, const rt::Text& id, int day = 1) {
        store::EntryValues v;
        v.name = name;
        v.company = rt::Text("公司") + name;
        v.address = rt::Text("地址") + name;
        v.joined = rt::makeDate(2009, 3, 1);
        v.workDay = rt::makeDate(2010, 7, day);
        v.hours = rt::toText(day);
        v.notes = rt::Text("备注") + name;
        v.savedAt = rt::makeDate(2010, 7, day, 18, 0, 0);
        v.id = id;
        return v;
    }
    void store(const store::EntryValues& v) { QVERIFY(run(store::insertStatement(v))); }
    void storeEntries(int n) {
        static const char* const names[] = {"甲", "乙", "丙", "丁", "戊", "己"};
        for (int i = 0; i < n; ++i) {
            char id[16];
            std::snprintf(id, sizeof id, "GZ-%05d", i + 1);
            store(entry(names[i % 6], id, i + 1));
        }
    }

    std::vector<StoredRow> stored() {
        std::vector<StoredRow> rows;
        for (const auto& v : windowtests::engineRows(dbPath(), u"data")) {
            StoredRow r;
            r.name = fromU16(v[0]);
            r.company = fromU16(v[1]);
            r.address = fromU16(v[2]);
            r.joined = dateOf(v[3]);
            r.workDay = dateOf(v[4]);
            if (const auto* h = std::get_if<int32_t>(&v[5]))
                r.hours = *h;
            r.notes = fromU16(v[6]);
            if (!jet::isNull(v[7]))
                r.savedAt = dateOf(v[7]);
            r.id = fromU16(v[8]);
            rows.push_back(r);
        }
        return rows;
    }
    QStringList storedIds() {
        QStringList ids;
        for (const StoredRow& r : stored())
            ids << r.id;
        return ids;
    }

    void connect() {
        QCOMPARE(main().menuItem("打开数据库").caption(), rt::Text("打开数据库"));
        choose("打开数据库");
        QCOMPARE(main().menuItem("打开数据库").caption(), rt::Text("断开数据库连接"));
    }
    // The one box that must have come, and nothing else.
    void expectOnlyBox(const char* text, const char* caption, int style, bool owned = false) {
        QCOMPARE(boxes_->calls().size(), size_t(1));
        const rt::MessageBoxCall& box = boxes_->calls().back();
        QCOMPARE(box.text, rt::Text(text));
        QCOMPARE(box.caption, rt::Text(caption));
        // A box without owner is task-modal.
        QCOMPARE(box.style, owned ? style : style | rt::MbTaskModal);
        QCOMPARE(box.owner, owned ? &main() : nullptr);
        boxes_->clear();
    }
    // A failed statement: the data layer's box first, then the caller's.
    void expectFailure(const char* prefix, const char* caption, int style) {
        QVERIFY(boxes_->calls().size() >= 2);
        const rt::MessageBoxCall& box = boxes_->calls().back();
        QVERIFY2(box.text.toQString().startsWith(QString::fromUtf8(prefix)),
                 qPrintable(box.text.toQString()));
        QCOMPARE(box.caption, rt::Text(caption));
        QCOMPARE(box.style, style | rt::MbTaskModal);
        QVERIFY(!box.owner);
        lastFailure_ = box.text.toQString();
        boxes_->clear();
    }

    // Browsing layout: 修改按钮 shown, 添加按钮 hidden, 删除按钮 for deleting.
    void expectBrowsing() {
        QVERIFY(main().control("修改按钮").visible());
        QVERIFY(enabled("修改按钮"));
        QVERIFY(!main().control("添加按钮").visible());
        QCOMPARE(main().button("删除按钮").caption(), rt::Text("删除"));
        QVERIFY(enabled("删除按钮"));
        QVERIFY(enabled("列表"));
        QVERIFY(main().control("序号标签").visible());
        QCOMPARE(pane(0), rt::Text("状态:数据库已连接"));
    }
    void expectAdding() {
        QVERIFY(!main().control("修改按钮").visible());
        QVERIFY(!enabled("修改按钮"));
        QVERIFY(main().control("添加按钮").visible());
        QVERIFY(enabled("添加按钮"));
        QCOMPARE(main().button("删除按钮").caption(), rt::Text("取消"));
        QVERIFY(!enabled("列表"));
        QVERIFY(!backwardEnabled());
        QVERIFY(!forwardEnabled());
        for (const char* item : {"打开数据库", "重新打开数据库", "加入新记录"})
            QVERIFY2(!itemEnabled(item), item);
        QCOMPARE(main().dateBox("年编辑框").value(), rt::datePart(rt::now()));
        QCOMPARE(text("工作备注编辑框"), rt::Text(""));
    }
    void expectShown(const StoredRow& r) {
        QCOMPARE(text("姓名编辑框").toQString(), r.name);
        QCOMPARE(text("公司名称编辑框").toQString(), r.company);
        QCOMPARE(text("公司地址编辑框").toQString(), r.address);
        QCOMPARE(main().dateBox("入厂时间编辑框").value(), r.joined);
        QCOMPARE(main().dateBox("年编辑框").value(), r.workDay);
        QCOMPARE(text("上班时间编辑框"), rt::toText(r.hours.value_or(0)));
        QCOMPARE(text("工作备注编辑框").toQString(), r.notes);
        QCOMPARE(text("序号标签").toQString(), r.id);
    }

private slots:
    void initTestCase() {
        QVERIFY(windowtests::setUpRuntime(runtimeDir_));
        ui::registerMainWindowHandlers();
    }

    void init() {
        programDir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(programDir_->isValid());
        rt::setProgramDirectoryForTests(rt::Text(programDir_->path()));
        QVERIFY(store::restoreDatabase());
        QCOMPARE(app::acquireInstanceGuard(), app::GuardResult::Acquired);
        boxes_ = std::make_unique<rt::ScriptedMessageBoxes>();
        QVERIFY(rt::loadForm(kMain));
        QVERIFY(boxes_->calls().empty());
    }

    void cleanup() {
        boxes_.reset();
        rt::setPopupMenuHook({});
        for (const rt::Text& name : rt::formNames())
            if (rt::isLoaded(name))
                rt::form(name).destroy();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        app::closeInstanceGuard();
        for (const char* key : {"列表查看.created", "查询.created", "用户密码设置.created"})
            rt::unregisterHandler(key);
        rt::setProgramDirectoryForTests({});
    }

    // ---------------------------------------------------------------------------------------
    // Frame

    void everyBindingOfTheFormHasItsHandler() {
        for (const QString& key : rt::qt::strings(rt::missingHandlers()))
            QVERIFY2(!key.startsWith(QString::fromUtf8(kMain) + QLatin1Char('.')), qPrintable(key));
    }

    void creationDressesTheWindow() {
        rt::Form& f = main();
        const double today = rt::now();
        const rt::Text day = rt::dateText(rt::datePart(today)) + " " + ui::weekdayName(today);
        QCOMPARE(f.caption(), "Ledrimo  V1.2 access版 [今天是：" + day + "]");
        QCOMPARE(pane(0), rt::Text("数据库状态： 未连接"));
        QCOMPARE(pane(1), rt::Text("就绪"));
        QCOMPARE(pane(3), day);
        QVERIFY(f.visible());
        QCOMPARE(f.transparency(), 255);
        auto* client = static_cast<rt::detail::ClientArea*>(rt::qt::clientArea(f));
        QCOMPARE(client->picture(), rt::qt::image(app::sharedBackground()));
        for (const char* name :
             {"上一条按钮", "下一条按钮", "到最前", "到最后", "修改按钮", "删除按钮", "添加按钮", "列表"}) {
            QCOMPARE(f.button(name).picture(rt::SuperButton::Normal), app::buttonPicture(0));
            QCOMPARE(f.button(name).picture(rt::SuperButton::Hover), app::buttonPicture(1));
            QCOMPARE(f.button(name).picture(rt::SuperButton::Disabled), app::buttonPicture(2));
            if (QByteArray(name) != "添加按钮")
                QVERIFY2(!enabled(name), name);
        }
        QVERIFY(!f.control("添加按钮").visible());
        QVERIFY(!itemEnabled("上一条") && !itemEnabled("下一条") && !itemEnabled("查询"));
        QCOMPARE(rt::qt::strings(f.menuEntries("F.菜单")), QStringList({"打开数据库\tF5", "-", "关闭\tCtrl+F4"}));
        QCOMPARE(rt::qt::strings(f.menuEntries("H.帮助")), QStringList({"-", "关于\tF1", "更新说明"}));
        QCOMPARE(rt::qt::strings(f.menuEntries("托盘菜单")), QStringList({"隐藏"}));
    }

    // The form's size is the outer size of the window; the status bar lies along the bottom edge
    // of the client area over its whole width, below every other control.
    void outerSizeAndStatusBar() {
        rt::Form& f = main();
        QCOMPARE(QSize(f.width(), f.height()), QSize(609, 488));
        QCOMPARE(rt::qt::window(f)->frameGeometry().size(), QSize(609, 488));
        QWidget* client = rt::qt::clientArea(f);
        QWidget* bar = rt::qt::widget(f.control("状态条1"));
        QCOMPARE(bar->geometry(), QRect(0, client->height() - 20, client->width(), 20));
        for (const char* button : {"到最前", "上一条按钮", "下一条按钮", "到最后", "修改按钮", "删除按钮"})
            QVERIFY2(rt::qt::widget(f.control(button))->geometry().bottom() < bar->y(), button);
        // It follows the window.
        f.setHeight(500);
        QCOMPARE(bar->geometry(), QRect(0, client->height() - 20, client->width(), 20));
        f.setHeight(488);
    }

    // "&H.帮助" at start: the separator before "关于" shows, although the item above it is hidden.
    void helpSeparatorShowsAtStart() {
        QMenu* help = rt::qt::action(main().menuItem("H.帮助"))->menu();
        help->popup(rt::qt::window(main())->mapToGlobal(QPoint(100, 30)));
        QTest::qWait(20);
        QAction* separator = help->actions().value(1);
        QVERIFY(separator && separator->isSeparator() && separator->isVisible());
        const QRect r = help->actionGeometry(separator);
        const QImage picture = help->grab().toImage();
        const int border = help->style()->pixelMetric(QStyle::PM_MenuPanelWidth, nullptr, help);
        int drawn = 0;
        for (int y = std::max(r.top(), border); y <= r.bottom() && y < picture.height() - border; ++y)
            for (int x = r.left() + r.width() / 4; x < r.left() + 3 * r.width() / 4; ++x)
                drawn += qGray(picture.pixel(x, y)) < 200;
        help->close();
        QVERIFY2(drawn > r.width() / 4, qPrintable(QString::number(drawn)));
    }

    void titleAndClockTexts() {
        QCOMPARE(ui::mainWindowTitle(rt::makeDate(2010, 7, 20, 16, 7, 26)),
                 rt::Text("Ledrimo  V1.2 access版 [今天是：2010年7月20日 星期二]"));
        QCOMPARE(ui::dayAndWeekday(rt::makeDate(2010, 5, 24)), rt::Text("2010年5月24日 星期一"));
        QCOMPARE(ui::weekdayName(rt::makeDate(2010, 7, 18)), rt::Text("星期日"));
        QCOMPARE(ui::weekdayName(rt::makeDate(2010, 7, 24)), rt::Text("星期六"));
        QCOMPARE(ui::clockText(rt::makeDate(2010, 7, 20, 0, 0, 7)), rt::Text("系统时间：00:00:07"));
        QCOMPARE(ui::clockText(rt::makeDate(2010, 7, 20, 9, 5, 3)), rt::Text("系统时间：09:05:03"));
        QCOMPARE(ui::clockText(rt::makeDate(2010, 7, 20, 23, 59, 59)), rt::Text("系统时间：23:59:59"));
    }

    // The timer's first tick (999 ms after creation) writes the clock pane and sets the period to
    // 1000 ms.
    void clockTicks() {
        QCOMPARE(main().timer("时钟1").interval(), 999);
        QTRY_VERIFY_WITH_TIMEOUT(!pane(2).empty(), 3000);
        static const QRegularExpression clock(QStringLiteral("^系统时间：\\d\\d:\\d\\d:\\d\\d$"));
        QVERIFY2(clock.match(pane(2).toQString()).hasMatch(), qPrintable(pane(2).toQString()));
        QCOMPARE(main().timer("时钟1").interval(), 1000);
    }

    void aboutBox() {
        choose("关于");
        expectOnlyBox("Ledrimo V1.2 access版\r\n作者：Ledrimo 开发组 ledrimo@example.org", "关于软件",
                      rt::MbIconInformation);
    }

    void updateNotesText() {
        const rt::Text notes = ui::updateNotesText();
        const QStringList lines = notes.toQString().split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 13);
        for (int i = 0; i < 12; ++i)
            QCOMPARE(rt::Text(lines[i]).length(), 40); // bytes in code page 936
        QCOMPARE(lines[12], QStringLiteral("|======================================|   "));
        QCOMPARE(lines[1], QStringLiteral("|                  更新说明            |"));
        QCOMPARE(lines[5], QStringLiteral("|   修正了创建数据库时设置密码无效的BUG|"));
        QCOMPARE(notes.toQString().size(), 481);
        QVERIFY(!notes.toQString().endsWith(QLatin1Char('\n')));

        type("姓名编辑框", "张三");
        choose("更新说明");
        QCOMPARE(text("工作备注编辑框"), notes);
        QCOMPARE(text("姓名编辑框"), rt::Text("张三"));
        QVERIFY(boxes_->calls().empty());
    }

    // Close box, Alt+F4 and 关闭 ask first; Cancel leaves the window as it was.
    void exitCancelledKeepsTheWindow() {
        type("姓名编辑框", "张三");
        boxes_->answer(rt::MbCancel);
        QVERIFY(!rt::testing::requestClose(main()));
        expectOnlyBox(ui::kExitQuestion, "退出软件", rt::MbOkCancel | rt::MbIconQuestion, true);
        QCOMPARE(rt::Text(ui::kExitQuestion), rt::Text("你要退出 “Ledrimo  V1.2 access版”吗？"));
        // Alt+F4 reaches the window as a close event.
        boxes_->answer(rt::MbCancel);
        QCloseEvent close;
        QCoreApplication::sendEvent(rt::qt::window(main()), &close);
        boxes_->answer(rt::MbCancel);
        choose("关闭");
        QCOMPARE(boxes_->calls().size(), size_t(2));
        QVERIFY(rt::isLoaded(kMain));
        QVERIFY(main().visible());
        QCOMPARE(main().transparency(), 255);
        QCOMPARE(text("姓名编辑框"), rt::Text("张三"));
        QVERIFY(app::instanceGuardHeld());
    }

    // OK: the list window fades out first, then the main window; the clean-up releases the guard.
    void exitConfirmedFadesBothWindowsOut() {
        QVERIFY(rt::loadForm("列表查看", &main()));
        // When the main window starts to fade, the list window has faded out (or is gone).
        std::optional<int> listAlphaWhenMainFades;
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (!listAlphaWhenMainFades && rt::isLoaded(kMain) && main().transparency() < 255)
                listAlphaWhenMainFades = rt::isLoaded("列表查看") ? rt::form("列表查看").transparency() : -1;
        });
        probe.start(2);
        choose("关闭");
        expectOnlyBox(ui::kExitQuestion, "退出软件", rt::MbOkCancel | rt::MbIconQuestion, true);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!rt::isLoaded("列表查看"));
        QVERIFY(!rt::isLoaded(kMain));
        QVERIFY(listAlphaWhenMainFades);
        QVERIFY2(*listAlphaWhenMainFades <= 5, qPrintable(QString::number(*listAlphaWhenMainFades)));
        QVERIFY(!app::instanceGuardHeld());
    }

    void exitByCloseBox() {
        QVERIFY(rt::testing::requestClose(main()));
        QCOMPARE(boxes_->calls().size(), size_t(1));
        QCoreApplication::processEvents();
        QVERIFY(!rt::isLoaded(kMain));
        QVERIFY(!app::instanceGuardHeld());
    }

    // 隐藏 and 显示 switch each other; the tray double-click shows the window.
    void trayMenuHidesAndShows() {
        std::vector<QString> popped;
        rt::setPopupMenuHook([&](rt::Form&, const rt::Text& menu, rt::Point) {
            popped.push_back(menu.toQString());
            return QStringLiteral("隐藏");
        });
        QVERIFY(rt::testing::clickTray(main().trayIcon("托盘图标1"), rt::testing::TrayClick::Right));
        QCOMPARE(popped, std::vector<QString>{QStringLiteral("托盘菜单")});
        QVERIFY(!main().visible());
        QCOMPARE(rt::qt::strings(main().menuEntries("托盘菜单")), QStringList({"显示", "隐藏"}));
        QVERIFY(itemEnabled("显示") && !itemEnabled("隐藏"));

        choose("显示");
        QVERIFY(main().visible());
        QCOMPARE(rt::qt::strings(main().menuEntries("托盘菜单")), QStringList({"显示", "隐藏"}));
        QVERIFY(!itemEnabled("显示") && itemEnabled("隐藏"));

        choose("隐藏");
        QVERIFY(rt::testing::clickTray(main().trayIcon("托盘图标1"), rt::testing::TrayClick::Double));
        QVERIFY(main().visible());
        QVERIFY(!itemEnabled("显示") && itemEnabled("隐藏"));
        QVERIFY(boxes_->calls().empty());
    }

    // While the list window is loaded neither tray event does anything.
    void trayDoesNothingWhileTheListIsLoaded() {
        choose("隐藏");
        QVERIFY(rt::loadForm("列表查看", &main()));
        bool popped = false;
        rt::setPopupMenuHook([&](rt::Form&, const rt::Text&, rt::Point) {
            popped = true;
            return QString();
        });
        QVERIFY(rt::testing::clickTray(main().trayIcon("托盘图标1"), rt::testing::TrayClick::Double));
        QVERIFY(rt::testing::clickTray(main().trayIcon("托盘图标1"), rt::testing::TrayClick::Right));
        QVERIFY(!popped);
        QVERIFY(!main().visible());
        QVERIFY(itemEnabled("显示") && !itemEnabled("隐藏"));
        rt::form("列表查看").destroy();
        QCoreApplication::processEvents();
        QVERIFY(rt::testing::clickTray(main().trayIcon("托盘图标1"), rt::testing::TrayClick::Double));
        QVERIFY(main().visible());
    }

    // The tray icon needs no notification area: without one everything else goes on.
    void trayWithoutNotificationArea() {
        QVERIFY(!main().trayIcon("托盘图标1").isShown());
        QCOMPARE(main().trayIcon("托盘图标1").tooltip(), rt::Text("工作时间记录工具"));
        choose("关于");
        QCOMPARE(boxes_->calls().size(), size_t(1));
    }

    // 查询 and 用户密码设置 load their windows modal and without owner.
    void queryAndAccountWindowsLoadModal() {
        QStringList seen;
        for (const char* form : {"查询", "用户密码设置"}) {
            rt::registerHandler(QString::fromUtf8(form) + ".created", [&seen](rt::Event& e) {
                seen << e.form.name().toQString() + (e.form.isModal() ? ":modal" : ":modeless") +
                            (e.form.owner() ? ":owned" : "");
                e.form.destroy();
            });
        }
        main().menuItem("查询").setDisabled(false); // normally enabled by connect
        main().menuItem("用户密码设置").setVisible(true);
        choose("查询");
        choose("用户密码设置");
        QCOMPARE(seen, QStringList({"查询:modal", "用户密码设置:modal"}));
    }

    // 列表 opens the list window owned by the main window; with "返回列表" it brings the hidden
    // list back and the caption returns to "打开列表".
    void listButtonOpensAndReturns() {
        main().control("列表").setDisabled(false); // normally enabled by connect
        click("列表");
        QVERIFY(rt::isLoaded("列表查看"));
        QCOMPARE(rt::form("列表查看").owner(), &main());
        QVERIFY(!rt::form("列表查看").isModal());

        rt::form("列表查看").setVisible(false);
        main().button("列表").setCaption("返回列表");
        click("列表");
        QVERIFY(rt::form("列表查看").visible());
        QCOMPARE(rt::form("列表查看").transparency(), 255);
        QCOMPARE(main().button("列表").caption(), rt::Text("打开列表"));
    }

    // ---------------------------------------------------------------------------------------
    // Browsing

    void connectOnAnEmptyTableEntersAdding() {
        REQUIRE_DATA();
        type("姓名编辑框", "张三");
        connect();
        expectOnlyBox(kNoEntries, "信息：", rt::MbIconInformation);
        expectAdding();
        QVERIFY(!itemEnabled("查询"));
        QVERIFY(!enabled("删除按钮")); // the only way out is a successful add
        QVERIFY(main().menuItem("用户密码设置").visible());
        QCOMPARE(text("姓名编辑框"), rt::Text("张三"));
    }

    // A row written without a time stamp is still an entry.
    void aRowWithoutTimeStampIsAnEntry() {
        REQUIRE_DATA();
        QVERIFY(run("insert into data (姓名,上班时间,id) values ('无时间',3,'GZ-00001')"));
        connect();
        QVERIFY(boxes_->calls().empty());
        QCOMPARE(text("姓名编辑框"), rt::Text("无时间"));
        QCOMPARE(pane(1), rt::Text("共有: 1 条数据"));
        expectBrowsing();
    }

    void hoursZeroIsShownAsZero() {
        REQUIRE_DATA();
        store::EntryValues v = entry("甲", "GZ-00001");
        v.hours = "0";
        store(v);
        connect();
        QCOMPARE(text("上班时间编辑框"), rt::Text("0"));
    }

    void disconnectEmptiesTheBoxesAndConnectShowsTheFirstAgain() {
        REQUIRE_DATA();
        storeEntries(2);
        connect();
        click("下一条按钮");
        const double joined = main().dateBox("入厂时间编辑框").value();
        const double workDay = main().dateBox("年编辑框").value();
        choose("打开数据库"); // now "断开数据库连接"
        for (const char* box :
             {"姓名编辑框", "公司名称编辑框", "公司地址编辑框", "上班时间编辑框", "工作备注编辑框"})
            QVERIFY2(text(box).empty(), box);
        QCOMPARE(main().dateBox("入厂时间编辑框").value(), joined);
        QCOMPARE(main().dateBox("年编辑框").value(), workDay);
        QVERIFY(!main().control("序号标签").visible());
        for (const char* name :
             {"上一条按钮", "下一条按钮", "到最前", "到最后", "修改按钮", "删除按钮", "添加按钮", "列表"})
            QVERIFY2(!enabled(name), name);
        for (const char* item : {"重新打开数据库", "加入新记录", "上一条", "下一条", "查询"})
            QVERIFY2(!itemEnabled(item), item);
        QCOMPARE(pane(0), rt::Text("状态:数据库断开"));
        QCOMPARE(pane(1), rt::Text("就绪"));
        QCOMPARE(main().menuItem("打开数据库").caption(), rt::Text("打开数据库"));
        connect();
        expectShown(stored()[0]);
        QVERIFY(boxes_->calls().empty());
    }

    // ---------------------------------------------------------------------------------------
    // Adding

    // From an empty table the first entry is GZ-00001.
    void firstEntryOfAnEmptyTable() {
        REQUIRE_DATA();
        connect();
        boxes_->clear();
        type("姓名编辑框", "张三");
        type("上班时间编辑框", "8");
        type("工作备注编辑框", "第一行\r\n第二行");
        click("添加按钮");
        const std::vector<StoredRow> rows = stored();
        QCOMPARE(rows.size(), size_t(1));
        QCOMPARE(rows[0].id, QStringLiteral("GZ-00001"));
        QCOMPARE(rows[0].hours, std::optional<int>(8));
        QCOMPARE(rows[0].notes, QStringLiteral("第一行\r\n第二行"));
        expectBrowsing();
        QVERIFY(!backwardEnabled() && !forwardEnabled());
        QVERIFY(itemEnabled("打开数据库"));
    }

    void cancelAddingShowsTheLastEntry() {
        REQUIRE_DATA();
        storeEntries(3);
        connect();
        choose("加入新记录");
        type("姓名编辑框", "不要");
        boxes_->answer(rt::MbCancel);
        click("删除按钮");
        expectOnlyBox("还完成操作，要取消吗？", "取消", rt::MbOkCancel | rt::MbIconQuestion, true);
        expectAdding();
        click("删除按钮");
        expectOnlyBox("还完成操作，要取消吗？", "取消", rt::MbOkCancel | rt::MbIconQuestion, true);
        expectShown(stored()[2]);
        expectBrowsing();
        QVERIFY(!forwardEnabled());
        QCOMPARE(stored().size(), size_t(3));
    }

    void identifiersAfterDeletes() {
        REQUIRE_DATA();
        // GZ-00004 deleted: the next is GZ-00006.
        storeEntries(5);
        QVERIFY(run("delete from data where id='GZ-00004'"));
        connect();
        choose("加入新记录");
        click("添加按钮");
        QCOMPARE(storedIds(), QStringList({"GZ-00001", "GZ-00002", "GZ-00003", "GZ-00005", "GZ-00006"}));
        // The highest deleted (the add left it shown): its identifier comes again.
        QCOMPARE(text("序号标签"), rt::Text("GZ-00006"));
        click("删除按钮");
        QCOMPARE(text("提示信息"), rt::Text("已删除！"));
        choose("加入新记录");
        click("添加按钮");
        QCOMPARE(storedIds(), QStringList({"GZ-00001", "GZ-00002", "GZ-00003", "GZ-00005", "GZ-00006"}));
        QCOMPARE(text("序号标签"), rt::Text("GZ-00006"));
    }

    // After GZ-99999 the number widens, and the next add finds GZ-100000 although text order
    // puts it before GZ-99999.
    void identifiersPastTheFiveDigitLimit() {
        REQUIRE_DATA();
        store(entry("甲", "GZ-99998"));
        store(entry("乙", "GZ-99999"));
        connect();
        for (int i = 0; i < 3; ++i) {
            choose("加入新记录");
            click("添加按钮");
        }
        QCOMPARE(storedIds(), QStringList({"GZ-99998", "GZ-99999", "GZ-100000", "GZ-100001", "GZ-100002"}));
        QCOMPARE(text("序号标签"), rt::Text("GZ-100002"));
    }

    void nameWithQuotesIsStoredAsTyped() {
        REQUIRE_DATA();
        storeEntries(2);
        connect();
        choose("加入新记录");
        type("姓名编辑框", "O'Brien");
        type("工作备注编辑框", "x' where 1=1 or id='");
        click("添加按钮");
        QCOMPARE(stored()[2].name, QStringLiteral("O'Brien"));
        QCOMPARE(stored()[2].notes, QStringLiteral("x' where 1=1 or id='"));
        // A modify with quotes changes only its own entry.
        click("到最前");
        type("公司名称编辑框", "it's', 姓名='all");
        click("修改按钮");
        const std::vector<StoredRow> rows = stored();
        QCOMPARE(rows[0].company, QStringLiteral("it's', 姓名='all"));
        QCOMPARE(rows[0].name, QStringLiteral("甲"));
        QCOMPARE(rows[1].name, QStringLiteral("乙"));
        QCOMPARE(rows[1].company, QStringLiteral("公司乙"));
        QCOMPARE(text("提示信息"), rt::Text("修改完毕！"));
    }

    void addTooLongFails() {
        REQUIRE_DATA();
        storeEntries(1);
        connect();
        choose("加入新记录");
        type("姓名编辑框", repeated(21, "名"));
        click("添加按钮");
        expectFailure("添加数据出错，请联系作者!", "出错了！", rt::MbIconError);
        QCOMPARE(stored().size(), size_t(1));
        QVERIFY(main().control("添加按钮").visible());
        QCOMPARE(main().button("删除按钮").caption(), rt::Text("删除"));
    }

    // ---------------------------------------------------------------------------------------
    // Modifying and deleting

    void modifyWithEmptyHoursFails() {
        REQUIRE_DATA();
        storeEntries(1);
        connect();
        const StoredRow before = stored()[0];
        type("姓名编辑框", "改名");
        type("上班时间编辑框", "");
        click("修改按钮");
        expectFailure("修改数据失败，原因为", "错误", rt::MbIconWarning);
        // The reason is the data layer's account of the refused statement.
        QVERIFY(lastFailure_.size() > QStringLiteral("修改数据失败，原因为").size());
        QVERIFY(lastFailure_.contains(QStringLiteral("Description: ")));
        const StoredRow after = stored()[0];
        QCOMPARE(after.name, before.name);
        QCOMPARE(after.hours, before.hours);
        QCOMPARE(after.savedAt, before.savedAt);
        QVERIFY(text("提示信息").empty());
        QCOMPARE(text("姓名编辑框"), rt::Text("改名")); // what was typed stays
    }

    void modifyTooLongFails() {
        REQUIRE_DATA();
        storeEntries(1);
        connect();
        type("公司地址编辑框", repeated(251, "址"));
        click("修改按钮");
        expectFailure("修改数据失败，原因为", "错误", rt::MbIconWarning);
        QCOMPARE(stored()[0].address, QStringLiteral("地址甲"));
    }

    // The update notes are 481 characters, more than 工作备注 holds.
    void updateNotesCannotBeStored() {
        REQUIRE_DATA();
        storeEntries(2);
        connect();
        choose("更新说明");
        click("修改按钮");
        expectFailure("修改数据失败，原因为", "错误", rt::MbIconWarning);
        QCOMPARE(stored()[0].notes, QStringLiteral("备注甲"));
        click("下一条按钮");
        QCOMPARE(text("工作备注编辑框"), rt::Text("备注乙"));
    }

    // The entry went while it was shown (deleted by another program, or from the list window):
    // the update changes nothing, and that is reported as a failure.
    void modifyOfAVanishedEntryFails() {
        REQUIRE_DATA();
        storeEntries(2);
        connect();
        QVERIFY(run("delete from data where id='GZ-00001'"));
        type("姓名编辑框", "改名");
        click("修改按钮");
        QVERIFY(boxes_->calls().size() >= 2);
        const rt::MessageBoxCall& box = boxes_->calls().back();
        QVERIFY(box.text.toQString().startsWith(QStringLiteral("修改数据失败，原因为")));
        QVERIFY(box.text.toQString().contains(QStringLiteral("GZ-00001")));
        QCOMPARE(box.caption, rt::Text("错误"));
        QVERIFY(text("提示信息").empty());
        QCOMPARE(storedIds(), QStringList({"GZ-00002"}));
        QCOMPARE(stored()[0].name, QStringLiteral("乙"));
    }

    // The entry went meanwhile: the delete fails and says why, in the data layer's words.
    void deleteOfAVanishedEntryFails() {
        REQUIRE_DATA();
        storeEntries(2);
        connect();
        QVERIFY(run("delete from data where id='GZ-00001'"));
        click("删除按钮");
        QVERIFY(!boxes_->calls().empty());
        const rt::MessageBoxCall& box = boxes_->calls().back();
        QVERIFY(box.text.toQString().startsWith(QStringLiteral("删除失败！")));
        QVERIFY(box.text.length() > rt::Text("删除失败！").length());
        QVERIFY(!box.text.toQString().contains(QStringLiteral("数据库没有给出原因")));
        QCOMPARE(box.caption, rt::Text("信息："));
        QCOMPARE(box.style, rt::MbIconWarning | rt::MbTaskModal);
        QCOMPARE(storedIds(), QStringList({"GZ-00002"}));
        QVERIFY(text("提示信息").empty());
    }

    // The last entry deleted: the window shows what connecting to an empty table shows, a new
    // entry being prepared with today's dates and empty boxes, nothing to move to, modify or
    // delete; adding works.
    void deletingTheOnlyEntry() {
        REQUIRE_DATA();
        storeEntries(1);
        connect();
        click("删除按钮");
        QVERIFY(stored().empty());
        QCOMPARE(text("提示信息"), rt::Text("已删除！"));
        QCOMPARE(pane(1), rt::Text("共有: 0 条数据"));
        expectAdding();
        const double today = rt::datePart(rt::now());
        QCOMPARE(main().dateBox("入厂时间编辑框").value(), today);
        QCOMPARE(main().dateBox("年编辑框").value(), today);
        for (const char* box : {"姓名编辑框", "公司名称编辑框", "公司地址编辑框", "上班时间编辑框"})
            QVERIFY2(text(box).empty(), box);
        QVERIFY(!enabled("删除按钮"));
        type("姓名编辑框", "新");
        click("添加按钮");
        QCOMPARE(storedIds(), QStringList({"GZ-00001"}));
        expectBrowsing();
    }

    // A key held down (the window system repeats it as a release and a press at one time stamp,
    // as when an automation tool sent a press without its release) chooses no menu item and
    // answers no box: opening "&F.菜单" does not lead to 关闭, and the exit question, when it
    // comes, waits for the user.
    void aHeldReturnNeverEndsTheProgram() {
        REQUIRE_DATA();
        connect();
        expectOnlyBox(kNoEntries, "信息：", rt::MbIconInformation);
        boxes_.reset(); // from here on the real boxes

        // The held key, fed from a chain of single shots so that it goes on inside a box's own
        // event loop; and a user who answers Cancel to an exit question after 300 ms.
        struct Held {
            bool on = true;
            quint64 at = 1000;
            bool asked = false;
            QElapsedTimer boxUp;
        };
        auto held = std::make_shared<Held>();
        auto send = [](QObject* to, QEvent::Type type, quint64 time) {
            if (!to)
                return;
            QKeyEvent e(type, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
            e.setTimestamp(time);
            QSpontaneKeyEvent::setSpontaneous(&e);
            qApp->notify(to, &e); // keeps the event spontaneous, as QTest does
        };
        auto target = []() -> QObject* {
            if (QWidget* popup = QApplication::activePopupWidget())
                return popup;
            if (QWidget* modal = QApplication::activeModalWidget())
                return modal->focusWidget() ? modal->focusWidget() : modal;
            return rt::isLoaded(kMain) ? rt::qt::widget(rt::form(kMain).control("姓名编辑框")) : nullptr;
        };
        // The chain holds itself only weakly: the test's own handle is the one that keeps it.
        auto tick = std::make_shared<std::function<void()>>();
        std::weak_ptr<std::function<void()>> weakTick = tick;
        *tick = [=] {
            auto self = weakTick.lock();
            if (!self || !held->on)
                return;
            QTimer::singleShot(20, *self);
            held->at += 40;
            send(target(), QEvent::KeyRelease, held->at);
            send(target(), QEvent::KeyPress, held->at);
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                held->boxUp.invalidate();
            } else if (!held->boxUp.isValid()) {
                held->boxUp.start();
            } else if (held->boxUp.elapsed() > 300) {
                held->asked = box->text() == QString::fromUtf8(ui::kExitQuestion);
                box->button(QMessageBox::Cancel)->click();
            }
        };
        struct Release {
            std::shared_ptr<Held> held;
            ~Release() { held->on = false; }
        } release{held};
        send(target(), QEvent::KeyPress, held->at);
        QTimer::singleShot(20, *tick);

        QMenu* file = rt::qt::action(main().menuItem("F.菜单"))->menu();
        file->popup(rt::qt::window(main())->mapToGlobal(QPoint(10, 30)));
        QTest::qWait(400);
        QVERIFY(rt::isLoaded(kMain));
        QVERIFY(file->isVisible());
        file->close();

        choose("关闭");
        QVERIFY(held->asked);
        QVERIFY(rt::isLoaded(kMain));
        QCOMPARE(main().transparency(), 255);
    }

    // A text box filled by the program shows the start of a long value.
    void aLongNameShowsItsStart() {
        REQUIRE_DATA();
        store::EntryValues v = entry("甲", "GZ-00001");
        v.name = "ABCDEFGHIJKLMNOPQRST";
        store(v);
        connect();
        auto* name = qobject_cast<QLineEdit*>(rt::qt::widget(main().control("姓名编辑框")));
        QCOMPARE(name->text(), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
        QCOMPARE(name->cursorPosition(), 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
