// Where the program's own files live, and where per-user files go instead.
#pragma once

#include <string>

namespace qar {

// The folder of the running executable, without a trailing separator ("/" when the
// executable lies in the root); "." when the executable's path cannot be had.
std::string GetProgramFolder();

// The folder of an executable path: cut at its last separator; a path without one stays
// whole; "/" for a file in the root.
std::string FolderOfPath(const std::string& path);

// The process's current directory as the system reports it; "" when it cannot be read.
std::string CurrentDirectory();

// A path made absolute against the current directory, with "." and ".." resolved; an absolute
// or empty path is returned as it is.
std::string AbsolutePath(const std::string& path);

// qar's per-user data folder: $XDG_DATA_HOME/qar, or ~/.local/share/qar; "" when no home
// folder is known. Not created here.
std::string UserDataFolder();

}  // namespace qar
