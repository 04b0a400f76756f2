// The date query window 查询 opened from the main window's menu, with the real handlers of both
// windows, a real `db` in a program directory of the test's own and the message boxes answered by
// script: hits, misses and their messages, the button's state, and what the main window shows. A
// hit and a miss are window scenarios (tests/scenarios/query_account_scenarios.cpp).
#include "runtime/qt/access.h"
#include "app/effects.h"
#include "runtime/qt/widgets.h"
#include "ui/main/main_window.h"
#include "ui/query/query.h"
#include "ui/query_and_account.h"

#include "../scenario.h"
#include "tests/ui/window_tests.h"


namespace {

const char* const kQuery = "查询";

store::EntryValues entry(const char* name, const char* id, int year, int month, int day) {
    store::EntryValues v;
    v.name = name;
    v.company = rt::Text("公司") + name;
    v.address = rt::Text("地址") + name;
    v.joined = rt::makeDate(2009, 3, 1);
    v.workDay = rt::makeDate(year, month, day);
    v.hours = "8";
    v.notes = rt::Text("备注") + name;
    v.savedAt = rt::makeDate(year, month, day, 18, 0, 0);
    v.id = id;
    return v;
}

} // namespace

class QueryTest : public QObject {
    Q_OBJECT

    QTemporaryDir runtimeDir_;
    scenario::Program p_;

    rt::Form& main() { return p_.main(); }
    rt::Form& query() { return rt::form(kQuery); }
    rt::Text shownName() { return main().control("姓名编辑框").text(); }
    rt::Text shownId() { return main().control("序号标签").caption(); }
    bool searchEnabled() { return query().control("超级按钮1").enabled(); }

    void store(const store::EntryValues& v) { QVERIFY(p_.run(store::insertStatement(v))); }
    // Entries of 14 July, 20 July and 5 August 2010 (in that table order).
    void storeSummer() {
        store(entry("甲", "GZ-00001", 2010, 7, 14));
        store(entry("乙", "GZ-00002", 2010, 7, 20));
        store(entry("丙", "GZ-00003", 2010, 8, 5));
    }

    // Picks the date as the user does.
    void pick(int year, int month, int day) {
        QVERIFY(rt::testing::pickDate(query().dateBox("日期框1"), rt::makeDate(year, month, day)));
        QCOMPARE(query().dateBox("日期框1").value(), rt::makeDate(year, month, day));
    }
    void search() { scenario::click(query(), "超级按钮1"); }

    // The menu item 查询 of the main window, with `body` run while the window is up.
    void withQuery(const std::function<void()>& body) {
        QVERIFY(main().menuItem("查询").enabled());
        const bool ran = scenario::whileModal(
            kQuery, [this] { QVERIFY(main().menuItem("查询").choose()); }, body);
        QVERIFY(ran);
        QVERIFY(!rt::isLoaded(kQuery));
    }

    void expectMiss(const char* day) {
        QCOMPARE(p_.boxes->calls().size(), size_t(1));
        const rt::MessageBoxCall& box = p_.boxes->calls().back();
        QCOMPARE(box.text, "没有 [" + rt::Text(day) + "] 该条记录，请确认日期！");
        QCOMPARE(box.caption, rt::Text("查询出错了"));
        QCOMPARE(box.style, rt::MbIconWarning | rt::MbTaskModal); // OK only, task-modal
        QVERIFY(!box.owner);
        p_.boxes->clear();
    }

private slots:
    void initTestCase() {
        QVERIFY(windowtests::setUpRuntime(runtimeDir_));
        ui::registerMainWindowHandlers();
        ui::registerQueryAndAccountHandlers();
    }
    void init() { QVERIFY(p_.start()); }
    void cleanup() { p_.stop(); }

    void everyBindingOfTheFormHasItsHandler() {
        for (const QString& key : rt::qt::strings(rt::missingHandlers()))
            QVERIFY2(!key.startsWith(QString::fromUtf8(kQuery) + QLatin1Char('.')), qPrintable(key));
    }

