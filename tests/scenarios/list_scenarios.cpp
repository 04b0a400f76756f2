// The list window 列表查看, opened from the main window: its rows, an entry opened in the main
// window and back, and deleting from it with the question. Pop-up menus are answered by script.
#include "tests/scenarios/scenario.h"

#include "ui/list/list_window.h"

namespace scenario {
namespace {

const char* const kListForm = "列表查看";
const char* const kNames[] = {"甲", "乙", "丙", "丁", "戊", "己"};

// Entry `number`: joined 2009-03-<number>, worked 2010-07-<10 + number> for number + 5 hours.
store::EntryValues listEntry(int number) {
    const char* name = kNames[(number - 1) % 6];
    store::EntryValues v = entry(name, identifier(number), 10 + number);
    v.joined = rt::makeDate(2009, 3, number);
    v.hours = rt::toText(number + 5);
    return v;
}

using Texts = std::vector<std::string>;

class ListWindow : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        rt::setPopupMenuHook([this](rt::Form&, const rt::Text& menu, rt::Point) {
            popped_.push_back(menu.toUtf8());
            return choice_;
        });
        loadMain();
    }

    rt::Form& list() { return rt::form(kListForm); }
    rt::ListView& rows() { return list().listView("超级列表框1"); }

    void storeEntries(int n) {
        for (int i = 1; i <= n; ++i)
            ASSERT_TRUE(run(store::insertStatement(listEntry(i))));
    }
    void openList() {
        click(main(), "列表");
        ASSERT_TRUE(rt::isLoaded(kListForm));
        EXPECT_TRUE(list().visible());
        EXPECT_EQ(list().transparency(), 255);
    }
    // A right click on row `row`; the pop-up menu, if one comes, chooses `item`.
    void rightClick(int row, const char* item) {
        choice_ = item;
        ASSERT_TRUE(user::rightClickRow(rows(), row));
    }
    Texts column(int c) {
        Texts texts;
        for (int r = 0; r < rows().count(); ++r)
            texts.push_back(rows().itemText(r, c).toUtf8());
        return texts;
    }
    static Texts ids(std::initializer_list<int> numbers) {
        Texts texts;
        for (int n : numbers)
            texts.push_back(identifier(n).toUtf8());
        return texts;
    }
    void expectMainShows(int number) {
        const store::EntryValues v = listEntry(number);
        EXPECT_EQ(main().control("序号标签").caption(), v.id);
        EXPECT_EQ(main().control("姓名编辑框").text(), v.name);
        EXPECT_EQ(main().control("公司名称编辑框").text(), v.company);
    }
    void expectDetails(int number) {
        const store::EntryValues v = listEntry(number);
        EXPECT_EQ(list().control("姓名1").caption(), v.name);
        EXPECT_EQ(list().control("公司名称编辑框").text(), v.company);
        EXPECT_EQ(list().control("公司地址编辑框").text(), v.address);
        EXPECT_EQ(list().control("入厂时间1").caption(), rt::dateText(v.joined));
    }
    // The deletion question, owned by the list window: OK and Cancel, no icon.
    void expectDeleteQuestion() {
        expectOneBox("确认删除此条数据内容吗？", "删除信息", rt::MbOkCancel, &list());
    }

    std::vector<std::string> popped_; // pop-up menus shown
    rt::Text choice_;                 // the item the next pop-up menu chooses
};

// Title, pictures, owner; three entries give rows 1 to 3 with their identifiers and texts; the
// keyboard is in the list, on its first row.
TEST_F(ListWindow, ThreeEntriesFillTheList) {
    storeEntries(3);
    connect();
    openList();
    EXPECT_EQ(list().owner(), &main());
    EXPECT_FALSE(list().isModal());
    EXPECT_EQ(list().control("列表窗口标题").caption(), ui::listWindowTitle());
    EXPECT_FALSE(list().pictureBox("图片框1").picture().isNull());
    EXPECT_FALSE(list().pictureBox("图片框5").picture().isNull());
    EXPECT_FALSE(list().graphicButton("图形按钮1").picture(rt::GraphicButton::Normal).isNull());
    EXPECT_EQ(list().graphicButton("图形按钮1").picture(rt::GraphicButton::Hover),
              list().graphicButton("图形按钮1").picture(rt::GraphicButton::Pressed));

    EXPECT_EQ(column(0), (Texts{"1", "2", "3"}));
    EXPECT_EQ(column(1), ids({1, 2, 3}));
    EXPECT_EQ(column(2), (Texts{"甲", "乙", "丙"}));
    EXPECT_EQ(column(3), (Texts{"2010年7月11日", "2010年7月12日", "2010年7月13日"}));
    EXPECT_EQ(column(4), (Texts{"6", "7", "8"}));
    EXPECT_EQ(column(5), (Texts{"备注甲", "备注乙", "备注丙"}));
    EXPECT_TRUE(boxes_->calls().empty());
    // The statement set is left closed.
    EXPECT_FALSE(main().recordSet("记录集2").isOpen());
    EXPECT_TRUE(rows().hasFocus());
    EXPECT_EQ(rows().selectedIndex(), 0);
    expectDetails(1);
}

