// The main window 主窗口: the frame (title, status bar with the clock, tray icon, menus, About, the
// update notes, the 列表 button, the exit confirmation and the clean-up), browsing the entries of
// table `data` one at a time, and adding, modifying and deleting them.
//
// The window owns the program's connection 数据库连接1, the browsing set 记录集1 (the whole table
// `data`) and the statement set 记录集2. It is Disconnected after creation; 打开数据库 connects and
// shows the first entry (Browsing), or enters Adding when the table has no entry.
#pragma once

#include "runtime/program.h"
#include "runtime/text.h"

namespace rt {
class Form;
}

namespace ui {

// ---- texts ----

// "Ledrimo  V1.2 access版 [今天是：" + date text + " " + weekday name + "]".
rt::Text mainWindowTitle(double now);
// Date text of the day and its weekday name: "2010年7月20日 星期二".
rt::Text dayAndWeekday(double now);
// "星期日" ... "星期六".
rt::Text weekdayName(double date);
// "系统时间：" HH ":" MM ":" SS, two digits each.
rt::Text clockText(double time);
// "Ledrimo V1.2 access版" CR LF "作者：" and the author line.
rt::Text aboutText();
// The 13 lines of the update notes joined by CR LF (three blanks after the last one).
rt::Text updateNotesText();
extern const char* const kExitQuestion;

// ---- the entry shown ----

// The values the last showEntry read, kept until the next one.
struct ShownEntry {
    rt::Text name, company, address;
    double joined = 0, workDay = 0;
    int hours = 0;
    rt::Text notes, id;
};
extern rt::ProgramValue<ShownEntry> shownEntry;

// Copies the current row of 记录集1 into the main window and sets which navigation controls are
// usable. The list and query windows call it after positioning 记录集1.
void showEntry();

// True while the main window is adding an entry (its 删除按钮 reads 取消 then).
bool isAdding(rt::Form& main);

// ---- handlers (registered under the keys the form description names) ----

void mainCreated(rt::Form& f);
bool mainCloseRequested(rt::Form& f); // the exit confirmation; false keeps the window
void mainDestroyed(rt::Form& f);
void clockTick(rt::Form& f);
void trayDoubleClicked(rt::Form& f);
void trayRightButtonReleased(rt::Form& f);
void showChosen(rt::Form& f);
void hideChosen(rt::Form& f);
void aboutChosen(rt::Form& f);
void updateNotesChosen(rt::Form& f);
void listClicked(rt::Form& f);

void connectChosen(rt::Form& f); // 打开数据库: connect or disconnect by its caption
void connectDatabase(rt::Form& f);
void disconnectDatabase(rt::Form& f);
void enterAdding(rt::Form& f);
void toFirst(rt::Form& f);
void toPrevious(rt::Form& f);
void toNext(rt::Form& f);
void toLast(rt::Form& f);
void reopenChosen(rt::Form& f); // 重新打开数据库: back to the first entry

void addClicked(rt::Form& f);
void deleteClicked(rt::Form& f); // 删除按钮: delete, or cancel Adding when its caption is "取消"
void modifyClicked(rt::Form& f);

void registerMainWindowHandlers();

} // namespace ui
