#include "store/database_location.h"

#include "jet/journal.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

namespace {

std::string absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return {}; // unset, empty or relative: the XDG rules say to ignore it
    std::string s = value;
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool isFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string join(const std::string& folder, const char* name) {
    return folder == "/" ? folder + name : folder + "/" + name;
}

} // namespace

std::string userDataFolder() {
    std::string base = absoluteVariable("XDG_DATA_HOME");
    if (base.empty()) {
        const std::string home = absoluteVariable("HOME");
        if (home.empty())
            return {};
        base = join(home, ".local/share");
    }
    return join(base, "Ledrimo");
}

DatabaseLocation databaseLocation(const std::string& programFolder) {
    const DatabaseLocation beside{join(programFolder, "db"), false};
    if (exists(beside.path) || !isFolder(programFolder))
        return beside;
    const std::string dataFolder = userDataFolder();
    if (dataFolder.empty())
        return beside;
    const bool installed =
        exists(join(programFolder, LEDRIMO_APPLICATIONS_FROM_BIN) + "/" + kApplicationId + ".desktop");
    // Creating a file needs write and search permission on the folder; a read-only mount says no
    // too (EROFS).
    if (!installed && ::faccessat(AT_FDCWD, programFolder.c_str(), W_OK | X_OK, AT_EACCESS) == 0)
        return beside;
    return {join(dataFolder, "db"), true};
}

std::string runningProgramFolder() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    std::string path(buf, size_t(n));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

jet::Status makeFolderFor(const std::string& file) {
    const size_t slash = file.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return jet::okStatus(); // the current folder or the root: there already
    const std::string folder = file.substr(0, slash);
    // Every prefix that ends before a separator, shortest first; the existing ones are skipped.
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at < folder.size() && folder[at] != '/')
            continue;
        const std::string part = folder.substr(0, at);
        if (isFolder(part) || ::mkdir(part.c_str(), 0700) == 0 || (errno == EEXIST && isFolder(part)))
            continue;
        const int err = errno == EEXIST ? ENOTDIR : errno;
        return jet::makeError(jet::ErrorKind::Io, "无法创建文件夹：" + jet::journal::osErrorText(err), part);
    }
    return jet::okStatus();
}

} // namespace store