// The keys that move through the list move the one selected row, and the details follow it; a key
// that cannot move (Home on the first row, Down on the last) leaves the row selected.
TEST_F(ListWindow, KeysMoveTheSelectedRow) {
    storeEntries(4);
    connect();
    openList();
    const std::pair<const char*, int> steps[] = {{"End", 3}, {"Down", 3}, {"Up", 2},  {"Home", 0},
                                                 {"Home", 0}, {"Up", 0},  {"Down", 1}, {"End", 3}};
    for (const auto& [key, row] : steps) {
        ASSERT_TRUE(user::pressKey(rows(), key)) << key;
        EXPECT_EQ(rows().selectedIndex(), row) << key;
        expectDetails(row + 1);
    }
    // Chosen by the program, the row is the only one selected, below the one that was.
    ASSERT_TRUE(user::pressKey(rows(), "Home"));
    rows().setSelectedIndex(2);
    EXPECT_EQ(rows().selectedIndex(), 2);
    expectDetails(3);
    ASSERT_TRUE(user::pressKey(rows(), "Up"));
    EXPECT_EQ(rows().selectedIndex(), 1);
    expectDetails(2);
    EXPECT_TRUE(boxes_->calls().empty());
}

// 查看详细 on row 2 shows the second entry in the main window and hides the list; the main
// button brings the same list back. A double-click on row 3 does the same.
TEST_F(ListWindow, AnEntryOpensInTheMainWindowAndBack) {
    storeEntries(3);
    connect();
    openList();
    rightClick(1, "查看详细");
    EXPECT_EQ(popped_, (Texts{"右键菜单"}));
    ASSERT_TRUE(rt::isLoaded(kListForm));
    EXPECT_FALSE(list().visible());
    expectMainShows(2);
    EXPECT_EQ(main().button("列表").caption(), rt::Text("返回列表"));
    EXPECT_EQ(main().recordSet("记录集1").Pos(), 1);

    click(main(), "列表");
    EXPECT_TRUE(list().visible());
    EXPECT_EQ(list().transparency(), 255);
    EXPECT_EQ(main().button("列表").caption(), rt::Text("打开列表"));
    EXPECT_EQ(rows().selectedIndex(), 1);
    EXPECT_EQ(column(1), ids({1, 2, 3}));

    ASSERT_TRUE(user::doubleClickRow(rows(), 2));
    EXPECT_FALSE(list().visible());
    expectMainShows(3);
    EXPECT_EQ(main().button("列表").caption(), rt::Text("返回列表"));
    EXPECT_TRUE(boxes_->calls().empty());
}

// Deleting row 2 of 3: the question (Cancel keeps it; the Del key asks again), the rows
// renumbered, and the main window showing the entry its browsing set stands on, so that its own
// 删除 deletes what it shows.
TEST_F(ListWindow, DeleteARowAfterTheQuestion) {
    storeEntries(3);
    connect();
    EXPECT_TRUE(main().control("到最后").enabled());
    click(main(), "到最后"); // the main window shows entry 3
    openList();
    boxes_->answer(rt::MbCancel);
    rightClick(1, "删除所选");
    expectDeleteQuestion();
    EXPECT_EQ(storedIds(), ids({1, 2, 3}));
    EXPECT_EQ(rows().count(), 3);
    EXPECT_EQ(rows().selectedIndex(), 1);

    // The Del key of 删除所选, on the list.
    ASSERT_TRUE(user::pressKey(rows(), "Del"));
    expectDeleteQuestion();
    EXPECT_EQ(storedIds(), ids({1, 3}));
    EXPECT_EQ(column(0), (Texts{"1", "2"}));
    EXPECT_EQ(column(1), ids({1, 3}));
    expectMainShows(3);
    EXPECT_EQ(main().statusBar("状态条1").paneText(1), rt::Text("共有: 2 条数据"));

    click(main(), "删除按钮");
    boxes_->clear();
    EXPECT_EQ(storedIds(), ids({1}));
}

} // namespace
} // namespace scenario
