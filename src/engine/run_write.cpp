// The middle of a run: its plan, the check for a run with nothing changed,
// the writing of the new generation into its staging entry, and the state
// recorded after it.
#include <windows.h>

#include <bit>
#include <thread>

#include "engine/archive_read_back.h"
#include "engine/archiver_library.h"
#include "engine/backup_engine.h"
#include "engine/generation_state_file.h"
#include "engine/plain_writer.h"
#include "engine/read_back.h"
#include "engine/run_facts.h"
#include "exclusion/exclusion_patterns.h"
#include "fileutil/path_names.h"
#include "fileutil/wide_path.h"
#include "plan/plan_digest.h"
#include "plan/plan_walker.h"
#include "res/resource.h"
#include "text/string_table.h"

namespace zelk::engine {
namespace {

// The logical processors this process may run on (taskset and job limits
// honoured).
int LogicalProcessors() {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  int count = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) count = std::popcount(process);
  if (count <= 0) count = static_cast<int>(std::thread::hardware_concurrency());
  return std::max(count, 1);
}

// Why a run in which no source could be read fails: the first one, as a
// copy that failed on it says.
text::Message NothingReadable(const SkippedSource& first) {
  const unsigned what = first.folder ? IDS_FS_CANNOT_LIST : IDS_FS_CANNOT_COPY;
  text::Message failed(first.path + text::LoadText(what));
  return first.reason.empty() ? failed : text::Message::Of(IDS_WITH_REASON, std::move(failed), first.reason);
}

// A path inside the staging entry as the user will find it.
std::string ShownPath(const RunFacts& run, const std::wstring& staged) {
  if (staged.size() <= run.stagingWide.size()) return run.shown;
  return fileutil::JoinPath(run.shown, fileutil::ToAnsi(std::wstring_view(staged).substr(run.stagingWide.size() + 1)));
}

}  // namespace

void CBackupEngine::PlanRun(RunFacts& run) {
  run.plan = plan::BuildPlan(run.rows, settings_.SavePath, exclusion::PatternList(settings_.Exclude));
  run.sourceDigest = plan::SourceDigest(run.plan);
  lastRun_.excluded = {run.plan.excludedFiles, run.plan.excludedBytes};
  lastRun_.linksNotEntered = run.plan.linksNotEntered;
  // The state counts only while it still describes the newest generation.
  std::optional<plan::GenerationState> state = LoadGenerationState();
  if (state && !run.newest.empty() && fileutil::SamePath(state->generation, run.newest)) run.state = std::move(state);
}

bool CBackupEngine::NothingChanged(RunFacts& run) {
  // A source that could not even be looked at may have changed.
  if (!run.state || !run.plan.problems.empty()) return false;
  const plan::RunShape now{run.newest, run.mode, run.keepHistory, run.sourceDigest,
                           GenerationTreeDigest(run.newest)};
  if (!plan::NothingChanged(*run.state, now)) return false;
  lastRun_.result = RunResult::Unchanged;
  lastRun_.generation = run.newest;
  return true;
}

bool CBackupEngine::WritePlain(RunFacts& run) {
  const EarlierCopy earlier = run.state && !run.newestResolved.empty()
                                  ? EarlierCopy(run.newestResolved, *run.state, run.plan)
                                  : EarlierCopy();
  fileutil::RetryBudget retries(retryWait_ ? retryWait_ : [](unsigned ms) { Sleep(ms); });
  PlainWriteOptions options;
  options.linkUnchanged = settings_.LinkUnchanged;
  options.checksums = settings_.Verify;
  options.threads = copyThreads_ > 0 ? copyThreads_ : LogicalProcessors();
  options.link = linkFunction_;
  options.retries = &retries;
  PlainWriteResult written = WritePlainCopy(run.plan, run.stagingWide, run.shown, earlier, options);
  lastRun_.written = written.written;
  lastRun_.skipped = std::move(written.skipped);
  if (written.failure) return Fail(*written.failure);
  // A generation of carried copies alone would only push a real one out.
  if (!lastRun_.skipped.empty() && written.freshFiles == 0) return Fail(NothingReadable(lastRun_.skipped.front()));
  if (afterWrite_) afterWrite_(run.stagingWide);
  if (!settings_.Verify) return false;
  if (const std::optional<std::wstring> unlike = FirstUnlikeFile(std::move(written.copied), options.threads)) {
    return Fail(text::Message::Of(IDS_VERIFY_FAILED, ShownPath(run, *unlike)));
  }
  lastRun_.verified = true;
  return false;
}

bool CBackupEngine::WriteArchive(RunFacts& run) {
  ArchiveRequest request;
  request.format = run.mode;
  request.plan = &run.plan;
  request.archivePath = run.staging;
  request.mainWindow = host_.OwnerWindow();
  request.patterns = exclusion::PatternList(settings_.Exclude).Patterns();
  ArchiveResult archived = ArchiveTargets(request);
  lastRun_.written = archived.written;
  lastRun_.skipped = std::move(archived.skipped);
  if (archived.failure) return Fail(*archived.failure);
  if (!lastRun_.skipped.empty() && lastRun_.written.files == 0) return Fail(NothingReadable(lastRun_.skipped.front()));
  if (afterWrite_) afterWrite_(run.stagingWide);
  // A run without an active target writes no archive: nothing to read back.
  if (!settings_.Verify || GetFileAttributesW(run.stagingWide.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  if (const auto unlike = FirstUnlikeEntry(run.stagingWide, run.mode, run.plan, lastRun_.skipped)) {
    const std::string named = unlike->empty() ? run.shown : fileutil::JoinPath(run.shown, *unlike);
    return Fail(text::Message::Of(IDS_VERIFY_FAILED, named));
  }
  lastRun_.verified = true;
  return false;
}

void CBackupEngine::RecordState(const RunFacts& run) {
  plan::GenerationState state;
  state.generation = run.plain && !run.keepHistory ? settings_.SavePath : run.final;
  state.format = run.mode;
  state.keepHistory = run.keepHistory;
  state.partial = !lastRun_.skipped.empty();
  state.sourceDigest = run.sourceDigest;
  // The generation as it was left, only when the next run will look.
  if (settings_.SkipUnchanged) state.generationDigest = GenerationTreeDigest(state.generation);
  for (const plan::PlanTarget& target : run.plan.targets) state.places.push_back({target.path, target.place});
  // Without the file the next run is a full one and shares nothing: never
  // a failure of this run.
  SaveGenerationState(state);
}

}  // namespace zelk::engine
