// The main window over a `db` of the test's own: connecting, browsing, and adding, modifying and
// deleting entries with their confirmations. What is stored is read back through the engine, not
// from the screen.
#include "tests/scenarios/scenario.h"

namespace scenario {
namespace {

// The columns of table `data` as the engine gives them.
enum Column { Name, Company, Address, Joined, WorkDay, Hours, Notes, SavedAt, Id };

class MainWindow : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        loadMain();
        ASSERT_TRUE(boxes_->calls().empty());
    }

    void store(const std::vector<store::EntryValues>& values) {
        for (const store::EntryValues& v : values)
            ASSERT_TRUE(run(store::insertStatement(v)));
    }
    std::vector<std::vector<std::string>> stored() { return rows(u"data"); }

    rt::Text text(const char* control) { return main().control(control).text(); }
    rt::Text pane(int i) { return main().statusBar("状态条1").paneText(i); }
    bool enabled(const char* control) { return main().control(control).enabled(); }
    bool itemEnabled(const char* item) { return main().menuItem(item).enabled(); }
    void click(const char* button) { Scenario::click(main(), button); }
    void type(const char* box, const rt::Text& t) { Scenario::type(main(), box, t); }
    void choose(const char* item) { Scenario::choose(main(), item); }

    // Backward group: 上一条 (menu), 上一条按钮, 到最前; forward group: 下一条按钮, 下一条 (menu), 到最后.
    // Each must be all on or all off.
    bool backwardEnabled() {
        const bool on = itemEnabled("上一条");
        EXPECT_EQ(enabled("上一条按钮"), on) << "backward group split";
        EXPECT_EQ(enabled("到最前"), on) << "backward group split";
        return on;
    }
    bool forwardEnabled() {
        const bool on = itemEnabled("下一条");
        EXPECT_EQ(enabled("下一条按钮"), on) << "forward group split";
        EXPECT_EQ(enabled("到最后"), on) << "forward group split";
        return on;
    }

    // Browsing layout: 修改按钮 shown, 添加按钮 hidden, 删除按钮 for deleting.
    void expectBrowsing() {
        EXPECT_TRUE(main().control("修改按钮").visible());
        EXPECT_TRUE(enabled("修改按钮"));
        EXPECT_FALSE(main().control("添加按钮").visible());
        EXPECT_EQ(main().button("删除按钮").caption(), rt::Text("删除"));
        EXPECT_TRUE(enabled("删除按钮"));
        EXPECT_TRUE(enabled("列表"));
        EXPECT_TRUE(main().control("序号标签").visible());
        EXPECT_EQ(pane(0), rt::Text("状态:数据库已连接"));
    }
    void expectAdding() {
        EXPECT_FALSE(main().control("修改按钮").visible());
        EXPECT_FALSE(enabled("修改按钮"));
        EXPECT_TRUE(main().control("添加按钮").visible());
        EXPECT_TRUE(enabled("添加按钮"));
        EXPECT_EQ(main().button("删除按钮").caption(), rt::Text("取消"));
        EXPECT_FALSE(enabled("列表"));
        EXPECT_FALSE(backwardEnabled());
        EXPECT_FALSE(forwardEnabled());
        for (const char* item : {"打开数据库", "重新打开数据库", "加入新记录"})
            EXPECT_FALSE(itemEnabled(item)) << item;
        EXPECT_EQ(main().dateBox("年编辑框").value(), rt::datePart(rt::now()));
        EXPECT_EQ(text("工作备注编辑框"), rt::Text(""));
    }
    void expectShown(const std::vector<std::string>& r) {
        EXPECT_EQ(text("姓名编辑框"), rt::Text::fromUtf8(r[Name]));
        EXPECT_EQ(text("公司名称编辑框"), rt::Text::fromUtf8(r[Company]));
        EXPECT_EQ(text("公司地址编辑框"), rt::Text::fromUtf8(r[Address]));
        EXPECT_EQ(dayText(main().dateBox("入厂时间编辑框").value()), r[Joined]);
        EXPECT_EQ(dayText(main().dateBox("年编辑框").value()), r[WorkDay]);
        EXPECT_EQ(text("上班时间编辑框"), rt::Text::fromUtf8(r[Hours].empty() ? "0" : r[Hours]));
        EXPECT_EQ(text("工作备注编辑框"), rt::Text::fromUtf8(r[Notes]));
        EXPECT_EQ(text("序号标签"), rt::Text::fromUtf8(r[Id]));
    }
};

