// Status of a target path on disk, as a directory search for that exact path
// reports it (Windows only).
#pragma once

#include <optional>
#include <string>

namespace zelk::targets {

enum class PathKind { File, Folder };

// The kind of `path`, or nothing when the search for it fails: the path does
// not exist, is a drive root such as C:\ (a search never finds one), is empty,
// is longer than kMaxTargetPath bytes, or holds the wildcards '*' or '?'
// (which would match other names). A path is a folder when its attributes
// include FILE_ATTRIBUTE_DIRECTORY, whatever else is set.
std::optional<PathKind> QueryPathKind(const std::string& path);

}  // namespace zelk::targets
