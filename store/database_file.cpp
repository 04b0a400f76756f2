#include "store/database_file.h"

#include "runtime/kernel.h"
#include "runtime/msgbox.h"
#include "runtime/program.h"
#include "store/database_image.h"
#include "store/program_values.h"

namespace store {

rt::Text computeDatabasePath() {
    rt::Text path = rt::programDirectory() + "/db";
    databasePath.set(path);
    return path;
}

DatabasePresence checkDatabasePresence() {
    const rt::Text path = computeDatabasePath();
    if (rt::fileExists(path))
        return DatabasePresence::Present;
    const int answer = rt::messageBox("数据库文件不存在，需要恢复请确认！",
                                      rt::MbOkCancel | rt::MbIconWarning, "数据库不存在");
    if (answer != rt::MbOk)
        return DatabasePresence::Declined;
    if (!restoreDatabase()) {
        rt::messageBox("未知错误,请重新安装软件!");
        rt::endProgram(0);
    }
    rt::messageBox("数据库恢复成功!默认用户名密码为：tamsu");
    return DatabasePresence::Present;
}

bool restoreDatabase() {
    const rt::Text path = computeDatabasePath();
    const rt::Bytes file = rt::decompress(databaseImage());
    // A damaged image decompresses to nothing; an empty `db` would be worse than none.
    if (file.empty())
        return false;
    return rt::writeFile(path, {file});
}

} // namespace store
