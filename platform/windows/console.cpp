#include "platform/console.h"

#include "platform/file.h"
#include "platform/windows/wide.h"

#include <cstdio>

#include <fcntl.h>
#include <io.h>

namespace platform {

namespace {

HANDLE consoleInput() {
    const HANDLE h = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    return h != INVALID_HANDLE_VALUE && h && GetFileType(h) == FILE_TYPE_CHAR && GetConsoleMode(h, &mode)
               ? h
               : nullptr;
}

} // namespace

std::vector<std::string> utf8Arguments(int argc, wchar_t** argv) {
    std::vector<std::string> out;
    for (int i = 0; i < argc; ++i)
        out.push_back(win::utf8(argv[i]));
    return out;
}

void prepareStandardStreams() {
    _setmode(0, _O_BINARY);
    _setmode(1, _O_BINARY);
    _setmode(2, _O_BINARY);
}

bool inputIsTerminal() {
    return consoleInput() != nullptr;
}

std::optional<std::string> readInputLine(bool hidden) {
    const HANDLE in = consoleInput();
    if (in) {
        DWORD saved = 0;
        GetConsoleMode(in, &saved);
        if (hidden)
            SetConsoleMode(in, saved & ~DWORD(ENABLE_ECHO_INPUT));
        std::wstring line;
        bool any = false;
        wchar_t buf[256];
        for (;;) {
            DWORD got = 0;
            if (!ReadConsoleW(in, buf, DWORD(std::size(buf)), &got, nullptr) || got == 0)
                break;
            any = true;
            line.append(buf, got);
            if (line.find(L'\n') != std::wstring::npos)
                break;
        }
        if (hidden) {
            SetConsoleMode(in, saved);
            writeText(2, "\n");
        }
        if (!any)
            return std::nullopt;
        const size_t end = line.find(L'\n');
        if (end != std::wstring::npos)
            line.resize(end);
        if (!line.empty() && line.back() == L'\r')
            line.pop_back();
        return win::utf8(line);
    }
    std::string line;
    bool any = false;
    char c;
    for (;;) {
        const int64_t n = readNext(0, &c, 1);
        if (n <= 0)
            break;
        any = true;
        if (c == '\n')
            break;
        line += c;
    }
    if (!any)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string shellWord(const std::string& word) {
    // cmd.exe splits at blanks and acts on these; a Windows path holds no double quote.
    if (!word.empty() && word.find_first_of(" \t\"&|<>^%()!,;=") == std::string::npos)
        return word;
    return "\"" + word + "\"";
}

} // namespace platform
