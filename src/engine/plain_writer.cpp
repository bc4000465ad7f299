#include "engine/plain_writer.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <unordered_map>

#include "engine/file_copy.h"
#include "engine/parallel_for.h"
#include "fileutil/directory_ops.h"
#include "fileutil/path_names.h"
#include "fileutil/wide_path.h"
#include "fileutil/win_handles.h"
#include "plan/plan_walker.h"
#include "res/resource.h"

namespace zelk::engine {
namespace {

using plan::EntryKind;
using plan::PlanEntry;

constexpr DWORD kComparedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

std::uint64_t Ticks(const FILETIME& t) { return (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

FileStamp StampOf(const PlanEntry& e) { return {e.created, e.accessed, e.written, e.attributes}; }

// The stamp and kind of an existing plain file or folder; nullopt otherwise.
struct OnDisk {
  FileStamp stamp;
  std::uint64_t size = 0;
  bool folder = false;
};
std::optional<OnDisk> Look(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return std::nullopt;
  return OnDisk{{Ticks(data.ftCreationTime), Ticks(data.ftLastAccessTime), Ticks(data.ftLastWriteTime),
                 data.dwFileAttributes},
                (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
                (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0};
}

class PlainWriter {
 public:
  PlainWriter(const plan::RunPlan& plan, const std::wstring& staging, const std::string& shown,
              const EarlierCopy& earlier, const PlainWriteOptions& options)
      : plan_(plan), earlier_(earlier), options_(options), shown_(shown) {
    for (const plan::PlanTarget& target : plan.targets) {
      targetDest_.push_back(fileutil::JoinWide(staging, fileutil::ToWide(target.place)));
    }
    for (const plan::SourceProblem& problem : plan.problems) problems_.emplace(problem.entry, &problem.reason);
    buffers_.resize(static_cast<std::size_t>(std::max(options.threads, 1)));
  }

  PlainWriteResult Run() {
    if (MakeFolders()) {
      std::vector<std::size_t> jobs;
      for (std::size_t i = 0; i < plan_.entries.size(); ++i) {
        if (plan_.entries[i].kind == EntryKind::File || problems_.contains(i)) jobs.push_back(i);
      }
      ParallelFor(jobs.size(), options_.threads, [&](std::size_t job, int worker) { Write(jobs[job], worker); },
                  stop_);
      if (!stop_) StampFolders();
    }
    return Result();
  }

 private:
  std::wstring Dest(const PlanEntry& e) const {
    const std::wstring& top = targetDest_[e.target];
    return e.relative.empty() ? top : fileutil::JoinWide(top, e.relative);
  }
  std::string Shown(const PlanEntry& e) const {
    std::string path = fileutil::JoinPath(shown_, plan_.targets[e.target].place);
    return e.relative.empty() ? path : fileutil::JoinPath(path, fileutil::ToAnsi(e.relative));
  }
  std::string SourceShown(const PlanEntry& e) const {
    const std::string& path = plan_.targets[e.target].path;
    return e.relative.empty() ? path : fileutil::JoinPath(path, fileutil::ToAnsi(e.relative));
  }
  const std::string* ProblemOf(std::size_t index) const {
    const auto found = problems_.find(index);
    return found == problems_.end() ? nullptr : found->second;
  }

  void Fail(std::size_t index, const std::string& shownPath, DWORD code) {
    std::lock_guard<std::mutex> lock(lock_);
    if (!failure_ || index < failure_->first) {
      failure_.emplace(index, text::Message::Of(IDS_WITH_REASON, text::Message::Of(IDS_CREATE_FAILED, shownPath),
                                                fileutil::ErrorString(code)));
    }
    stop_ = true;
  }

  void Skip(std::size_t index, std::string reason, bool carried) {
    std::lock_guard<std::mutex> lock(lock_);
    const PlanEntry& e = plan_.entries[index];
    skipped_.push_back({index, {SourceShown(e), std::move(reason), carried, e.kind != EntryKind::File}});
  }

  // Every folder of the plan (a target that is gone comes with its earlier
  // copy, if at all). False when one cannot be made.
  bool MakeFolders() {
    for (std::size_t i = 0; i < plan_.entries.size(); ++i) {
      const PlanEntry& e = plan_.entries[i];
      if (e.kind == EntryKind::File || (e.relative.empty() && ProblemOf(i) != nullptr)) continue;
      if (!CreateDirectoryW(Dest(e).c_str(), nullptr)) {
        Fail(i, Shown(e), GetLastError());
        return false;
      }
    }
    return true;
  }

  // Last, so that nothing written into a folder changes its times again.
  void StampFolders() {
    for (std::size_t i = 0; i < plan_.entries.size(); ++i) {
      const PlanEntry& e = plan_.entries[i];
      if (e.kind != EntryKind::File && !(e.relative.empty() && ProblemOf(i) != nullptr)) {
        ApplyStamp(Dest(e), StampOf(e), true);
      }
    }
  }

  // A hard link at to for existing; false when none was made. The first
  // link of a run is made alone: when it fails, the volume makes no links
  // and linking is off for the rest of the run.
  bool Link(const std::wstring& to, const std::wstring& existing) {
    if (linkState_ == kLinksUntried) {
      std::lock_guard<std::mutex> lock(probe_);
      if (linkState_ == kLinksUntried) {
        const bool made = MakeLink(to, existing);
        linkState_ = made ? kLinksWorking : kLinksOff;
        return made;
      }
    }
    // A later failure (a file at its link limit) copies this file alone.
    return linkState_ == kLinksWorking && MakeLink(to, existing);
  }
  bool MakeLink(const std::wstring& to, const std::wstring& existing) const {
    const DWORD code = options_.link ? options_.link(to.c_str(), existing.c_str())
                                     : (CreateHardLinkW(to.c_str(), existing.c_str(), nullptr) ? 0 : GetLastError());
    return code == 0;
  }

  bool LinkUnchanged(const PlanEntry& e, const std::wstring& to, const std::wstring& earlier) {
    if (!options_.linkUnchanged || earlier.empty()) return false;
    const std::optional<OnDisk> there = Look(earlier);
    if (!there || there->folder || there->size != e.size || there->stamp.written != e.written ||
        (there->stamp.attributes & kComparedAttributes) != (e.attributes & kComparedAttributes)) {
      return false;
    }
    return Link(to, earlier);
  }

  // Copies one file, trying a locked source again while the run's budget
  // allows.
  CopyOutcome CopyWithRetries(const std::wstring& from, const std::wstring& to, const FileStamp& stamp, int worker,
                              checksum::Sha256* sha) {
    for (int attempt = 1;; ++attempt) {
      checksum::Sha256 fresh;
      CopyOutcome outcome = CopyFileData(from, to, stamp, buffers_[static_cast<std::size_t>(worker)],
                                         sha != nullptr ? &fresh : nullptr);
      if (outcome.failed == CopyOutcome::Failed::None && sha != nullptr) *sha = fresh;
      const bool retry = outcome.failed == CopyOutcome::Failed::Source && IsPassingLock(outcome.code) &&
                         options_.retries != nullptr && !stop_ &&
                         options_.retries->WaitBeforeRetry(attempt);
      if (!retry) return outcome;
    }
  }

  // A copy made: counted, and kept for reading back.
  void Copied(const std::wstring& to, std::uint64_t bytes, checksum::Sha256& sha) {
    files_ += 1;
    bytes_ += bytes;
    if (!options_.checksums) return;
    const checksum::Digest digest = sha.Finish();
    std::lock_guard<std::mutex> lock(lock_);
    copied_.push_back({to, digest});
  }

  void Write(std::size_t index, int worker) {
    const PlanEntry& e = plan_.entries[index];
    const std::wstring to = Dest(e);
    const std::wstring earlier = earlier_.Of(e);
    if (const std::string* problem = ProblemOf(index)) {
      Skip(index, *problem, Carry(index, e, to, earlier, worker));
      return;
    }
    if (LinkUnchanged(e, to, earlier)) {
      fresh_ += 1;
      return;
    }
    checksum::Sha256 sha;
    const CopyOutcome outcome =
        CopyWithRetries(plan::SourcePath(plan_, e), to, StampOf(e), worker, options_.checksums ? &sha : nullptr);
    switch (outcome.failed) {
      case CopyOutcome::Failed::None:
        fresh_ += 1;
        Copied(to, outcome.bytes, sha);
        return;
      case CopyOutcome::Failed::Target:
        Fail(index, Shown(e), outcome.code);
        return;
      case CopyOutcome::Failed::Source:
        Skip(index, fileutil::ErrorString(outcome.code), Carry(index, e, to, earlier, worker));
        return;
    }
  }

  // Puts the earlier copy of a source that cannot be read in its place: a
  // link when sharing is on, a copy within the save folder otherwise. True
  // when the generation holds it.
  bool Carry(std::size_t index, const PlanEntry& e, const std::wstring& to, const std::wstring& earlier, int worker) {
    const std::optional<OnDisk> there = Look(earlier);
    if (!there) return false;
    if (there->folder) {
      if (e.kind == EntryKind::File) return false;
      if (e.relative.empty() && !CreateDirectoryW(to.c_str(), nullptr)) {
        Fail(index, Shown(e), GetLastError());
        return false;
      }
      const bool whole = CarryTree(index, earlier, to, worker);
      if (e.relative.empty()) ApplyStamp(to, there->stamp, true);
      return whole;
    }
    if (e.kind != EntryKind::File) return false;
    return CarryFile(index, earlier, to, there->stamp, worker);
  }

  bool CarryFile(std::size_t index, const std::wstring& earlier, const std::wstring& to, const FileStamp& stamp,
                 int worker) {
    if (options_.linkUnchanged && Link(to, earlier)) return true;
    checksum::Sha256 sha;
    const CopyOutcome outcome = CopyFileData(earlier, to, stamp, buffers_[static_cast<std::size_t>(worker)],
                                             options_.checksums ? &sha : nullptr);
    if (outcome.failed == CopyOutcome::Failed::Target) {
      Fail(index, fileutil::DisplayPath(to), outcome.code);
      return false;
    }
    if (outcome.failed == CopyOutcome::Failed::Source) return false;
    Copied(to, outcome.bytes, sha);
    return true;
  }

  // The contents of an earlier folder copied into to (which exists). True
  // when everything came.
  bool CarryTree(std::size_t index, const std::wstring& from, const std::wstring& to, int worker) {
    WIN32_FIND_DATAW data;
    fileutil::FindHandle find(FindFirstFileW(fileutil::JoinWide(from, L"*").c_str(), &data));
    if (!find.valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
    bool whole = true;
    do {
      const std::wstring_view name = data.cFileName;
      if (name == L"." || name == L".." || stop_) continue;
      const std::wstring source = fileutil::JoinWide(from, name);
      const std::wstring target = fileutil::JoinWide(to, name);
      const FileStamp stamp{Ticks(data.ftCreationTime), Ticks(data.ftLastAccessTime), Ticks(data.ftLastWriteTime),
                            data.dwFileAttributes};
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        whole = CarryFile(index, source, target, stamp, worker) && whole;
        continue;
      }
      if (!CreateDirectoryW(target.c_str(), nullptr)) {
        Fail(index, fileutil::DisplayPath(target), GetLastError());
        return false;
      }
      // A link in the earlier copy was made there as an empty folder.
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        whole = CarryTree(index, source, target, worker) && whole;
      }
      ApplyStamp(target, stamp, true);
    } while (FindNextFileW(find.get(), &data));
    return whole && !stop_;
  }

  PlainWriteResult Result() {
    PlainWriteResult result;
    if (failure_) result.failure = failure_->second;
    std::sort(skipped_.begin(), skipped_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [index, source] : skipped_) result.skipped.push_back(std::move(source));
    result.written = {files_.load(), bytes_.load()};
    result.freshFiles = fresh_.load();
    result.copied = std::move(copied_);
    return result;
  }

  static constexpr int kLinksUntried = 0;
  static constexpr int kLinksWorking = 1;
  static constexpr int kLinksOff = 2;

  const plan::RunPlan& plan_;
  const EarlierCopy& earlier_;
  const PlainWriteOptions& options_;
  std::string shown_;
  std::vector<std::wstring> targetDest_;
  std::unordered_map<std::size_t, const std::string*> problems_;
  std::vector<std::vector<char>> buffers_;  // one per thread

  std::atomic<bool> stop_{false};
  std::atomic<int> linkState_{kLinksUntried};
  std::atomic<std::uint64_t> files_{0};
  std::atomic<std::uint64_t> bytes_{0};
  std::atomic<std::uint64_t> fresh_{0};
  std::mutex probe_;  // the first link of the run
  std::mutex lock_;   // guards what follows
  std::optional<std::pair<std::size_t, text::Message>> failure_;
  std::vector<std::pair<std::size_t, SkippedSource>> skipped_;
  std::vector<CopiedFile> copied_;
};

}  // namespace

EarlierCopy::EarlierCopy(const std::wstring& root, const plan::GenerationState& state, const plan::RunPlan& plan) {
  for (const plan::PlanTarget& target : plan.targets) {
    const std::string* place = root.empty() ? nullptr : state.PlaceOf(target.path);
    targetRoots_.push_back(place == nullptr ? std::wstring() : fileutil::JoinWide(root, fileutil::ToWide(*place)));
  }
}

std::wstring EarlierCopy::Of(const plan::PlanEntry& entry) const {
  if (entry.target >= targetRoots_.size() || targetRoots_[entry.target].empty()) return {};
  const std::wstring& top = targetRoots_[entry.target];
  return entry.relative.empty() ? top : fileutil::JoinWide(top, entry.relative);
}

PlainWriteResult WritePlainCopy(const plan::RunPlan& plan, const std::wstring& staging, const std::string& shown,
                                const EarlierCopy& earlier, const PlainWriteOptions& options) {
  return PlainWriter(plan, staging, shown, earlier, options).Run();
}

}  // namespace zelk::engine
