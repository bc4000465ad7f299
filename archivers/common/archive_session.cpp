#include "common/archive_session.h"

#include "common/win_strings.h"

namespace zelk::archivers {

ArchiveSession::OpenResult ArchiveSession::Open(const std::string& ansiPath, std::string* error) {
  path_ = ExtendedLengthPath(AnsiToWide(ansiPath));
  if (path_.empty()) {
    *error = "Invalid archive path: " + ansiPath;
    return OpenResult::kBadPath;
  }
  archive_ = OpenOrCreateArchive(path_, &created_);
  if (!archive_->IsOpen()) {
    *error = ansiPath + ": " + archive_->Error();
    return OpenResult::kFailed;
  }
  archiveId_ = IdentityOf(archive_->handle());
  return OpenResult::kOpen;
}

WalkResult ArchiveSession::AddTargets(const TargetList& targets, EntryNamer& namer, const EntryAdder& add,
                                      std::string* error) {
  WalkOptions options;
  options.recurse = targets.recurse;
  options.includeHiddenSystem = targets.includeHiddenSystem;
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
    return add(e, source.get(), error);
  };
  for (const std::string& name : targets.names) {
    std::string walkError;
    WalkResult r = WalkTarget(targets.baseFolder, name, options, visit, &walkError);
    namer.FinishTarget();
    if (r == WalkResult::kFailed) *error = walkError;
    if (sourceFailed) r = WalkResult::kFailed;
    if (r != WalkResult::kDone) return r;
  }
  return WalkResult::kDone;
}

void ArchiveSession::DiscardCreated() {
  archive_.reset();
  DeleteFileW(path_.c_str());
}

}  // namespace zelk::archivers
