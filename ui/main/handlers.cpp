// The main window's handlers under the keys its form description binds.
#include "runtime/form.h"
#include "ui/main/main_window.h"
#include "ui/report/report_window.h"

namespace ui {

void registerMainWindowHandlers() {
    const auto on = [](const char* key, void (*handler)(rt::Form&)) {
        rt::registerHandler(key, [handler](rt::Event& e) { handler(e.form); });
    };
    rt::registerHandler("主窗口.created", [](rt::Event& e) { mainCreated(e.form); });
    rt::registerHandler("主窗口.closeRequested", [](rt::Event& e) { return mainCloseRequested(e.form); });
    rt::registerHandler("主窗口.destroyed", [](rt::Event& e) { mainDestroyed(e.form); });
    // "关闭" asks as the close box does; on OK the fade-out takes the window down.
    rt::registerHandler("主窗口.关闭.chosen", [](rt::Event& e) { mainCloseRequested(e.form); });

    on("主窗口.时钟1.tick", clockTick);
    on("主窗口.托盘图标1.doubleClicked", trayDoubleClicked);
    on("主窗口.托盘图标1.rightButtonReleased", trayRightButtonReleased);
    on("主窗口.显示.chosen", showChosen);
    on("主窗口.隐藏.chosen", hideChosen);
    on("主窗口.关于.chosen", aboutChosen);
    on("主窗口.更新说明.chosen", updateNotesChosen);
    on("主窗口.列表.clicked", listClicked);
    rt::registerHandler("主窗口.查询.chosen", [] { rt::loadForm("查询", nullptr, true); });
    rt::registerHandler("主窗口.统计报表.chosen", [](rt::Event& e) { reportChosen(e.form); });
    rt::registerHandler("主窗口.用户密码设置.chosen", [] { rt::loadForm("用户密码设置", nullptr, true); });

    on("主窗口.打开数据库.chosen", connectChosen);
    on("主窗口.重新打开数据库.chosen", reopenChosen);
    on("主窗口.加入新记录.chosen", enterAdding);
    on("主窗口.到最前.clicked", toFirst);
    on("主窗口.上一条按钮.clicked", toPrevious);
    on("主窗口.上一条.chosen", toPrevious);
    on("主窗口.下一条按钮.clicked", toNext);
    on("主窗口.下一条.chosen", toNext);
    on("主窗口.到最后.clicked", toLast);

    on("主窗口.添加按钮.clicked", addClicked);
    on("主窗口.删除按钮.clicked", deleteClicked);
    on("主窗口.修改按钮.clicked", modifyClicked);
}

} // namespace ui
