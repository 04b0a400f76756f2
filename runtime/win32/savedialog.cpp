// The save dialog through GetSaveFileNameW.
#include "runtime/win32/savedialog.h"

#include <commdlg.h>

#include <algorithm>
#include <string>
#include <vector>

namespace rt::win32 {

namespace {

std::wstring wideOf(const Text& t) {
    const std::u16string s = t.toUtf16();
    return std::wstring(s.begin(), s.end());
}

// "Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)" as the dialog takes it: pairs of a name and its
// patterns ("*.xlsx", several joined with ';'), each ended by a zero, the list by another. The
// first pattern's extension is added to a name typed without one.
std::wstring dialogFilter(const std::wstring& filter, std::wstring& defaultExtension) {
    std::wstring out;
    size_t at = 0;
    while (at <= filter.size()) {
        size_t end = filter.find(L";;", at);
        if (end == std::wstring::npos)
            end = filter.size();
        const std::wstring entry = filter.substr(at, end - at);
        at = end + 2;
        if (entry.empty())
            continue;
        std::wstring patterns;
        const size_t open = entry.rfind(L'('), close = entry.rfind(L')');
        if (open != std::wstring::npos && close != std::wstring::npos && close > open) {
            for (wchar_t c : entry.substr(open + 1, close - open - 1))
                patterns += c == L' ' ? L';' : c;
        }
        if (patterns.empty())
            patterns = L"*.*";
        if (defaultExtension.empty()) {
            const size_t dot = patterns.find(L"*.");
            if (dot != std::wstring::npos) {
                const std::wstring ext = patterns.substr(dot + 2, patterns.find(L';', dot) - dot - 2);
                if (ext != L"*")
                    defaultExtension = ext;
            }
        }
        out += entry;
        out += L'\0';
        out += patterns;
        out += L'\0';
    }
    out += L'\0';
    return out;
}

// Disables the thread's other enabled windows while a dialog without an owner is shown, so that
// it blocks all of them, and enables them again after.
struct ProgramBlock {
    std::vector<HWND> disabled;
    ProgramBlock() {
        EnumThreadWindows(GetCurrentThreadId(), note, reinterpret_cast<LPARAM>(this));
        for (HWND w : disabled)
            EnableWindow(w, FALSE);
    }
    ~ProgramBlock() {
        for (HWND w : disabled)
            EnableWindow(w, TRUE);
    }
    static BOOL CALLBACK note(HWND w, LPARAM self) {
        if (IsWindowVisible(w) && IsWindowEnabled(w))
            reinterpret_cast<ProgramBlock*>(self)->disabled.push_back(w);
        return TRUE;
    }
};

} // namespace

Text saveDialog(HWND owner, const Text& captionText, const Text& suggestedText, const Text& filterText) {
    std::wstring suggested = wideOf(suggestedText);
    for (wchar_t& c : suggested)
        if (c == L'/')
            c = L'\\';
    const size_t slash = suggested.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : suggested.substr(0, slash);
    const std::wstring name = slash == std::wstring::npos ? suggested : suggested.substr(slash + 1);
    std::wstring extension;
    const std::wstring filter = dialogFilter(wideOf(filterText), extension);
    const std::wstring caption = wideOf(captionText);

    std::vector<wchar_t> file(32768, L'\0');
    name.copy(file.data(), std::min(name.size(), file.size() - 1));
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = DWORD(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = caption.empty() ? nullptr : caption.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    BOOL chosen;
    if (owner) {
        chosen = GetSaveFileNameW(&ofn);
    } else {
        ProgramBlock block;
        chosen = GetSaveFileNameW(&ofn);
    }
    if (!chosen)
        return {};
    const std::wstring chosenPath = file.data();
    return Text::fromBytes(gbkOfUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(chosenPath.data()), chosenPath.size())));
}


} // namespace rt::win32
