// The save folder is emptied by a keep-none run and by the clear-backups
// command, and its path comes from a user-editable INI file. This guard names
// the folders that must never be emptied.
#pragma once

#include <optional>
#include <string>

namespace zelk::engine {

// Why the folder must not be emptied, or nothing when it may be: an empty
// path, a drive root, or a folder that holds the program's executable or the
// current folder (where FileList.dat and History.dat live).
std::optional<std::string> RefuseToEmpty(const std::string& saveFolder);

// The absolute form of a path (relative paths resolved against the current
// folder); the path itself when it cannot be resolved.
std::string FullPath(const std::string& path);

}  // namespace zelk::engine