using Ids = std::vector<std::string>;

TEST_F(MainWindow, ConnectOnOneEntry) {
    store(entries(1));
    connect();
    EXPECT_TRUE(boxes_->calls().empty());
    expectShown(stored()[0]);
    EXPECT_FALSE(backwardEnabled());
    EXPECT_FALSE(forwardEnabled());
    EXPECT_EQ(pane(1), rt::Text("共有: 1 条数据"));
    EXPECT_EQ(pane(0), rt::Text("状态:数据库已连接"));
    EXPECT_TRUE(itemEnabled("查询"));
    EXPECT_TRUE(main().menuItem("重新打开数据库").visible() && main().menuItem("加入新记录").visible());
    expectBrowsing();
}

// First, previous, next and last, by button and by menu; 重新打开数据库 goes back to the first.
TEST_F(MainWindow, MovesThroughThreeEntries) {
    store(entries(3));
    const auto rows = stored();
    connect();
    expectShown(rows[0]);
    EXPECT_TRUE(!backwardEnabled() && forwardEnabled());
    click("下一条按钮");
    expectShown(rows[1]);
    EXPECT_TRUE(backwardEnabled() && forwardEnabled());
    choose("下一条");
    expectShown(rows[2]);
    EXPECT_TRUE(backwardEnabled() && !forwardEnabled());
    choose("上一条");
    expectShown(rows[1]);
    click("上一条按钮");
    expectShown(rows[0]);
    EXPECT_TRUE(!backwardEnabled() && forwardEnabled());
    click("到最后");
    expectShown(rows[2]);
    EXPECT_TRUE(backwardEnabled() && !forwardEnabled());
    click("到最前");
    expectShown(rows[0]);
    EXPECT_TRUE(!backwardEnabled() && forwardEnabled());
    click("到最后");
    choose("重新打开数据库");
    expectShown(rows[0]);
    EXPECT_EQ(pane(1), rt::Text("共有: 3 条数据"));
    EXPECT_TRUE(boxes_->calls().empty());
}

// A new entry starts as a copy of the shown one with today's date and empty notes. Cancel on the
// question stays in adding; OK stores it, an empty hours box as 1 hour.
TEST_F(MainWindow, AddAfterTheConfirmation) {
    store(entries(1));
    connect();
    const auto first = stored()[0];
    choose("加入新记录");
    expectAdding();
    EXPECT_EQ(text("姓名编辑框"), rt::Text::fromUtf8(first[Name]));
    EXPECT_EQ(text("序号标签"), rt::Text::fromUtf8(first[Id]));
    type("上班时间编辑框", "");

    boxes_->answer(rt::MbCancel);
    click("添加按钮");
    EXPECT_EQ(boxes_->calls().size(), size_t(1));
    boxes_->clear();
    EXPECT_EQ(stored().size(), size_t(1));
    expectAdding();

    const double before = rt::now();
    click("添加按钮");
    expectOneBox("确定添加数据吗？", "确认添加", rt::MbOkCancel | rt::MbIconWarning | rt::MbTaskModal, nullptr);
    const auto rows = stored();
    ASSERT_EQ(rows.size(), size_t(2));
    const auto& added = rows[1];
    EXPECT_EQ(added[Id], "GZ-00002");
    for (Column c : {Name, Company, Address, Joined})
        EXPECT_EQ(added[c], first[c]) << c;
    EXPECT_EQ(added[WorkDay], dayText(rt::datePart(rt::now())));
    EXPECT_EQ(added[Hours], "1");
    EXPECT_EQ(added[Notes], "");
    ASSERT_FALSE(added[SavedAt].empty());
    const double savedAt = std::stod(added[SavedAt]);
    // rt::now() counts whole seconds, and the stored time reads back as the same double.
    const double after = rt::now();
    EXPECT_TRUE(savedAt >= before && savedAt <= after)
        << dayText(savedAt) << " saved, " << dayText(before) << " before, " << dayText(after) << " after";
    expectShown(added);
    EXPECT_EQ(text("上班时间编辑框"), rt::Text("1"));
    EXPECT_EQ(text("提示信息"), rt::Text("添加成功！"));
    EXPECT_EQ(pane(1), rt::Text("共有: 2 条数据"));
    expectBrowsing();
    EXPECT_TRUE(backwardEnabled() && !forwardEnabled());
}

