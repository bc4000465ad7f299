#include "engine/backup_engine.h"

#include "engine/archiver_library.h"
#include "res/resource.h"
#include "text/string_table.h"

namespace zelk::engine {

std::string HistoryFileName() { return text::LoadText(IDS_HISTORY); }

std::string GenerationNameFormat() { return text::LoadText(IDS_GENERATION_FORMAT); }

CBackupEngine::CBackupEngine(settings::CSettings& settings, IRunHost& host)
    : settings_(settings), host_(host) {}

std::string SkippedCaption(const std::vector<SkippedSource>& skipped) {
  if (skipped.empty()) return {};
  const SkippedSource& first = skipped.front();
  std::string caption = first.reason.empty() ? first.path : text::Format(IDS_WITH_REASON, first.path, first.reason);
  if (skipped.size() == 1) return caption;
  return text::Format(IDS_SKIPPED_MORE, caption, std::to_string(skipped.size() - 1));
}

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
