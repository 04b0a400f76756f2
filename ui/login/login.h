// The login window 用户登录: checks the user name and password against the one row of table admin
// and opens the main window on success. It refuses every close request from outside; 退出 (the
// button 取消) ends the program.
#pragma once

#include "runtime/program.h"
#include "runtime/text.h"

namespace rt {
class Form;
}

namespace ui {

// The password text of the last login attempt, replaced at every attempt.
extern rt::ProgramValue<rt::Text> lastPasswordText;

// Created: caption + "-Ledrimo", login picture, focus to 用户框, button skin, opening effect.
void loginCreated(rt::Form& login);
// 登录 clicked: the login check.
void loginClicked(rt::Form& login);
// 取消 (退出) clicked: closes the single-instance guard and slides the window off the screen;
// with no window left the program ends.
void leaveClicked(rt::Form& login);

void registerLoginHandlers();

} // namespace ui
