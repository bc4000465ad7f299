#include "common/archive_session.h"

#include <algorithm>
#include <bit>
#include <thread>

#include "common/source_file.h"
#include "common/win_strings.h"
#include "exclusion/exclusion_patterns.h"

namespace zelk::archivers {

std::optional<int> ArchiveSession::Open(const std::string& ansiPath, OutputBuffer& out, const OpenCodes& codes) {
  path_ = ExtendedLengthPath(AnsiToWide(ansiPath));
  if (path_.empty()) {
    out.Set("Invalid archive path: " + ansiPath);
    return codes.badPath;
  }
  archive_ = OpenOrCreateArchive(path_, &created_);
  if (!archive_->IsOpen()) {
    out.Set(ansiPath + ": " + archive_->Error());
    return codes.openFailed;
  }
  archiveId_ = IdentityOf(archive_->handle());
  return std::nullopt;
}

WalkResult ArchiveSession::AddTargets(const AddCommand& cmd, EntryNamer& namer, const EntryAdder& add,
                                      std::string* error) {
  std::string typed;
  for (const std::string& pattern : cmd.exclude) typed += pattern + ";";
  const exclusion::PatternList patterns(typed);
  WalkOptions options;
  options.recurse = cmd.recurse;
  options.includeHiddenSystem = cmd.includeHiddenSystem;
  // Only the archive's path is used: nothing of its file name goes into the
  // entries, so the caller may write under a staging name and rename later.
  options.archiveFolder = IdentityOfFolderHolding(path_);
  options.exclude = &patterns;
  options.unreadable = [this](const std::wstring& path, DWORD code) {
    LeaveOut(EnginePath(path), SystemErrorText(code), 2 * visited_);
  };
  const TreeVisitor visit = [&](const TreeEntry& e) {
    ++visited_;
    if (e.isFolder) return add(e, nullptr, error);
    if (!e.mayBeArchive) return add(e, std::make_unique<DeferredSource>(e.fullPath, retries_), error);
    std::unique_ptr<SourceFile> source = SourceFile::Open(e.fullPath, retries_);
    if (!source->IsOpen()) {
      LeaveOut(EnginePath(e.fullPath), source->Error(), entryOrder());
      return true;
    }
    // The archive itself, when it lies in a folder target.
    if (IdentityOf(source->handle()).SameAs(archiveId_)) return true;
    return add(e, std::move(source), error);
  };
  for (const std::string& name : cmd.names) {
    const WalkResult r = WalkTarget(cmd.baseFolder, name, options, visit, error);
    namer.FinishTarget();
    if (r != WalkResult::kDone) return r;
  }
  return WalkResult::kDone;
}

int CompressingThreads() {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  int count = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) count = std::popcount(process);
  if (count <= 0) count = static_cast<int>(std::thread::hardware_concurrency());
  return std::max(count, 1);
}

void ArchiveSession::DiscardCreated() {
  archive_.reset();
  DeleteFileW(path_.c_str());
}

}  // namespace zelk::archivers
