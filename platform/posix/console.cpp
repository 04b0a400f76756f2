#include "platform/console.h"

#include "platform/file.h"

#include <algorithm>
#include <csignal>
#include <cstdio>

#include <termios.h>
#include <unistd.h>

namespace platform {

namespace {

// The terminal's settings while echo is off, to put back on an interrupt too.
struct termios savedTerminal;
volatile sig_atomic_t echoOff = 0;

void restoreTerminal() {
    if (echoOff) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
        echoOff = 0;
    }
}

void onInterrupt(int sig) {
    restoreTerminal();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

} // namespace

void prepareStandardStreams() {}

bool inputIsTerminal() {
    return ::isatty(STDIN_FILENO) != 0;
}

std::optional<std::string> readInputLine(bool hidden) {
    if (hidden && ::tcgetattr(STDIN_FILENO, &savedTerminal) == 0) {
        struct termios quiet = savedTerminal;
        quiet.c_lflag &= tcflag_t(~ECHO);
        quiet.c_lflag |= ECHONL;
        echoOff = 1;
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
    }
    // Byte by byte, so that nothing after the line is taken from the input.
    std::string line;
    bool any = false;
    char c;
    for (;;) {
        const int64_t n = readNext(STDIN_FILENO, &c, 1);
        if (n <= 0)
            break;
        any = true;
        if (c == '\n')
            break;
        line += c;
    }
    restoreTerminal();
    if (!any)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string shellWord(const std::string& word) {
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return uint8_t(c) >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               (c >= '0' && c <= '9') || c == '/' || c == '.' || c == '_' || c == '-' || c == '+';
    });
    if (plain)
        return word;
    std::string q = "'";
    for (char c : word)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace platform
