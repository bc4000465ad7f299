// Status of a target path on disk, with the answers a directory search for
// that exact path would give (Windows only).
#pragma once

#include <optional>
#include <string>

namespace zelk::targets {

enum class PathKind { File, Folder };

// The kind of `path`, or nothing when a search for it would fail: the path
// does not exist, is a drive or share root such as C:\ or ends in a
// separator (a search never finds one), is empty, or holds the wildcards
// '*' or '?' (which would match other names). Paths of any length are
// examined, through their extended-length form. The status itself is one
// attribute query by name. A path is a folder when its attributes include
// FILE_ATTRIBUTE_DIRECTORY, whatever else is set.
std::optional<PathKind> QueryPathKind(const std::string& path);

}  // namespace zelk::targets