// Cancel on the question puts back the stored values; OK stores what was typed in its own entry
// only, and the browsing set follows.
TEST_F(MainWindow, ModifyAfterTheConfirmation) {
    store(entries(3));
    connect();
    type("姓名编辑框", "别的");
    type("工作备注编辑框", "别的备注");
    main().dateBox("入厂时间编辑框").setValue(rt::makeDate(2000, 1, 1));
    boxes_->answer(rt::MbCancel);
    click("修改按钮");
    EXPECT_EQ(boxes_->calls().size(), size_t(1));
    boxes_->clear();
    expectShown(stored()[0]);
    EXPECT_EQ(stored()[0][Name], "甲");

    click("下一条按钮");
    type("姓名编辑框", "新名字");
    type("上班时间编辑框", "12");
    type("工作备注编辑框", "改过");
    main().dateBox("年编辑框").setValue(rt::makeDate(2011, 1, 2));
    const double before = rt::now();
    click("修改按钮");
    expectOneBox("确定修改数据吗？", "确认修改吗？", rt::MbOkCancel | rt::MbIconWarning | rt::MbTaskModal, nullptr);
    EXPECT_EQ(text("提示信息"), rt::Text("修改完毕！"));
    const auto changed = stored()[1];
    EXPECT_EQ(changed[Name], "新名字");
    EXPECT_EQ(changed[Hours], "12");
    EXPECT_EQ(changed[Notes], "改过");
    EXPECT_EQ(changed[WorkDay], dayText(rt::makeDate(2011, 1, 2)));
    EXPECT_EQ(changed[Id], "GZ-00002");
    ASSERT_FALSE(changed[SavedAt].empty());
    EXPECT_GE(std::stod(changed[SavedAt]), before);
    EXPECT_EQ(stored()[0][Name], "甲");
    EXPECT_EQ(stored()[2][Name], "丙");
    // Away and back: the changed values, not the ones read at connect.
    click("下一条按钮");
    click("上一条按钮");
    expectShown(changed);
    EXPECT_TRUE(backwardEnabled() && forwardEnabled());
}

// Cancel on the question keeps the entry; OK deletes the first of three and shows the last.
TEST_F(MainWindow, DeleteAfterTheConfirmation) {
    store(entries(3));
    connect();
    boxes_->answer(rt::MbCancel);
    click("删除按钮");
    EXPECT_EQ(boxes_->calls().size(), size_t(1));
    boxes_->clear();
    EXPECT_EQ(storedIds(), (Ids{"GZ-00001", "GZ-00002", "GZ-00003"}));
    expectShown(stored()[0]);

    click("删除按钮");
    expectOneBox("你确定删除这条记录吗？", "确认？", rt::MbOkCancel | rt::MbIconWarning | rt::MbTaskModal, nullptr);
    EXPECT_EQ(storedIds(), (Ids{"GZ-00002", "GZ-00003"}));
    expectShown(stored()[1]);
    EXPECT_EQ(text("提示信息"), rt::Text("已删除！"));
    EXPECT_EQ(pane(1), rt::Text("共有: 2 条数据"));
    EXPECT_TRUE(backwardEnabled() && !forwardEnabled());
}

} // namespace
} // namespace scenario
