// The account settings window 用户密码设置: stores the user name in plain text and the password as
// its password code in the row of table `admin` with id 1, inserting the row when the table is
// empty and updating it otherwise. It borrows the main window's connection 数据库连接1 and its
// statement set 记录集2; the new account counts from the next login on.
#pragma once

#include "runtime/text.h"

namespace rt {
class Form;
}

namespace ui {

// The statement that stores the account, given the row count the statement set reported for
// table `admin`: 0 gives the insert, any other count (-1, unknown, included) the update of the
// row with id 1. Single quotes in the name are doubled, so the stored name equals the typed one;
// the code is hexadecimal digits.
rt::Text accountStatement(int adminRows, const rt::Text& name, const rt::Text& code);

// Created: the shared background, the button skin on 确认 and 取消.
void accountCreated(rt::Form& account);
// 确认 clicked: checks the two boxes and stores the account; closes the window on success.
void accountConfirmed(rt::Form& account);
// 取消 clicked: closes the window; nothing is stored.
void accountCancelled(rt::Form& account);

} // namespace ui
