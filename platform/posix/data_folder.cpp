#include "platform/data_folder.h"

#include <climits>
#include <cstdlib>

#include <unistd.h>

namespace platform {

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

std::string join(const std::string& folder, const std::string& name) {
    return folder == "/" ? folder + name : folder + "/" + name;
}

} // namespace

std::string userDataFolder(const std::string& program) {
    std::string base = absoluteVariable("XDG_DATA_HOME");
    if (base.empty()) {
        const std::string home = absoluteVariable("HOME");
        if (home.empty())
            return {};
        base = join(home, ".local/share");
    }
    return join(base, program);
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

} // namespace platform
