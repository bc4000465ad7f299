// Reading an archive generation back before it is named: the finished
// archive is read past the cache through our own readers, whichever library
// wrote it (the central directory, or the level-2 headers), every entry's
// data decompressed and its CRC checked, and its files compared with those
// the run added: the plan's, less what the library left out.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/backup_engine.h"
#include "plan/run_plan.h"

namespace zelk::engine {

// The first entry that differs, as its path inside the archive ('\'
// separators): an entry whose data does not match its CRC or size, else a
// file the run added that the archive does not hold. Empty when the archive
// itself cannot be read; nullopt when all agree. format: 1 zip, 2 lzh.
std::optional<std::string> FirstUnlikeEntry(const std::wstring& archive, int format, const plan::RunPlan& plan,
                                            const std::vector<SkippedSource>& leftOut);

}  // namespace zelk::engine
