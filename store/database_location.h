// Where the database file `db` lives: beside the program, or in the user's data folder when the
// program cannot keep it there. Plain C++ without Qt: the program and ledrimo-db (`ledrimo-db
// where`) decide with the same code, so both name the same file. Backups (`backup/`) and the
// optional `holidays.tsv` sit in the folder that holds `db`.
#pragma once

#include "jet/error.h"

#include <string>

namespace store {

// The program's application id: its desktop entry is share/applications/ID.desktop, its icon ID.png
// (packaging/). The desktop entry, found there from the program's bin folder, marks the program
// as installed (see databaseLocation).
inline constexpr const char* kApplicationId = "org.example.Ledrimo";

// On Windows the installer puts its uninstaller beside the programs it installs, and nothing else
// does: a copy with this file beside it is an installed one (a portable copy, unzipped anywhere,
// has none). It goes away with the installation, so the mark cannot outlive it.
inline constexpr const char* kWindowsUninstaller = "uninstall.exe";

struct DatabaseLocation {
    std::string path;          // the database file
    bool inDataFolder = false; // true: in the user's data folder, which may not exist yet
};

// The user's data folder for Ledrimo: $XDG_DATA_HOME/Ledrimo when that variable holds an absolute
// path, else $HOME/.local/share/Ledrimo; on Windows %APPDATA%\Ledrimo. Empty when neither gives
// an absolute path. Creates nothing.
std::string userDataFolder();

// Where the program whose file is in `programFolder` keeps `db`. Creates nothing.
//   1. `programFolder/db` when any directory entry of that name exists (a portable copy keeps
//      its file, whatever the folder's permissions);
//   2. otherwise the data folder's `db` when the program is installed (the desktop entry lies in
//      ../share/applications/ beside its bin folder; on Windows kWindowsUninstaller lies beside
//      the program), even where this user could write (root, or a prefix in the home folder; a
//      per-user installation on Windows): user data never goes into a program folder;
//   3. otherwise `programFolder/db` when this user may create files in that folder;
//   4. otherwise the data folder's `db`.
// A folder that does not exist, or no data folder (no usable HOME), gives `programFolder/db`, so
// that writing it fails as before. `programFolder` has no trailing separator (a root may: / or
// C:\ ). On Windows the paths are joined with backslashes.
DatabaseLocation databaseLocation(const std::string& programFolder);

// The folder holding the running program file (from /proc/self/exe, symbolic links resolved);
// empty when the system does not say.
std::string runningProgramFolder();

// Makes sure the folder that is to hold `file` exists: the missing folders on its way are created
// with mode 0700 (private to the user); existing ones are left as they are. Io error with the
// system's reason when one cannot be created or a part of the way is not a folder.
jet::Status makeFolderFor(const std::string& file);

} // namespace store
