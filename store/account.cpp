#include "store/account.h"

#include "jet/codec.h"
#include "jet/sql_engine.h"
#include "platform/codepage.h"
#include "store/credential.h"

namespace store {

std::string accountStatementText(int adminRows, std::string_view name, std::string_view code) {
    std::string quoted;
    for (char c : name) {
        quoted += c;
        if (c == '\'')
            quoted += c;
    }
    const std::string n(quoted), k(code);
    if (adminRows == 0)
        return "insert into admin (id,name,code) values (1,'" + n + "','" + k + "')";
    return "update admin set name='" + n + "',code='" + k + "' where id=1";
}

std::optional<std::string> passwordBytesOfUtf8(std::string_view utf8) {
    auto out = platform::codePage936OfUtf8(utf8);
    if (!out)
        return std::nullopt;
    // A zero byte would end the program's text there; the box never holds one.
    if (out->find('\0') != std::string::npos)
        return std::nullopt;
    return out;
}

jet::Result<AccountChange> setAccount(const std::string& dbPath, std::string_view name,
                                      std::string_view password) {
    auto invalid = [](const std::string& why) { return jet::makeError(jet::ErrorKind::Invalid, why); };
    auto conn = jet::sql::Connection::open(dbPath);
    if (!conn)
        return conn.error();
    auto admin = (*conn)->database().openTable(u"admin");
    if (!admin) {
        if (admin.error().kind != jet::ErrorKind::NotFound)
            return admin.error(); // a damaged definition or a failed read: the engine says which
        return jet::makeError(jet::ErrorKind::NotFound, "数据库中没有表 admin，不是 Ledrimo 的数据库",
                              dbPath);
    }
    auto rows = (*admin)->rowIds();
    if (!rows)
        return rows.error();

    AccountChange change;
    change.name = std::string(name);
    if (change.name.empty() && !rows->empty()) {
        // The name of the row the update touches.
        auto r = (*conn)->execute("select name from admin where id=1");
        if (!r)
            return r.error();
        if (r->rowCount() > 0)
            if (const auto* s = std::get_if<std::u16string>(&r->value(0, 0)))
                change.name = jet::toUtf8(*s);
    }
    if (change.name.empty())
        return invalid(kAskForAccountName);
    if (password.empty())
        return invalid(kAskForAccountPassword);
    const std::u16string wide = jet::fromUtf8(change.name);
    if (jet::toUtf8(wide) != change.name)
        return invalid("用户名不是有效的 UTF-8 文本");
    if (wide.size() > kAccountNameLimit)
        return invalid("用户名最多 " + std::to_string(kAccountNameLimit) + " 个字符");
    const auto bytes = passwordBytesOfUtf8(password);
    if (!bytes)
        return invalid(
            "密码中有 GBK（代码页 936）以外的字符，程序的登录窗口无法输入同样的密码；请换一个密码");

    const std::string code = buildPasswordCode(*bytes);
    change.inserted = rows->empty();
    auto done = (*conn)->execute(accountStatementText(int(rows->size()), change.name, code));
    if (!done)
        return done.error();
    if (done->rowsAffected == 0)
        return invalid("表 admin 中没有 id 为 1 的行，账户没有改动");
    return change;
}

} // namespace store
