// The date query window 查询: finds the first entry (in table order) whose working date is the
// chosen day, in the main window's browsing set 记录集1, and shows it in the main window. The window
// has no data objects of its own; it is loaded modally from the main window's menu and lives until
// the user closes it by its frame.
#pragma once

#include "runtime/text.h"

namespace rt {
class Form;
}

namespace ui {

// "没有 [" + date text + "] 该条记录，请确认日期！", the message when no entry has that working date.
rt::Text queryMissText(double date);

// Created: the shared background and the button skin on 超级按钮1.
void queryCreated(rt::Form& query);
// 超级按钮1 clicked: the search on the date of 日期框1. A hit is shown in the main window and
// disables the button; a miss is reported and leaves the main window and its browsing set where
// they were.
void querySearch(rt::Form& query);
// 日期框1 changed: the button can search again.
void queryDateChanged(rt::Form& query);

} // namespace ui