    void missTextHasNoLeadingZeros() {
        QCOMPARE(ui::queryMissText(rt::makeDate(2010, 7, 5, 13, 30, 0)),
                 rt::Text("没有 [2010年7月5日] 该条记录，请确认日期！"));
        QCOMPARE(ui::queryMissText(rt::makeDate(2010, 12, 31)),
                 rt::Text("没有 [2010年12月31日] 该条记录，请确认日期！"));
    }

    // The window is dressed, modal, without owner; its date box starts at today.
    void windowIsDressed() {
        storeSummer();
        QVERIFY(p_.connect());
        withQuery([this] {
            rt::Form& q = query();
            QVERIFY(q.isModal());
            QVERIFY(!q.owner());
            QCOMPARE(q.caption(), rt::Text("查询"));
            auto* client = static_cast<rt::detail::ClientArea*>(rt::qt::clientArea(q));
            QCOMPARE(client->picture(), rt::qt::image(app::sharedBackground()));
            QCOMPARE(q.button("超级按钮1").picture(rt::SuperButton::Normal), app::buttonPicture(0));
            QCOMPARE(q.button("超级按钮1").picture(rt::SuperButton::Hover), app::buttonPicture(1));
            QCOMPARE(q.button("超级按钮1").picture(rt::SuperButton::Disabled), app::buttonPicture(2));
            QCOMPARE(q.button("超级按钮1").caption(), rt::Text("查  询"));
            QVERIFY(searchEnabled());
            QCOMPARE(q.dateBox("日期框1").value(), rt::datePart(rt::now()));
        });
        QVERIFY(p_.boxes->calls().empty());
    }

    // Only the first entry of a date in table order is found, wherever the main window stood.
    void twoEntriesOnOneDateGiveTheFirst() {
        store(entry("甲", "GZ-00001", 2010, 7, 14));
        store(entry("乙", "GZ-00002", 2010, 7, 20));
        store(entry("丙", "GZ-00003", 2010, 7, 14));
        QVERIFY(p_.connect());
        QVERIFY(main().menuItem("下一条").choose());
        QVERIFY(main().menuItem("下一条").choose());
        QCOMPARE(shownId(), rt::Text("GZ-00003"));
        withQuery([this] {
            pick(2010, 7, 14);
            search();
            QCOMPARE(shownId(), rt::Text("GZ-00001"));
            pick(2010, 7, 15);
            pick(2010, 7, 14);
            search();
            QCOMPARE(shownId(), rt::Text("GZ-00001"));
        });
        QVERIFY(p_.boxes->calls().empty());
    }

    // Single-digit months and days, and a working date stored with a time of day.
    void singleDigitMonthAndDay() {
        store(entry("甲", "GZ-00001", 2010, 7, 14));
        store(entry("乙", "GZ-00002", 2010, 8, 5));
        QVERIFY(p_.connect());
        withQuery([this] {
            pick(2010, 7, 5);
            search();
            expectMiss("2010年7月5日");
            pick(2010, 8, 5);
            search();
            QVERIFY(p_.boxes->calls().empty());
            QCOMPARE(shownName(), rt::Text("乙"));
            pick(2009, 1, 1);
            search();
            expectMiss("2009年1月1日");
        });
    }

