#include "engine/listed_generation.h"

#include <vector>

namespace zelk::engine {

ListedDeletion DeleteListed(fileutil::COutFile& history, int line, CDeletionGate& gate, std::string& errorText) {
  errorText.clear();
  // A save folder the gate refuses keeps every generation and its line.
  if (gate.Refusal()) {
    errorText = *gate.Refusal();
    return ListedDeletion::Kept;
  }
  std::vector<std::string> lines;
  for (int i = 1; i <= history.GetLineCount(); ++i) lines.push_back(history.ReadLineEx(1, i));
  const std::string entry = history.ReadLineEx(1, line);
  if (history.DeleteLine(line, 1)) {
    errorText = history.GetErrorMsg();
    return ListedDeletion::WriteFailed;
  }
  if (gate.Delete(entry, errorText) != CDeletionGate::Outcome::Failed) {
    errorText.clear();
    return ListedDeletion::Deleted;
  }
  // What is left of it stays listed, to be tried again later.
  if (history.ReplaceAll(std::move(lines))) {
    errorText = history.GetErrorMsg();
    return ListedDeletion::WriteFailed;
  }
  return ListedDeletion::Kept;
}

}  // namespace zelk::engine
