// The list window with its real handlers and the main window's, on the real forms, a `db` of the
// test's own in a program directory of its own, every message box and pop-up menu answered by
// script. Entries are written straight through the engine, as another program would, and what is
// stored is read back through the engine, not from the screen. Its rows, an entry opened in the
// main window and a row deleted after the question are window scenarios (tests/scenarios/).
#include "runtime/qt/access.h"
#include "app/effects.h"
#include "app/instance_guard.h"
#include "jet/database.h"
#include "jet/sql_engine.h"
#include "runtime/picture.h"
#include "runtime/runtime.h"
#include "runtime/testing.h"
#include "store/database_file.h"
#include "store/entry_statements.h"
#include "tests/ui/window_tests.h"
#include "ui/list/list_window.h"
#include "ui/main/main_window.h"

#include <QContextMenuEvent>
#include <QTemporaryDir>
#include <QTreeView>
#include <QWindow>
#include <QtTest>

namespace {

const char* const kMain = "主窗口";
const char* const kListForm = "列表查看";
const char* const kList = "超级列表框1";
const char* const kNames[] = {"甲", "乙", "丙", "丁", "戊", "己"};

QString fromU16(const jet::Value& v) {
    if (const auto* s = std::get_if<std::u16string>(&v))
        return QString::fromStdU16String(*s);
    return {};
}

rt::Text identifier(int number) {
    char id[16];
    std::snprintf(id, sizeof id, "GZ-%05d", number);
    return rt::Text(id);
}

} // namespace

class ListWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtimeDir_;
    std::unique_ptr<QTemporaryDir> programDir_;
    std::unique_ptr<rt::ScriptedMessageBoxes> boxes_;
    std::vector<QString> popped_; // pop-up menus shown
    QString choice_;              // the item the next pop-up menu chooses

    rt::Form& main() { return rt::form(kMain); }
    rt::Form& list() { return rt::form(kListForm); }
    rt::ListView& rows() { return list().listView(kList); }
    QTreeView* view() { return static_cast<QTreeView*>(rt::qt::widget(rows())); }
    QString dbPath() const { return programDir_->path() + QStringLiteral("/db"); }

    // ---- the database, through the engine ----

    bool run(const rt::Text& statement) { return windowtests::runOnEngine(dbPath(), statement); }
    store::EntryValues entry(int number) {
        const char* name = kNames[(number - 1) % 6];
        store::EntryValues v;
        v.name = name;
        v.company = rt::Text("公司") + name;
        v.address = rt::Text("地址") + name;
        v.joined = rt::makeDate(2009, 3, number);
        v.workDay = rt::makeDate(2010, 7, 10 + number);
        v.hours = rt::toText(number + 5);
        v.notes = rt::Text("备注") + name;
        v.savedAt = rt::makeDate(2010, 7, 10 + number, 18, 0, 0);
        v.id = identifier(number);
        return v;
    }
    void storeEntries(int n) {
        for (int i = 1; i <= n; ++i)
            QVERIFY(run(store::insertStatement(entry(i))));
    }
    QStringList storedIds() {
        QStringList ids;
        for (const auto& values : windowtests::engineRows(dbPath(), u"data"))
            ids << fromU16(values[8]);
        return ids;
    }

    // ---- the windows ----

    void connect() { QVERIFY(main().menuItem("打开数据库").choose()); }
    void clickMain(const char* button) { QVERIFY2(rt::testing::click(main().control(button)), button); }
    void openList() {
        clickMain("列表");
        QVERIFY(rt::isLoaded(kListForm));
        QVERIFY(list().visible());
        QCOMPARE(list().transparency(), 255);
    }
    // Selects row index `row` as a click would (the current row changes).
    void select(int row) { rows().setSelectedIndex(row); }
    // A right click on the selected row, or on the empty list; the pop-up menu, if one comes,
    // chooses `item`.
    void rightClick(const char* item) {
        choice_ = QString::fromUtf8(item);
        if (rows().selectedIndex() >= 0) {
            QVERIFY(rt::testing::rightClickRow(rows(), rows().selectedIndex()));
            return;
        }
        const QPoint at(5, 5);
        QContextMenuEvent e(QContextMenuEvent::Mouse, at, view()->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(view()->viewport(), &e);
    }
    void doubleClickRow(int row) { QVERIFY(rt::testing::doubleClickRow(rows(), row)); }
    QStringList column(int c) {
        QStringList texts;
        for (int r = 0; r < rows().count(); ++r)
            texts << rows().itemText(r, c).toQString();
        return texts;
    }
    QStringList ids(std::initializer_list<int> numbers) {
        QStringList texts;
        for (int n : numbers)
            texts << identifier(n).toQString();
        return texts;
    }
    void expectMainShows(int number) {
        const store::EntryValues v = entry(number);
        QCOMPARE(main().control("序号标签").caption(), v.id);
        QCOMPARE(main().control("姓名编辑框").text(), v.name);
        QCOMPARE(main().control("公司名称编辑框").text(), v.company);
    }
    void expectDetails(int number) {
        const store::EntryValues v = entry(number);
        QCOMPARE(list().control("姓名1").caption(), v.name);
        QCOMPARE(list().control("公司名称编辑框").text(), v.company);
        QCOMPARE(list().control("公司地址编辑框").text(), v.address);
        QCOMPARE(list().control("入厂时间1").caption(), rt::dateText(v.joined));
    }
    // The one box that came: the entry of the row is gone and the list was filled afresh.
    void expectGoneBox() {
        QCOMPARE(boxes_->calls().size(), size_t(1));
        QCOMPARE(boxes_->calls()[0].text, rt::Text(ui::kListEntryGone));
        QCOMPARE(boxes_->calls()[0].owner, &list());
        boxes_->clear();
    }
    // The deletion question, owned by the list window: OK and Cancel, no icon.
    void expectDeleteQuestion() {
        QCOMPARE(boxes_->calls().size(), size_t(1));
        const rt::MessageBoxCall& box = boxes_->calls()[0];
        QCOMPARE(box.text, rt::Text("确认删除此条数据内容吗？"));
        QCOMPARE(box.caption, rt::Text("删除信息"));
        QCOMPARE(box.style, int(rt::MbOkCancel));
        QCOMPARE(box.icon(), rt::MessageBoxIcon::None);
        QCOMPARE(box.owner, &list());
        boxes_->clear();
    }
    void processEvents() {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private slots:
    void initTestCase() {
        QVERIFY(windowtests::setUpRuntime(runtimeDir_));
        ui::registerMainWindowHandlers();
        ui::registerListWindowHandlers();
    }

    void init() {
        programDir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(programDir_->isValid());
        rt::setProgramDirectoryForTests(rt::Text(programDir_->path()));
        QVERIFY(store::restoreDatabase());
        QCOMPARE(app::acquireInstanceGuard(), app::GuardResult::Acquired);
        boxes_ = std::make_unique<rt::ScriptedMessageBoxes>();
        popped_.clear();
        choice_.clear();
        rt::setPopupMenuHook([this](rt::Form&, const rt::Text& menu, rt::Point) {
            popped_.push_back(menu.toQString());
            return choice_;
        });
        QVERIFY(rt::loadForm(kMain));
    }

    void cleanup() {
        boxes_.reset();
        rt::setPopupMenuHook({});
        for (const rt::Text& name : rt::formNames())
            if (rt::isLoaded(name))
                rt::form(name).destroy();
        processEvents();
        app::closeInstanceGuard();
        rt::setProgramDirectoryForTests({});
    }

    void everyBindingOfTheFormHasItsHandler() {
        for (const QString& key : rt::qt::strings(rt::missingHandlers()))
            QVERIFY2(!key.startsWith(QString::fromUtf8(kListForm) + QLatin1Char('.')), qPrintable(key));
    }

    // The window system keeps the list window above its owner (a transient of the main window).
    // Its rows, title and pictures are a window scenario (tests/scenarios/list_scenarios.cpp).
    void keptAboveTheMainWindow() {
        storeEntries(3);
        connect();
        openList();
        QCOMPARE(rt::qt::window(list())->windowType(), Qt::Dialog);
        QCOMPARE(rt::qt::window(list())->windowHandle()->transientParent(), rt::qt::window(main())->windowHandle());
    }

    // Notes with line breaks take one line in the list, each break shown as a mark; the main
    // window shows them in full.
    void notesOnOneLine() {
        store::EntryValues v = entry(1);
        v.notes = "第一行\r\n第二行\r\n";
        QVERIFY(run(store::insertStatement(v)));
        QVERIFY(run(store::insertStatement(entry(2))));
        connect();
        openList();
        QCOMPARE(column(5), QStringList({"第一行↵第二行↵", "备注乙"}));
        const QModelIndex first = view()->model()->index(0, 5);
        QCOMPARE(view()->visualRect(first).height(),
                 view()->visualRect(view()->model()->index(1, 5)).height());
        QVERIFY(view()->visualRect(first).height() < 2 * view()->fontMetrics().height());
        QCOMPARE(main().control("工作备注编辑框").text(), v.notes);
    }

    // While the main window is disconnected the list is empty and offers nothing, with no box of
    // its own nor of the data layer; connecting again fills it.
    void theListFollowsTheConnection() {
        storeEntries(2);
        connect();
        openList();
        connect(); // 断开数据库连接
        QCOMPARE(main().menuItem("打开数据库").caption(), rt::Text("打开数据库"));
        QCOMPARE(rows().count(), 0);
        QCOMPARE(list().control("姓名1").caption(), rt::Text(""));
        QCOMPARE(list().control("公司名称编辑框").text(), rt::Text(""));
        for (const char* item : {"查看详细", "刷新", "删除所选"})
            QVERIFY(list().menuItem(item).choose());
        QVERIFY(boxes_->calls().empty());
        QCOMPARE(rows().count(), 0);
        connect();
        QCOMPARE(column(1), ids({1, 2}));
        QVERIFY(boxes_->calls().empty());
    }

    // An empty table: an empty list, no context menu, a double-click does nothing.
    void emptyTable() {
        connect(); // no entries: the main window says so and enters Adding
        boxes_->clear();
        QVERIFY(rt::loadForm(kListForm, &main()));
        QCOMPARE(rows().count(), 0);
        rightClick("删除所选");
        QVERIFY(popped_.empty());
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(list().visible());
        QCOMPARE(main().button("列表").caption(), rt::Text("打开列表"));
        // Del with no row selected deletes nothing and asks nothing.
        QVERIFY(list().menuItem("删除所选").choose());
        QVERIFY(boxes_->calls().empty());
    }

    // Selecting a row fills the detail area from that entry; 刷新 shows entries added meanwhile.
    void detailsAndRefresh() {
        storeEntries(3);
        connect();
        openList();
        select(1);
        expectDetails(2);
        select(2);
        expectDetails(3);
        QVERIFY(!main().recordSet("记录集2").isOpen());
        // A click makes the row current before it selects it.
        QVERIFY(rt::testing::clickRow(rows(), 0));
        QCOMPARE(rows().selectedIndex(), 0);
        expectDetails(1);

        // An entry added in the main window appears at the end after 刷新.
        QVERIFY(main().menuItem("加入新记录").choose());
        main().control("姓名编辑框").setText("新人");
        clickMain("添加按钮");
        boxes_->clear();
        QCOMPARE(rows().count(), 3);
        select(0);
        rightClick("刷新");
        QCOMPARE(popped_, std::vector<QString>{QStringLiteral("右键菜单")});
        QCOMPARE(column(0), QStringList({"1", "2", "3", "4"}));
        QCOMPARE(column(1), ids({1, 2, 3, 4}));
        QCOMPARE(rows().itemText(3, 2), rt::Text("新人"));
        QVERIFY(boxes_->calls().empty());
    }

    // The main window showed the entry the list deleted: it shows the one that took its place.
    void deletingTheEntryTheMainWindowShows() {
        storeEntries(3);
        connect(); // shows entry 1
        openList();
        select(0);
        rightClick("删除所选");
        expectDeleteQuestion();
        QCOMPARE(storedIds(), ids({2, 3}));
        expectMainShows(2);
        QCOMPARE(main().recordSet("记录集1").Pos(), 0);

        // The last one gone: the main window shows nothing to move to, modify or delete.
        select(0);
        rightClick("删除所选");
        select(0);
        rightClick("删除所选");
        boxes_->clear();
        QVERIFY(storedIds().isEmpty());
        QCOMPARE(rows().count(), 0);
        QCOMPARE(main().statusBar("状态条1").paneText(1), rt::Text("共有: 0 条数据"));
        QVERIFY(!main().control("删除按钮").enabled());
    }

    // An entry deleted in the main window while the list is open: the rows after it still name
    // their own entries, by identifier, for details, 查看详细 and 删除所选.
    void actionsFindTheirEntryAfterADeletionElsewhere() {
        storeEntries(5);
        connect();
        openList();
        QCOMPARE(column(1), ids({1, 2, 3, 4, 5}));
        clickMain("下一条按钮");
        expectMainShows(2);
        clickMain("删除按钮");
        boxes_->clear();
        QCOMPARE(storedIds(), ids({1, 3, 4, 5}));
        QCOMPARE(rows().count(), 5); // the list is not filled again by itself

        select(3); // row 4 names GZ-00004, which is now the third record
        expectDetails(4);
        rightClick("查看详细");
        expectMainShows(4);
        clickMain("列表");

        select(3);
        rightClick("删除所选");
        expectDeleteQuestion();
        QCOMPARE(storedIds(), ids({1, 3, 5}));
        QCOMPARE(column(1), ids({1, 3, 5}));
        // The main window showed the deleted entry: it shows the one that took its place.
        expectMainShows(5);
    }

    // A row whose entry is gone: details, 查看详细 and 删除所选 change nothing, say so and fill
    // the list afresh.
    void vanishedEntries() {
        storeEntries(4);
        connect();
        openList();
        select(2); // GZ-00003
        expectDetails(3);
        QVERIFY(run("delete from data where id='GZ-00003'"));

        rightClick("删除所选");
        // Asked first, then found gone.
        QCOMPARE(boxes_->calls().size(), size_t(2));
        QCOMPARE(boxes_->calls()[0].text, rt::Text("确认删除此条数据内容吗？"));
        QCOMPARE(boxes_->calls()[1].text, rt::Text(ui::kListEntryGone));
        boxes_->clear();
        QCOMPARE(storedIds(), ids({1, 2, 4}));
        QCOMPARE(column(1), ids({1, 2, 4}));

        // Selecting a row whose entry went.
        QVERIFY(run("delete from data where id='GZ-00004'"));
        select(2);
        expectGoneBox();
        processEvents(); // the list is filled afresh after the selection change
        QCOMPARE(column(1), ids({1, 2}));
        QVERIFY(run("delete from data where id='GZ-00002'"));
        select(1);
        expectGoneBox();
        processEvents();
        QCOMPARE(column(1), ids({1}));
        expectMainShows(1);
    }

    // 查看详细 on an entry the main window deleted leaves the main window and its browsing set
    // where they were.
    void openingAVanishedEntry() {
        storeEntries(3);
        connect();
        openList();
        select(2);
        clickMain("到最后");
        clickMain("删除按钮"); // GZ-00003; the main window then shows entry 2
        boxes_->clear();
        expectMainShows(2);
        rightClick("查看详细");
        expectGoneBox();
        QVERIFY(list().visible());
        QCOMPARE(main().button("列表").caption(), rt::Text("打开列表"));
        expectMainShows(2);
        QCOMPARE(main().recordSet("记录集1").Pos(), 1);
        QCOMPARE(column(1), ids({1, 2}));
    }

    // The close button and the close request slide the window out; the main window stays.
    void closing() {
        storeEntries(1);
        connect();
        openList();
        QVERIFY(rt::testing::click(list().control("图形按钮1")));
        processEvents();
        QVERIFY(!rt::isLoaded(kListForm));
        QVERIFY(rt::isLoaded(kMain));

        openList();
        rt::testing::requestClose(list());
        processEvents();
        QVERIFY(!rt::isLoaded(kListForm));
        QVERIFY(rt::isLoaded(kMain));
        openList(); // and opens again
        QCOMPARE(rows().count(), 1);
    }

    // Exit of the main window with the list open: both windows go.
    void exitWithTheListOpen() {
        storeEntries(2);
        connect();
        openList();
        QVERIFY(rt::testing::requestClose(main()));
        QCOMPARE(boxes_->calls().size(), size_t(1));
        processEvents();
        QVERIFY(!rt::isLoaded(kListForm));
        QVERIFY(!rt::isLoaded(kMain));
    }

    // While the list is loaded the tray does nothing, also while the list is hidden.
    void trayWhileTheListIsLoaded() {
        storeEntries(2);
        connect();
        openList();
        select(0);
        rightClick("查看详细");
        popped_.clear();
        QVERIFY(main().menuItem("隐藏").choose());
        ui::trayDoubleClicked(main());
        ui::trayRightButtonReleased(main());
        QVERIFY(popped_.empty());
        QVERIFY(!main().visible());
    }

    // Finding an entry by row number and identifier, on a real table.
    void positionOnEntry() {
        storeEntries(4);
        rt::CommonConnection connection;
        rt::RecordSet set;
        QVERIFY(connection.ConnectAccess(store::computeDatabasePath(), ""));
        QVERIFY(set.SetConnection(connection));
        QVERIFY(set.Open("data", rt::RecordSet::Table));
        QVERIFY(ui::positionOnEntry(set, 2, "GZ-00002"));
        QCOMPARE(set.Pos(), 1);
        QVERIFY(ui::positionOnEntry(set, 2, "GZ-00004")); // not at its row: found further on
        QCOMPARE(set.Pos(), 3);
        QVERIFY(ui::positionOnEntry(set, 9, "GZ-00001")); // a row number past the end
        QCOMPARE(set.Pos(), 0);
        QVERIFY(ui::positionOnEntry(set, 0, "GZ-00003"));
        QCOMPARE(set.Pos(), 2);
        QVERIFY(!ui::positionOnEntry(set, 1, "GZ-00009"));
        QVERIFY(!ui::positionOnEntry(set, 1, ""));
        set.Close();
        // Identifiers another program wrote that differ only in case, and one with a quote.
        QVERIFY(run("insert into data (id) values ('gz-00009')"));
        QVERIFY(run("insert into data (id) values ('GZ-00009')"));
        QVERIFY(run("insert into data (id) values ('GZ''9')"));
        QVERIFY(set.Open("data", rt::RecordSet::Table));
        QVERIFY(ui::positionOnEntry(set, 1, "GZ-00009"));
        QCOMPARE(set.Pos(), 5);
        QVERIFY(ui::positionOnEntry(set, 1, "gz-00009"));
        QCOMPARE(set.Pos(), 4);
        QVERIFY(ui::positionOnEntry(set, 1, "GZ'9"));
        QCOMPARE(set.Pos(), 6);
        QVERIFY(!ui::positionOnEntry(set, 1, "Gz-00009"));
        set.Close();
        QVERIFY(!ui::positionOnEntry(set, 1, "GZ-00001"));
    }
};

QTEST_MAIN(ListWindowTest)
#include "list_window_test.moc"
