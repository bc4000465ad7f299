// The state of the newest complete generation, kept in a small file beside
// History.dat (Generation.dat): which generation it describes, how it was
// made, the digest of what its run backed up and of the generation as it
// was left on disk, and the place each target took in it. A run compares
// itself with it to find nothing changed, and finds there the earlier copy
// of each source for sharing unchanged files and carrying forward what it
// cannot read. Portable: the lines of the file.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelk::plan {

struct GenerationState {
  std::string generation;  // its path as History.dat lists it (keep none, plain: the save folder)
  int format = 0;          // the save format
  bool keepHistory = false;
  bool partial = false;           // some sources were left out or carried
  std::string sourceDigest;       // SourceDigest of its run's plan
  std::string generationDigest;   // of its tree as written; empty when not taken
  struct Place {
    std::string path;   // the target as listed
    std::string place;  // its name in the generation
  };
  std::vector<Place> places;

  // The place of the target listed as path in the generation; nullptr when
  // it was not in it.
  const std::string* PlaceOf(const std::string& path) const;
};

// What a run would make, to be compared with the state.
struct RunShape {
  std::string newest;  // the newest complete generation as History.dat (or the save folder) says
  int format = 0;
  bool keepHistory = false;
  std::string sourceDigest;
  std::string generationDigest;  // of the newest generation on disk now; empty: not looked at
};

// True only when nothing changed: the state describes the newest
// generation, made the same way, complete, from the same sources, and the
// generation is on disk as it was left. Any doubt is a change.
bool NothingChanged(const GenerationState& state, const RunShape& now);

std::vector<std::string> FormatState(const GenerationState& state);
// nullopt for anything that does not read as a whole state: a missing,
// torn or foreign file is no state.
std::optional<GenerationState> ParseState(const std::vector<std::string>& lines);

}  // namespace zelk::plan
