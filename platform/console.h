// Standard input, output and error of a command-line program: UTF-8 text to files and pipes,
// and text that reads right on a terminal or a Windows console whatever its code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Puts the standard streams into binary mode where the system distinguishes (no "\n" to
// "\r\n" translation: what the program writes is what the file gets). Call once at start.
void prepareStandardStreams();

// Writes UTF-8 text to descriptor `fd` (1 or 2): the bytes as they are to a file or pipe; on a
// Windows console as UTF-16 characters. False when it could not be written (errno).
bool writeText(int fd, std::string_view utf8);

// True when standard input is a terminal (a console), where a password can be asked for.
bool inputIsTerminal();

// One line from standard input, without its line end ("\n" or "\r\n"), as UTF-8; nullopt at
// the end of input. On a Windows console the characters are read as typed (UTF-16), whatever
// the console's code page. With `hidden`, on a terminal the typed characters are not shown
// (echo is turned back on afterwards, also when the program is interrupted meanwhile) and the
// line end is shown once the line is read.
std::optional<std::string> readInputLine(bool hidden);

// `word` as one word of a command line typed into the system's shell (a path in an advice text):
// as it is when it needs no quoting, else quoted (POSIX sh: in single quotes; Windows cmd.exe:
// in double quotes).
std::string shellWord(const std::string& word);

#ifdef _WIN32
// The arguments wmain receives, as UTF-8.
std::vector<std::string> utf8Arguments(int argc, wchar_t** argv);
#endif

} // namespace platform
