// Deleting a generation that History.dat lists, in the order that keeps the
// file true: its line goes first, then the generation itself. A generation
// that cannot be deleted gets its line back in its place. So History.dat
// never lists a path that is gone, and a line that cannot be removed costs
// no generation.
#pragma once

#include <string>

#include "engine/deletion_gate.h"
#include "fileutil/line_file.h"

namespace zelk::engine {

enum class ListedDeletion {
  Deleted,     // the line is gone, and with it the generation (or nothing the gate would delete)
  Kept,        // the generation could not be deleted; its line is back (errorText: why)
  WriteFailed  // History.dat could not be changed (errorText: the file's error)
};

// line is 1-based.
ListedDeletion DeleteListed(fileutil::COutFile& history, int line, CDeletionGate& gate, std::string& errorText);

}  // namespace zelk::engine
