#include "platform/folder.h"

#include "platform/windows/wide.h"

namespace platform {

bool listFolder(const std::string& path, std::vector<std::string>& names) {
    WIN32_FIND_DATAW found{};
    const HANDLE h = FindFirstFileW(win::wide(path + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return true; // empty (not even "." in a drive's root)
        win::failed();
        return false;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(win::utf8(name));
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return true;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/'))
        return folder + name;
    return folder + "\\" + name;
}

std::string nativeSeparators(const std::string& path) {
    std::string out = path;
    for (char& c : out)
        if (c == '/')
            c = '\\';
    return out;
}

} // namespace platform
