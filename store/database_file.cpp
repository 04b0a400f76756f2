#include "store/database_file.h"

#include "runtime/kernel.h"
#include "runtime/msgbox.h"
#include "runtime/program.h"
#include "store/database_image.h"
#include "store/database_location.h"
#include "store/program_values.h"

#include <QFile>

namespace store {

namespace {

DatabaseLocation currentLocation() {
    return databaseLocation(QFile::encodeName(rt::nativePath(rt::programDirectory())).toStdString());
}

} // namespace

rt::Text computeDatabasePath() {
    rt::Text path(QFile::decodeName(QByteArray::fromStdString(currentLocation().path)));
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
    // The user's data folder is made on the first restore, private to the user.
    const DatabaseLocation where = currentLocation();
    if (where.inDataFolder && !makeFolderFor(where.path).ok())
        return false;
    return rt::writeFile(path, {file});
}

} // namespace store
