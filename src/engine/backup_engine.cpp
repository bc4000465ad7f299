#include "engine/backup_engine.h"

#include "engine/archiver_library.h"
#include "res/resource.h"
#include "text/string_table.h"

namespace zelk::engine {

std::string HistoryFileName() { return text::LoadText(IDS_HISTORY); }

std::string GenerationNameFormat() { return text::LoadText(IDS_GENERATION_FORMAT); }

CBackupEngine::CBackupEngine(settings::CSettings& settings, IRunHost& host)
    : settings_(settings), host_(host) {}

std::string CBackupEngine::GetLastErrorText() const { return text::ToText(lastError_); }

bool CBackupEngine::Fail(text::Message reason) {
  lastError_ = std::move(reason);
  return true;
}

bool CBackupEngine::IsArchiverUnavailable(int format) {
  lastError_ = ArchiverUnavailableReason(format);
  return !lastError_.empty();
}

}  // namespace zelk::engine
