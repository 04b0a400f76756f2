// The date query window's and the account settings window's handlers under the keys their form
// descriptions bind.
#include "ui/query_and_account.h"

#include "runtime/form.h"
#include "ui/login/account.h"
#include "ui/query/query.h"

namespace ui {

void registerQueryAndAccountHandlers() {
    const auto on = [](const char* key, void (*handler)(rt::Form&)) {
        rt::registerHandler(key, [handler](rt::Event& e) { handler(e.form); });
    };
    on("查询.created", queryCreated);
    on("查询.超级按钮1.clicked", querySearch);
    on("查询.日期框1.valueChanged", queryDateChanged);

    on("用户密码设置.created", accountCreated);
    on("用户密码设置.确认.clicked", accountConfirmed);
    on("用户密码设置.取消.clicked", accountCancelled);
}

} // namespace ui
