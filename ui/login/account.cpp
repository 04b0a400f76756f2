#include "ui/login/account.h"

#include "app/effects.h"
#include "runtime/data_access.h"
#include "runtime/form.h"
#include "runtime/msgbox.h"
#include "store/account.h"
#include "store/program_values.h"
#include "ui/main/parts.h"

namespace ui {

rt::Text accountStatement(int adminRows, const rt::Text& name, const rt::Text& code) {
    return rt::Text::fromBytes(store::accountStatementText(adminRows, name.bytes(), code.bytes()));
}

void accountCreated(rt::Form& account) {
    account.setBackground(app::sharedBackground());
    app::buttonSkin({&account.button("确认"), &account.button("取消")});
}

void accountConfirmed(rt::Form& account) {
    rt::Form& main = rt::form("主窗口");
    rt::CommonConnection& connection = main.connection("数据库连接1");
    rt::RecordSet& statements = main.recordSet("记录集2");

    // The row count decides between insert and update. A table that cannot be opened reports -1
    // and gets the update, whose failure is then reported below.
    statements.SetConnection(connection);
    statements.Open("admin", rt::RecordSet::Table);
    const int rows = statements.RecordsCount();
    rt::Control& nameBox = account.control("用户名编辑框");
    rt::Control& passwordBox = account.control("密码编辑框");
    const rt::Text name = nameBox.text();
    const rt::Text password = passwordBox.text();

    // The name is asked for first: with both boxes empty only its message comes.
    if (name.empty()) {
        rt::messageBox(store::kAskForAccountName, rt::MbIconError, "错误:", &account);
        nameBox.setFocus();
        statements.Close();
        return;
    }
    if (password.empty()) {
        rt::messageBox(store::kAskForAccountPassword, rt::MbIconError, "错误:", &account);
        passwordBox.setFocus();
        statements.Close();
        return;
    }

    const rt::Text code = rt::Text::fromBytes(store::passwordCode(password));
    if (statements.Open(accountStatement(rows, name, code), rt::RecordSet::Sql)) {
        rt::messageBox("操作成功！", rt::MbIconInformation, "信息：", &account);
        account.destroy();
        statements.Close();
        return;
    }
    // The data layer has shown its own box already; this one says what went wrong in its words.
    // The window keeps the typed values for another try.
    rt::messageBox("操作错误：" + failureReason(connection), rt::MbIconError, "错误：", &account);
}

void accountCancelled(rt::Form& account) {
    account.destroy();
}

} // namespace ui
