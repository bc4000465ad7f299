// The plain copy of a run, written from its plan into the staging folder:
// folders first, then every file on a few threads, then the folders' own
// times. Per file: a hard link to its earlier copy when it is unchanged and
// sharing is on, else a copy; a source that cannot be read (after brief
// retries of a lock) is skipped and its earlier copy, when there is one,
// takes its place (carried forward). A failure of the staging folder's side
// (a full disk) stops every thread and fails the run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "checksum/sha256.h"
#include "engine/backup_engine.h"
#include "fileutil/retry_budget.h"
#include "plan/generation_state.h"
#include "plan/run_plan.h"
#include "text/message.h"

namespace zelk::engine {

// Where the newest complete copy holds each source's earlier copy: the
// source's own target's place in it, found by the target's path (never by
// the name alone, which another target may have had).
class EarlierCopy {
 public:
  EarlierCopy() = default;
  // root: the copy's folder, extended-length; state: the places of its run.
  EarlierCopy(const std::wstring& root, const plan::GenerationState& state, const plan::RunPlan& plan);
  // The earlier copy of entry (extended-length); empty when there is none.
  std::wstring Of(const plan::PlanEntry& entry) const;

 private:
  std::vector<std::wstring> targetRoots_;  // per plan target; empty: not in the copy
};

struct PlainWriteOptions {
  bool linkUnchanged = false;
  bool checksums = false;  // a checksum of every file copied, for reading it back
  int threads = 1;
  // The hard-link call (CreateHardLinkW's arguments; the system's error
  // code, 0 on success); empty: the system's.
  unsigned long (*link)(const wchar_t* newName, const wchar_t* existing) = nullptr;
  fileutil::RetryBudget* retries = nullptr;  // none: no retries
};

struct CopiedFile {
  std::wstring path;  // in the staging folder
  checksum::Digest digest;
};

struct PlainWriteResult {
  std::optional<text::Message> failure;  // the run fails
  std::vector<SkippedSource> skipped;    // in plan order
  fileutil::CopyTally written;           // copied, not linked
  std::uint64_t freshFiles = 0;          // files copied or linked as the sources are now
  std::vector<CopiedFile> copied;        // with checksums, when asked for
};

// staging: the new generation's folder (extended-length, existing); shown:
// the generation as the user will find it, for the texts.
PlainWriteResult WritePlainCopy(const plan::RunPlan& plan, const std::wstring& staging, const std::string& shown,
                                const EarlierCopy& earlier, const PlainWriteOptions& options);

}  // namespace zelk::engine
