#include "ui/login/login.h"

#include "app/effects.h"
#include "app/instance_guard.h"
#include "runtime/data_access.h"
#include "runtime/form.h"
#include "runtime/msgbox.h"
#include "store/database_file.h"
#include "store/program_values.h"

namespace ui {

rt::ProgramValue<rt::Text> lastPasswordText;

namespace {
const char* const kWrongInput = "输入错误！请联系管理人员，谢谢合作！";
}

void loginCreated(rt::Form& login) {
    login.setCaption(login.caption() + "-Ledrimo");
    login.setBackground(app::loginPicture());
    login.control("用户框").setFocus();
    app::buttonSkin({&login.button("登录"), &login.button("取消")});
    app::openingEffect(login, 15, 6);
}

void loginClicked(rt::Form& login) {
    login.handle();

    // The account, read afresh at every attempt. The results are not checked: what cannot be read
    // stays empty, and an empty stored name matches no name that passes the first test below.
    rt::CommonConnection& connection = login.connection("数据库连接");
    rt::RecordSet& records = login.recordSet("记录集");
    const bool connected = connection.ConnectAccess(store::databasePath.get(), "");
    records.SetConnection(connection);
    const bool opened = records.Open("admin", rt::RecordSet::Table);
    records.MoveFirst();
    rt::Text storedName, storedCode;
    records.ReadString("name", storedName);
    records.ReadString("code", storedCode);

    lastPasswordText.set(login.control("口令框").text());
    const rt::Text name = login.control("用户框").text();
    if (name.empty()) {
        rt::messageBox("请输入用户名", rt::MbIconWarning, "错误", &login);
        login.control("用户框").setFocus();
        return;
    }
    // Byte for byte: letter case and blanks count. The name is checked before the password is
    // encoded, so a wrong name costs no encoding.
    if (name != storedName) {
        rt::messageBox(kWrongInput, rt::MbIconWarning, "错误", &login);
        // No account could be read: when that is because the file is damaged, the user is told
        // which backup to restore (nothing is said for a missing or locked file).
        if (!connected || !opened)
            store::adviseIfDamaged(store::databasePath.get());
        return;
    }
    if (store::passwordCode(lastPasswordText.get()) != storedCode.bytes()) {
        rt::messageBox(kWrongInput, rt::MbIconWarning, "错误", &login);
        login.control("口令框").setFocus();
        return;
    }

    // The main window exists before the login window goes.
    rt::loadForm("主窗口");
    records.Close();
    connection.Close();
    login.destroy();
}

void leaveClicked(rt::Form& login) {
    app::closeInstanceGuard();
    app::closingEffect(login, 20);
}

void registerLoginHandlers() {
    rt::registerHandler("用户登录.created", [](rt::Event& e) { loginCreated(e.form); });
    rt::registerHandler("用户登录.closeRequested", [] { return false; });
    rt::registerHandler("用户登录.登录.clicked", [](rt::Event& e) { loginClicked(e.form); });
    rt::registerHandler("用户登录.取消.clicked", [](rt::Event& e) { leaveClicked(e.form); });
}

} // namespace ui
