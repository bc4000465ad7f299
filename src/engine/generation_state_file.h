// Generation.dat beside History.dat: the state of the newest complete
// generation (plan/generation_state.h), read before a run and replaced after
// each run that made a generation, whole or not at all.
#pragma once

#include <optional>
#include <string>

#include "plan/generation_state.h"

namespace zelk::engine {

// The file's name (IDS_GENERATION_STATE), opened bare in the current
// directory like History.dat.
std::string GenerationStateFileName();

// nullopt when the file is missing, cannot be read or is not a whole state.
std::optional<plan::GenerationState> LoadGenerationState();
// True on failure.
bool SaveGenerationState(const plan::GenerationState& state);

// The digest of a generation as it lies on disk, without reading file
// contents: for a folder, every entry below it (names, sizes, times,
// attributes; staging entries of the program left out), for an archive its
// own size, time and attributes. Empty when it cannot be looked at whole.
std::string GenerationTreeDigest(const std::string& generation);

}  // namespace zelk::engine
