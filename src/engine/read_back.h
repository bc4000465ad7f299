// Reading a new generation back before it is named: every file the run
// copied is read again from the disk and compared with the checksum taken
// while it was copied, so the source is read only once.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/plain_writer.h"

namespace zelk::engine {

// The first file (in path order) whose contents on disk differ from what was
// copied, or that cannot be read back; nullopt when all agree.
std::optional<std::wstring> FirstUnlikeFile(std::vector<CopiedFile> copied, int threads);

}  // namespace zelk::engine
