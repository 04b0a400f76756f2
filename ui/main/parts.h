// Pieces the main window's handlers share among themselves.
#pragma once

#include "runtime/text.h"

namespace rt {
class CommonConnection;
class Form;
} // namespace rt

namespace ui {

void showEntryOn(rt::Form& f);
// The table has no entry (left): the window shows what connecting to an empty table shows, a new
// entry being prepared with empty boxes and today's dates, the delete button disabled.
void showEmptyTable(rt::Form& f);
// Backward group: menu item 上一条, 上一条按钮, 到最前. Forward group: 下一条按钮, menu item 下一条, 到最后.
void setBackwardGroup(rt::Form& f, bool disabled);
void setForwardGroup(rt::Form& f, bool disabled);

// What the data layer says went wrong: the descriptions in the connection's last errors, joined;
// a plain statement that it gave no reason when it holds none.
rt::Text failureReason(const rt::CommonConnection& connection);

} // namespace ui
