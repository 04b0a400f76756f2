// Connect and disconnect, showEntry, the moves through the browsing set, and entering Adding.
#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/form.h"
#include "runtime/msgbox.h"
#include "store/database_file.h"
#include "ui/list/list_window.h"
#include "ui/main/main_window.h"
#include "ui/main/parts.h"

namespace ui {

rt::ProgramValue<ShownEntry> shownEntry;

namespace {

const char* const kConnectionButtons[] = {"上一条按钮", "下一条按钮", "到最前",   "到最后",
                                          "修改按钮",   "删除按钮",   "添加按钮", "列表"};

// The menu items and buttons that connect enables and disconnect disables, in that order; 查询
// comes last and is left to the caller.
void setConnectionGroup(rt::Form& f, bool disabled) {
    for (const char* item : {"重新打开数据库", "加入新记录", "上一条", "下一条"})
        f.menuItem(item).setDisabled(disabled);
    for (const char* button : kConnectionButtons)
        f.control(button).setDisabled(disabled);
}

// No entry to show: the set could not be opened, or it has no rows. Decided by the record count,
// not by the values of the first row, so a row with an empty time stamp is still an entry.
bool hasNoEntries(rt::RecordSet& set, bool opened) {
    if (!opened)
        return true;
    const int count = set.RecordsCount();
    if (count >= 0)
        return count == 0;
    return !set.MoveFirst(); // the count cannot be told: whether there is a first row
}

} // namespace

void setBackwardGroup(rt::Form& f, bool disabled) {
    f.menuItem("上一条").setDisabled(disabled);
    f.control("上一条按钮").setDisabled(disabled);
    f.control("到最前").setDisabled(disabled);
}

void setForwardGroup(rt::Form& f, bool disabled) {
    f.control("下一条按钮").setDisabled(disabled);
    f.menuItem("下一条").setDisabled(disabled);
    f.control("到最后").setDisabled(disabled);
}

void showEntry() {
    showEntryOn(rt::form("主窗口"));
}

void showEmptyTable(rt::Form& f) {
    const double today = rt::datePart(rt::now());
    for (rt::Control* box : f.findControls("", rt::kindName(rt::Kind::EditBox), 0, 0))
        box->setText("");
    f.dateBox("入厂时间编辑框").setValue(today);
    f.control("序号标签").setVisible(false);
    shownEntry.set(ShownEntry{});
    enterAdding(f);
    // As after connecting to an empty table: no entry to go back to, so the only way out is an add.
    f.control("删除按钮").setDisabled(true);
    rt::StatusBar& bar = f.statusBar("状态条1");
    bar.setPaneText(1, "共有: 0 条数据");
    bar.setPaneText(0, "状态:数据库已连接");
}

void showEntryOn(rt::Form& f) {
    rt::RecordSet& set = f.recordSet("记录集1");
    int count = set.RecordsCount();
    if (count == 0) {
        // The last entry has gone (deleted here or in the list window).
        showEmptyTable(f);
        return;
    }
    int pos = set.Pos();
    // Standing before the first or after the last row (a move past an end that the enabling rules
    // did not prevent): show the nearest entry rather than an empty one.
    if (count > 0 && (pos == -3 || pos == -4)) {
        if (pos == -3)
            set.MoveFirst();
        else
            set.MoveLast();
        pos = set.Pos();
    }

    ShownEntry e = shownEntry.get();
    set.ReadString("姓名", e.name);
    set.ReadString("公司名称", e.company);
    set.ReadString("公司地址", e.address);
    set.ReadDateTime("入厂时间", e.joined);
    set.ReadDateTime("上班日期", e.workDay);
    if (!set.ReadLong("上班时间", e.hours))
        e.hours = 0;
    set.ReadString("工作备注", e.notes);
    set.ReadString("id", e.id);
    shownEntry.set(e);

    f.control("姓名编辑框").setText(e.name);
    f.control("公司名称编辑框").setText(e.company);
    f.control("公司地址编辑框").setText(e.address);
    f.dateBox("入厂时间编辑框").setValue(e.joined);
    f.dateBox("年编辑框").setValue(e.workDay);
    f.control("上班时间编辑框").setText(rt::toText(e.hours));
    f.control("工作备注编辑框").setText(e.notes);
    f.control("序号标签").setCaption(e.id);
    f.control("最后修改").setVisible(false);
    f.control("提示信息").setCaption("");

    f.menuItem("上一条").setDisabled(false);
    f.menuItem("下一条").setDisabled(false);
    for (const char* button :
         {"上一条按钮", "下一条按钮", "到最前", "到最后", "修改按钮", "删除按钮", "添加按钮"})
        f.control(button).setDisabled(false);
    f.control("添加按钮").setVisible(false);
    f.control("列表").setDisabled(false);
    for (const char* item : {"打开数据库", "重新打开数据库", "加入新记录"})
        f.menuItem(item).setDisabled(false);
    f.menuItem("重新打开数据库").setVisible(true);
    f.menuItem("加入新记录").setVisible(true);
    for (const char* name : {"序号标签", "修改按钮", "透明标签1", "透明标签2"})
        f.control(name).setVisible(true);
    // The browsing layout is back, so 删除按钮 deletes again: an entry shown while a new one was
    // being prepared (from the list or the date query) must not leave it cancelling.
    f.control("删除按钮").setCaption("删除");

    if (pos == 0) {
        setBackwardGroup(f, true);
    } else if (pos + 1 == count) {
        setForwardGroup(f, true);
    } else if (pos + 1 > count) {
        set.MovePrevious(); // the window keeps what was read above
        setForwardGroup(f, true);
    }
    if (count == 1)
        setForwardGroup(f, true);

    rt::StatusBar& bar = f.statusBar("状态条1");
    bar.setPaneText(1, "共有: " + rt::toText(count) + " 条数据");
    bar.setPaneText(0, "状态:数据库已连接");
}

void connectChosen(rt::Form& f) {
    if (f.menuItem("打开数据库").caption() == rt::Text("打开数据库"))
        connectDatabase(f);
    else
        disconnectDatabase(f);
    // An open list window follows: the entries while connected, nothing while not.
    if (rt::isLoaded("列表查看") && f.isLoaded())
        fillList(rt::form("列表查看"));
}

void connectDatabase(rt::Form& f) {
    rt::CommonConnection& connection = f.connection("数据库连接1");
    rt::RecordSet& browsing = f.recordSet("记录集1");
    const rt::Text path = store::computeDatabasePath();
    // A failed connect is not reported here: the open below fails and the data layer says why.
    const bool connected = connection.ConnectAccess(path, "");
    if (connected) {
        browsing.SetConnection(connection);
        f.recordSet("记录集2").SetConnection(connection);
    }
    f.menuItem("打开数据库").setCaption("断开数据库连接");
    f.menuItem("用户密码设置").setVisible(true);

    const bool opened = browsing.Open("data", rt::RecordSet::Table);
    // The safety net: a damaged file (one that does not open, or whose quick check finds pages or
    // rows of the log lost) is told of with the backup to restore, after the data layer's own box
    // and instead of the invitation to add to an empty log; a good one gets its copy of the day.
    const bool damaged = store::adviseIfDamaged(path);
    if (!damaged && connected && opened)
        store::backupAtConnect(path);
    if (hasNoEntries(browsing, opened)) {
        if (!damaged) {
            rt::messageBox("当前数据库没有记录，请添加！", rt::MbIconInformation);
            enterAdding(f);
        }
        return;
    }
    setConnectionGroup(f, false);
    browsing.MoveFirst();
    showEntryOn(f);
    f.menuItem("查询").setDisabled(false);
    f.menuItem("统计报表").setDisabled(false);
}

void disconnectDatabase(rt::Form& f) {
    f.recordSet("记录集1").Close();
    f.recordSet("记录集2").Close();
    f.connection("数据库连接1").Close();

    setConnectionGroup(f, true);
    f.menuItem("查询").setDisabled(true);
    f.menuItem("统计报表").setDisabled(true);

    rt::StatusBar& bar = f.statusBar("状态条1");
    bar.setPaneText(1, "就绪");
    bar.setPaneText(0, "状态:数据库断开");

    // Every edit box whose tag is empty or 0; the two date boxes keep their dates.
    for (rt::Control* box : f.findControls("", rt::kindName(rt::Kind::EditBox), 0, 0))
        box->setText("");
    f.control("序号标签").setVisible(false);
    f.menuItem("打开数据库").setCaption("打开数据库");
}

void enterAdding(rt::Form& f) {
    f.dateBox("年编辑框").setValue(rt::datePart(rt::now()));
    f.control("透明标签1").setVisible(false);
    f.control("修改按钮").setVisible(false);
    f.control("添加按钮").setDisabled(false);
    f.control("透明标签2").setVisible(false);
    f.control("工作备注编辑框").setText("");
    f.control("修改按钮").setDisabled(true);
    f.control("添加按钮").setVisible(true);
    f.control("列表").setDisabled(true);
    for (const char* item : {"打开数据库", "重新打开数据库", "加入新记录"})
        f.menuItem(item).setDisabled(true);
    setBackwardGroup(f, true);
    setForwardGroup(f, true);
    f.control("透明标签2").setCaption("");
    f.control("删除按钮").setCaption("取消");
}

void toFirst(rt::Form& f) {
    f.recordSet("记录集1").MoveFirst();
    showEntryOn(f);
    setBackwardGroup(f, true);
}

void toPrevious(rt::Form& f) {
    f.recordSet("记录集1").MovePrevious();
    showEntryOn(f);
}

void toNext(rt::Form& f) {
    f.recordSet("记录集1").MoveNext();
    showEntryOn(f);
}

void toLast(rt::Form& f) {
    f.recordSet("记录集1").MoveLast();
    showEntryOn(f);
    setForwardGroup(f, true);
}

void reopenChosen(rt::Form& f) {
    f.recordSet("记录集1").MoveFirst();
    showEntryOn(f);
}

} // namespace ui
