#include "ui/query/query.h"

#include "app/effects.h"
#include "runtime/data_access.h"
#include "runtime/datetime.h"
#include "runtime/form.h"
#include "runtime/msgbox.h"
#include "store/entry_statements.h"
#include "ui/main/main_window.h"

namespace ui {

rt::Text queryMissText(double date) {
    return "没有 [" + rt::dateText(rt::datePart(date)) + "] 该条记录，请确认日期！";
}

void queryCreated(rt::Form& query) {
    query.setBackground(app::sharedBackground());
    app::buttonSkin({&query.button("超级按钮1")});
}

void querySearch(rt::Form& query) {
    // The time of day is dropped: the stored working dates are whole days.
    const double day = rt::datePart(query.dateBox("日期框1").value());
    rt::RecordSet& browsing = rt::form("主窗口").recordSet("记录集1");

    // Where the main window stands, so that a miss can put the set back under the entry it shows.
    const int shown = browsing.Pos();
    browsing.MoveFirst();
    if (browsing.Find(store::dateCondition(day), 1)) {
        showEntry();
        query.control("超级按钮1").setDisabled(true);
        return;
    }
    // A search without hit leaves the set past its last row; the main window still shows its
    // entry, and its next move must start from that entry, not from the end.
    if (shown >= 0)
        browsing.Move(shown);
    rt::messageBox(queryMissText(day), rt::MbIconWarning, "查询出错了");
}

void queryDateChanged(rt::Form& query) {
    query.control("超级按钮1").setDisabled(false);
}

} // namespace ui
