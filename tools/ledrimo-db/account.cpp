// The account verb: passwd (the work is in store/account.h, shared with the account window).
#include "store/account.h"
#include "tools/ledrimo-db/verbs.h"

#include "platform/console.h"

namespace dbtool {

namespace {

constexpr OptionSpec kPasswordStdinOption{"--password-stdin", false};

// Asks on the terminal with echo off.
std::optional<std::string> askHidden(const char* prompt) {
    platform::writeText(2, prompt);
    return platform::readInputLine(true);
}

int runPasswd(const Args& args, Output& out) {
    const std::string& file = args.positional[0];
    const std::string name = args.positional.size() > 1 ? args.positional[1] : "";
    std::optional<std::string> password;
    if (args.flag(kPasswordStdinOption.name)) {
        password = platform::readInputLine(false);
        if (!password)
            return fail("标准输入中没有密码");
    } else {
        if (!platform::inputIsTerminal())
            return fail("标准输入不是终端：请在终端中运行，或用 --password-stdin 从标准输入读入密码");
        password = askHidden("新密码：");
        if (!password)
            return fail("没有读到密码，账户没有改动");
        auto again = askHidden("再输入一次新密码：");
        if (!again)
            return fail("没有读到密码，账户没有改动");
        if (*again != *password)
            return fail("两次输入的密码不一致，账户没有改动");
    }
    auto done = store::setAccount(file, name, *password);
    if (!done)
        return fail(done.error());
    out.put("已" + std::string(done->inserted ? "建立" : "设置") + "账户：用户名 " + done->name +
            "，新密码下次登录时生效\n");
    return 0;
}

} // namespace

const std::vector<Verb>& accountVerbs() {
    static const std::vector<Verb> verbs = {
        {"passwd",
         "ledrimo-db passwd FILE [NAME] [--password-stdin]",
         "设置登录账户（表 admin 中 id 为 1 的行），与程序的“用户密码设置”窗口存入的完全相同：\n"
         "用户名原样保存（最多 10 个字符），密码只存它的 32 位密码代码。不给 NAME 时保留原来的\n"
         "用户名。新密码从终端读两次（不回显）。忘记密码时可以用它重新进入程序，记录不受影响。\n"
         "  --password-stdin  从标准输入读一行作为新密码（只读一次）\n",
         {kPasswordStdinOption},
         1,
         2,
         runPasswd},
    };
    return verbs;
}

} // namespace dbtool
