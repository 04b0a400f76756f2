// The frame of the main window: creation, clock, tray icon, hide and show, About, the update notes,
// the 列表 button, the exit confirmation and the clean-up.
#include "app/effects.h"
#include "app/instance_guard.h"
#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/form.h"
#include "runtime/msgbox.h"
#include "store/database_file.h"
#include "ui/main/main_window.h"

namespace ui {

namespace {

const char* const kListForm = "列表查看";

const char* const kUpdateNotes[] = {
    "|======================================|",    "|                  更新说明            |",
    "|--------------------------------------|",    "|V1.2版相对于V1.1版                    |",
    "|   更新了使用日期查询功能             |",    "|   修正了创建数据库时设置密码无效的BUG|",
    "|   修正按ESC键退出窗口多次淡入BUG     |",    "|   优化相关程序代码                   |",
    "|                    完成于 2010.07.14 |",    "|======================================|",
    "|v1.2 access数据库版                   |",    "|                    完成于2010.07.20  |",
    "|======================================|   ",
};

rt::Text twoDigits(int v) {
    return rt::right("00" + rt::toText(v), 2);
}

// Visible, with "显示" greyed and "隐藏" usable.
void showWindow(rt::Form& f) {
    f.setVisible(true);
    f.menuItem("显示").setDisabled(true);
    f.menuItem("隐藏").setDisabled(false);
}

} // namespace

const char* const kExitQuestion = "你要退出 “Ledrimo  V1.2 access版”吗？";

rt::Text weekdayName(double date) {
    static const char* const names[] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
    return names[(rt::weekday(date) - 1) % 7];
}

rt::Text dayAndWeekday(double now) {
    return rt::dateText(rt::datePart(now)) + " " + weekdayName(now);
}

rt::Text mainWindowTitle(double now) {
    return "Ledrimo  V1.2 access版 [今天是：" + dayAndWeekday(now) + "]";
}

rt::Text clockText(double time) {
    return "系统时间：" + twoDigits(rt::hour(time)) + ":" + twoDigits(rt::minute(time)) + ":" +
           twoDigits(rt::second(time));
}

rt::Text aboutText() {
    return rt::Text("Ledrimo V1.2 access版\r\n作者：Ledrimo 开发组 ledrimo@example.org");
}

rt::Text updateNotesText() {
    rt::Text text;
    for (const char* line : kUpdateNotes) {
        if (!text.empty())
            text += "\r\n";
        text += line;
    }
    return text;
}

void mainCreated(rt::Form& f) {
    f.setBackground(app::sharedBackground());
    app::buttonSkin({&f.button("上一条按钮"), &f.button("下一条按钮"), &f.button("到最前"),
                     &f.button("到最后"), &f.button("修改按钮"), &f.button("删除按钮"), &f.button("添加按钮"),
                     &f.button("列表")});
    f.setIcon(rt::programIcon());
    f.trayIcon("托盘图标1").setIcon(rt::programIcon());

    // Taken once: neither the title nor the date pane follows midnight.
    const double today = rt::now();
    f.setCaption(mainWindowTitle(today));
    rt::StatusBar& bar = f.statusBar("状态条1");
    bar.setPaneText(1, "就绪");
    bar.setPaneText(3, dayAndWeekday(today));

    f.menuItem("上一条").setDisabled(true);
    f.menuItem("下一条").setDisabled(true);
    f.menuItem("查询").setDisabled(true);
    f.menuItem("统计报表").setDisabled(true); // usable exactly when 查询 is

    app::fade(f, 20);
}

bool mainCloseRequested(rt::Form& f) {
    if (rt::messageBox(kExitQuestion, rt::MbOkCancel | rt::MbIconQuestion, "退出软件", &f) != rt::MbOk)
        return false;
    // The fades let events run; the list window may have gone meanwhile, so it is asked for again.
    if (rt::isLoaded(kListForm))
        app::fade(rt::form(kListForm), 3, true);
    if (f.isLoaded())
        app::fade(f, 20, true);
    return true;
}

void mainDestroyed(rt::Form& f) {
    f.recordSet("记录集1").Close();
    f.recordSet("记录集2").Close();
    f.connection("数据库连接1").Close();
    // A copy of the day still being made is finished, not cut off half-way.
    store::finishBackupQuietly();
    app::closeInstanceGuard();
}

void clockTick(rt::Form& f) {
    f.timer("时钟1").setInterval(1000);
    f.statusBar("状态条1").setPaneText(2, clockText(rt::now()));
}

void trayDoubleClicked(rt::Form& f) {
    if (rt::isLoaded(kListForm))
        return;
    showWindow(f);
}

void trayRightButtonReleased(rt::Form& f) {
    if (rt::isLoaded(kListForm))
        return;
    f.popupTrayMenu("托盘菜单");
}

void showChosen(rt::Form& f) {
    showWindow(f);
}

void hideChosen(rt::Form& f) {
    f.setVisible(false);
    f.menuItem("显示").setVisible(true);
    f.menuItem("显示").setDisabled(false);
    f.menuItem("隐藏").setDisabled(true);
}

void aboutChosen(rt::Form&) {
    rt::messageBox(aboutText(), rt::MbIconInformation, "关于软件");
}

void updateNotesChosen(rt::Form& f) {
    f.editBox("工作备注编辑框").setText(updateNotesText());
}

void listClicked(rt::Form& f) {
    rt::SuperButton& list = f.button("列表");
    if (list.caption() == rt::Text("打开列表")) {
        rt::loadForm(kListForm, &f, false);
        return;
    }
    // "返回列表": the list window hid itself to show one entry here. Should it have gone meanwhile,
    // it is opened afresh rather than addressed while not loaded.
    if (rt::isLoaded(kListForm)) {
        app::fade(rt::form(kListForm), 3);
        list.setCaption("打开列表");
    } else {
        list.setCaption("打开列表");
        rt::loadForm(kListForm, &f, false);
    }
}

} // namespace ui
