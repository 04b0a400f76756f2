// Where a user's program data lives, and where the running program is.
#pragma once

#include <string>

namespace platform {

// The folder for this user's data of the program `program` (not created here): on Windows
// %APPDATA%\<program>; elsewhere $XDG_DATA_HOME/<program>, or ~/.local/share/<program>
// (relative or empty variables are ignored, as the XDG rules say). Empty when none can be had.
std::string userDataFolder(const std::string& program);

// The folder holding the running executable, or empty when it cannot be found.
std::string runningProgramFolder();

} // namespace platform
