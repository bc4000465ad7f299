#include "engine/backup_engine.h"

#include "engine/archiver_library.h"

namespace zelk::engine {

CBackupEngine::CBackupEngine(settings::CSettings& settings, IRunHost& host)
    : settings_(settings), host_(host) {}

bool CBackupEngine::Fail(std::string text) {
  lastError_ = std::move(text);
  return true;
}

bool CBackupEngine::IsArchiverUnavailable(int format) {
  lastError_ = ArchiverUnavailableReason(format);
  return !lastError_.empty();
}

}  // namespace zelk::engine
