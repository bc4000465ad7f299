#include "common/archive_session.h"

#include <algorithm>
#include <bit>
#include <thread>

#include "common/win_strings.h"

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
  WalkOptions options;
  options.recurse = cmd.recurse;
  options.includeHiddenSystem = cmd.includeHiddenSystem;
  // Only the archive's path is used: nothing of its file name goes into the
  // entries, so the caller may write under a staging name and rename later.
  options.archiveFolder = IdentityOfFolderHolding(path_);
  bool sourceFailed = false;
  const TreeVisitor visit = [&](const TreeEntry& e) {
    std::unique_ptr<WinFile> source;
    if (!e.isFolder) {
      source = std::make_unique<WinFile>(e.fullPath, WinFile::Mode::kRead);
      if (!source->IsOpen()) {
        *error = DisplayPath(e.fullPath) + ": " + source->Error();
        sourceFailed = true;
        return false;
      }
      // The archive itself, when it lies in a folder target.
      if (e.mayBeArchive && IdentityOf(source->handle()).SameAs(archiveId_)) return true;
    }
    return add(e, std::move(source), error);
  };
  for (const std::string& name : cmd.names) {
    std::string walkError;
    WalkResult r = WalkTarget(cmd.baseFolder, name, options, visit, &walkError);
    namer.FinishTarget();
    if (r == WalkResult::kFailed) *error = walkError;
    if (sourceFailed) r = WalkResult::kFailed;
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
