// The history of generations: History.dat lists one generation path per line,
// oldest first.
#include <algorithm>

#include "engine/backup_engine.h"
#include "engine/listed_generation.h"
#include "fileutil/line_file.h"
#include "res/resource.h"

namespace zelk::engine {

using fileutil::COutFile;
using text::Message;

bool CBackupEngine::PruneHistory(COutFile& file, CDeletionGate& gate) {
  if (beforePrune_) beforePrune_();
  // A save folder the gate refuses is never pruned, and says why.
  if (gate.Refusal() && file.GetLineCount() > std::max(settings_.HistoryNum, 1)) {
    return Fail(Message(*gate.Refusal()));
  }
  // The newest line is never a candidate; a generation that cannot be
  // deleted now keeps its line and the next older one is tried instead. A
  // line that cannot be removed ends the pruning before anything more is
  // deleted; the lines left are pruned by the next run.
  int line = 1;
  while (file.GetLineCount() > settings_.HistoryNum && line < file.GetLineCount()) {
    std::string reason;
    switch (DeleteListed(file, line, gate, reason)) {
      case ListedDeletion::Deleted:
        break;
      case ListedDeletion::Kept:
        ++line;
        break;
      case ListedDeletion::WriteFailed:
        return Fail(Message(reason));
    }
  }
  return false;
}

bool CBackupEngine::ListGeneration(const std::string& path, COutFile& file) {
  if (!file.GetErrorMsg().empty()) return Fail(file.GetErrorMsg());
  if (file.AddLine(path)) return Fail(Message::Of(IDS_HISTORY_WRITE_ERROR));
  return false;
}

bool CBackupEngine::RecordGeneration(const std::string& path) {
  CDeletionGate gate(settings_.SavePath, host_.SnapshotTargets());
  COutFile file(HistoryFileName());
  if (ListGeneration(path, file)) return true;
  if (settings_.History != 0 && PruneHistory(file, gate)) return true;
  lastError_ = {};
  return false;
}

bool CBackupEngine::PruneHistory() {
  COutFile file(HistoryFileName());
  if (!file.GetErrorMsg().empty()) return Fail(file.GetErrorMsg());
  CDeletionGate gate(settings_.SavePath, host_.SnapshotTargets());
  if (PruneHistory(file, gate)) return true;
  lastError_ = {};
  return false;
}

bool CBackupEngine::ClearBackups() {
  COutFile file(HistoryFileName());
  if (!file.GetErrorMsg().empty()) return Fail(Message::Of(IDS_HISTORY_OPEN_FAILED));
  CDeletionGate gate(settings_.SavePath, host_.SnapshotTargets());
  std::string reason;
  if (gate.Empty(reason)) return Fail(reason);
  if (file.Clear()) return Fail(Message::Of(IDS_HISTORY_CLEAR_FAILED));
  lastError_ = {};
  return false;
}

}  // namespace zelk::engine
