#include "platform/data_folder.h"

#include "platform/file.h"
#include "platform/windows/wide.h"

#include <vector>

namespace platform {

std::string userDataFolder(const std::string& program) {
    wchar_t buf[32768];
    const DWORD n = GetEnvironmentVariableW(L"APPDATA", buf, DWORD(std::size(buf)));
    if (n == 0 || n >= std::size(buf))
        return {};
    std::string base = win::utf8(std::wstring_view(buf, n));
    while (base.size() > 3 && (base.back() == '\\' || base.back() == '/'))
        base.pop_back();
    return base + "\\" + program;
}

std::string runningProgramFolder() {
    std::vector<wchar_t> buf(32768);
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
    if (n == 0 || n >= buf.size())
        return {};
    return folderOf(win::utf8(std::wstring_view(buf.data(), n)));
}

} // namespace platform
