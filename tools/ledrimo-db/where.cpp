// The verb that names the database file the program uses: where.
#include "store/database_location.h"
#include "tools/ledrimo-db/verbs.h"
#include "platform/file.h"


namespace dbtool {

namespace {

#ifdef _WIN32
constexpr const char* kWhereHelp =
    "显示程序使用的数据库文件 db 的完整路径（只显示，不创建任何文件）。\n"
    "PROGRAM 是程序文件 ledrimo.exe 或它所在的文件夹，默认为 ledrimo-db.exe 所在的文件夹\n"
    "（两者在同一文件夹）。\n\n"
    "程序旁边已有 db 时用它（便携的副本照常工作）；否则程序是安装的（旁边有安装程序\n"
    "留下的 uninstall.exe）或它所在的文件夹不可写时，db 在 %APPDATA%\\Ledrimo 里，\n"
    "否则在程序旁边。备份文件夹 backup\\ 和 holidays.tsv 都在 db 所在的文件夹里。\n";
#else
constexpr const char* kWhereHelp =
    "显示程序使用的数据库文件 db 的完整路径（只显示，不创建任何文件）。\n"
    "PROGRAM 是程序文件 ledrimo 或它所在的文件夹，默认为 ledrimo-db 所在的文件夹\n"
    "（安装后两者在同一文件夹）。\n\n"
    "程序旁边已有 db 时用它（便携的副本照常工作）；否则程序是安装的（旁边的\n"
    "../share/applications 里有它的桌面项）或它所在的文件夹不可写时，db 在用户的\n"
    "数据文件夹 $XDG_DATA_HOME/Ledrimo 里（未设置时为 ~/.local/share/Ledrimo），\n"
    "否则在程序旁边。备份文件夹 backup/ 和 holidays.tsv 都在 db 所在的文件夹里。\n";
#endif

int runWhere(const Args& args, Output& out) {
    std::string folder;
    if (args.positional.empty()) {
        folder = store::runningProgramFolder();
        if (folder.empty())
            return fail("无法确定 ledrimo-db 所在的文件夹");
    } else {
        const std::string& given = args.positional[0];
        // The program resolves symbolic links to find its own folder; so does this.
        const std::string resolved = platform::resolvedPath(given);
        if (resolved.empty() || !platform::pathExists(resolved))
            return fail("找不到程序或文件夹：" + given);
        folder = resolved;
        if (!platform::isFolder(resolved))
            folder = platform::folderOf(resolved);
    }
    out.put(store::databaseLocation(folder).path);
    out.put('\n');
    return 0;
}

} // namespace

const std::vector<Verb>& whereVerbs() {
    static const std::vector<Verb> verbs = {
        {"where",
         "ledrimo-db where [PROGRAM]",
         kWhereHelp,
         {},
         0,
         1,
         runWhere},
    };
    return verbs;
}

} // namespace dbtool
