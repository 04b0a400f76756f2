#include "store/database_location.h"

#include "jet/journal.h"
#include "platform/data_folder.h"
#include "platform/file.h"
#include "platform/folder.h"

#include <cerrno>

namespace store {

namespace {

bool exists(const std::string& path) {
    return platform::pathExists(path);
}

bool isFolder(const std::string& path) {
    return platform::isFolder(path);
}

#ifdef _WIN32
constexpr char kOtherSeparator = '\\';
#else
constexpr char kOtherSeparator = '/';
#endif

bool installed(const std::string& programFolder) {
#ifdef _WIN32
    return exists(platform::joinPath(programFolder, kWindowsUninstaller));
#else
    return exists(platform::joinPath(programFolder, LEDRIMO_APPLICATIONS_FROM_BIN) + "/" + kApplicationId +
                  ".desktop");
#endif
}

} // namespace

std::string userDataFolder() {
    return platform::userDataFolder("Ledrimo");
}

DatabaseLocation databaseLocation(const std::string& programFolder) {
    const DatabaseLocation beside{platform::joinPath(programFolder, "db"), false};
    if (exists(beside.path) || !isFolder(programFolder))
        return beside;
    const std::string dataFolder = userDataFolder();
    if (dataFolder.empty())
        return beside;
    if (!installed(programFolder) && platform::canCreateFilesIn(programFolder))
        return beside;
    return {platform::joinPath(dataFolder, "db"), true};
}

std::string runningProgramFolder() {
    return platform::runningProgramFolder();
}

jet::Status makeFolderFor(const std::string& file) {
    const std::string folder = platform::folderOf(file);
    if (folder == "." || platform::folderOf(folder) == folder)
        return jet::okStatus(); // the current folder or the root: there already
    // Every prefix that ends before a separator, shortest first; the existing ones are skipped.
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/' && folder[at] != kOtherSeparator)
            continue;
        const std::string part = folder.substr(0, at);
        if (isFolder(part) || platform::makeFolder(part, 0700) == 0 || (errno == EEXIST && isFolder(part)))
            continue;
        const int err = errno == EEXIST ? ENOTDIR : errno;
        return jet::makeError(jet::ErrorKind::Io, "无法创建文件夹：" + jet::journal::osErrorText(err), part);
    }
    return jet::okStatus();
}

} // namespace store