    // The query searches what is stored now: entries added and deleted in the main window count.
    void entriesAddedAndDeletedInTheMainWindow() {
        storeSummer();
        QVERIFY(p_.connect());
        // Add an entry for 9 September 2010.
        QVERIFY(main().menuItem("加入新记录").choose());
        main().control("姓名编辑框").setText("丁");
        main().dateBox("年编辑框").setValue(rt::makeDate(2010, 9, 9));
        main().control("上班时间编辑框").setText("6");
        p_.boxes->answer(rt::MbOk);
        scenario::click(main(), "添加按钮");
        QCOMPARE(main().control("提示信息").caption(), rt::Text("添加成功！"));
        // Delete the entry of 14 July (the first).
        scenario::click(main(), "到最前");
        QCOMPARE(shownName(), rt::Text("甲"));
        p_.boxes->answer(rt::MbOk);
        scenario::click(main(), "删除按钮");
        QCOMPARE(main().control("提示信息").caption(), rt::Text("已删除！"));
        p_.boxes->clear();

        withQuery([this] {
            pick(2010, 9, 9);
            search();
            QVERIFY(p_.boxes->calls().empty());
            QCOMPARE(shownName(), rt::Text("丁"));
            QCOMPARE(shownId(), rt::Text("GZ-00004"));
            pick(2010, 7, 14);
            search();
            expectMiss("2010年7月14日");
            QCOMPARE(shownName(), rt::Text("丁"));
            pick(2010, 7, 20);
            search();
            QCOMPARE(shownName(), rt::Text("乙"));
        });
        QCOMPARE(main().statusBar("状态条1").paneText(1), rt::Text("共有: 3 条数据"));
    }

    // The query searches the browsing set the main window opened: an entry another program wrote
    // afterwards is found once the main window has connected again.
    void entryWrittenByAnotherProgramAfterReconnect() {
        storeSummer();
        QVERIFY(p_.connect());
        store(entry("戊", "GZ-00004", 2010, 10, 1));
        withQuery([this] {
            pick(2010, 10, 1);
            search();
            expectMiss("2010年10月1日");
        });
        QVERIFY(main().menuItem("打开数据库").choose()); // disconnect
        QVERIFY(p_.connect());
        withQuery([this] {
            pick(2010, 10, 1);
            search();
            QVERIFY(p_.boxes->calls().empty());
            QCOMPARE(shownName(), rt::Text("戊"));
        });
    }

    // A hit while a new entry is being prepared shows the entry found in the browsing layout: the
    // delete button deletes again instead of cancelling; a miss leaves the preparation alone.
    void hitWhileAddingReturnsToBrowsing() {
        storeSummer();
        QVERIFY(p_.connect());
        QVERIFY(main().menuItem("加入新记录").choose());
        main().control("姓名编辑框").setText("新的");
        QCOMPARE(main().button("删除按钮").caption(), rt::Text("取消"));
        withQuery([this] {
            pick(2010, 7, 15);
            search();
            expectMiss("2010年7月15日");
            QCOMPARE(shownName(), rt::Text("新的"));
            QCOMPARE(main().button("删除按钮").caption(), rt::Text("取消"));
            QVERIFY(main().control("添加按钮").visible());
            pick(2010, 7, 20);
            search();
        });
        QCOMPARE(shownName(), rt::Text("乙"));
        QCOMPARE(main().button("删除按钮").caption(), rt::Text("删除"));
        QVERIFY(!main().control("添加按钮").visible());
        QVERIFY(main().control("修改按钮").visible());
        p_.boxes->answer(rt::MbCancel);
        scenario::click(main(), "删除按钮");
        QCOMPARE(p_.boxes->calls().size(), size_t(1));
        QCOMPARE(p_.boxes->calls()[0].text, rt::Text("你确定删除这条记录吗？"));
        QCOMPARE(p_.rows(u"data").size(), size_t(3));
    }

    // An empty table: every search is a miss.
    void emptyTable() {
        QVERIFY(p_.connect());
        p_.boxes->clear(); // the main window's "no entries" message
        QVERIFY(!main().menuItem("查询").enabled());
        const bool ran = scenario::whileModal(
            kQuery, [] { rt::loadForm(kQuery, nullptr, true); },
            [this] {
                pick(2010, 7, 20);
                search();
                expectMiss("2010年7月20日");
                QVERIFY(searchEnabled());
            });
        QVERIFY(ran);
    }
};

QTEST_MAIN(QueryTest)
#include "query_test.moc"
