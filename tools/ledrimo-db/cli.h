// What every verb of ledrimo-db shares: its arguments, its output, how it fails and how it opens
// a database. Each verb is a free function `int run(const Args&, Output&)` that returns the exit
// code; the verb groups (inspect.cpp, edit.cpp, create.cpp...) list theirs with usage and help
// texts, and main.cpp puts the groups together.
#pragma once

#include "jet/database.h"
#include "jet/error.h"
#include "jet/text_writer.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbtool {

// Where a verb writes: standard output, through the shared text writer (jet/text_writer.h).
using Output = jet::TextWriter;

// An option a verb accepts: "--name VALUE" (also "--name=VALUE") or a plain "--name".
struct OptionSpec {
    const char* name;
    bool takesValue;
};
inline constexpr OptionSpec kPasswordOption{"--password", true};
inline constexpr OptionSpec kFormatOption{"--format", true};
inline constexpr OptionSpec kSystemOption{"--system", false};

struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> options; // by name ("--format"); "" for a plain flag
    bool help = false;

    std::optional<std::string> option(const std::string& name) const {
        const auto it = options.find(name);
        return it == options.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    bool flag(const std::string& name) const { return options.count(name) != 0; }
};

struct Verb {
    const char* name;
    const char* usage;
    const char* help;
    std::vector<OptionSpec> options;
    size_t minArgs, maxArgs;
    int (*run)(const Args&, Output&);
};

// Parses `argv` (the words after the verb) into `out`, accepting only the options in `allowed`.
// Returns the message for a usage error, in Chinese.
std::optional<std::string> parseArgs(int argc, char** argv, const std::vector<OptionSpec>& allowed,
                                     Args& out);

// Prints "ledrimo-db：" and the error's description on stderr; returns the exit code 1.
int fail(const jet::Error& e);
// The same for a message of the tool's own (a bad option value, say).
int fail(const std::string& message);
// fail() for a date option whose `text` names no date, with the form it should have.
int failDateOption(const std::string& option, const std::string& text);

// Opens the database named by the first positional argument, with --password when given.
jet::Result<std::unique_ptr<jet::Database>> openDatabase(const Args& args, bool write = false);

// The value of `--format`, which must be one of `allowed` (the first is the default); nullopt
// after printing the error.
std::optional<std::string> formatOption(const Args& args, const std::vector<std::string>& allowed);

// Columns a text takes in a terminal: East Asian wide characters take two, a surrogate pair (a
// character past U+FFFF, mostly wide ideographs) two as well.
size_t displayWidth(std::u16string_view text);
size_t displayWidth(std::string_view utf8);

} // namespace dbtool
