#include "engine/archive_read_back.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "fileutil/wide_path.h"
#include "fileutil/win_handles.h"
#include "format/lzh_check.h"
#include "plan/plan_walker.h"
#include "zip32j/format/zip_check.h"

namespace zelk::engine {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Whole blocks at block offsets: aligned for any sector size, read past the
// cache.
constexpr std::size_t kBlock = 1u << 20;

struct VirtualFreer {
  void operator()(void* p) const { VirtualFree(p, 0, MEM_RELEASE); }
};

// The archive read in aligned blocks, one kept for the reads that follow.
class BlockFile {
 public:
  explicit BlockFile(const std::wstring& path)
      : buffer_(VirtualAlloc(nullptr, kBlock, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
    auto open = [&](DWORD flags) {
      return CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
    };
    HANDLE raw = open(FILE_FLAG_NO_BUFFERING);
    // A volume that cannot read past its cache is read through it.
    if (raw == INVALID_HANDLE_VALUE) raw = open(0);
    file_ = std::make_unique<fileutil::FileHandle>(raw);
    LARGE_INTEGER size{};
    open_ = file_->valid() && buffer_ != nullptr && GetFileSizeEx(file_->get(), &size);
    size_ = static_cast<std::uint64_t>(size.QuadPart);
  }
  bool open() const { return open_; }
  std::uint64_t size() const { return size_; }

  // Up to n bytes at offset; *got is short only at the end of the file.
  bool ReadAt(std::uint64_t offset, std::uint8_t* data, std::size_t n, std::size_t* got) {
    *got = 0;
    while (*got < n && offset < size_) {
      const std::uint64_t block = offset / kBlock * kBlock;
      if (block != block_ && !Load(block)) return false;
      const std::size_t at = static_cast<std::size_t>(offset - block);
      if (at >= held_) break;
      const std::size_t take = std::min(n - *got, held_ - at);
      std::memcpy(data + *got, static_cast<const std::uint8_t*>(buffer_.get()) + at, take);
      *got += take;
      offset += take;
    }
    return true;
  }

 private:
  bool Load(std::uint64_t block) {
    block_ = UINT64_MAX;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(block);
    DWORD read = 0;
    if (!SetFilePointerEx(file_->get(), at, nullptr, FILE_BEGIN) ||
        !ReadFile(file_->get(), buffer_.get(), static_cast<DWORD>(kBlock), &read, nullptr)) {
      return false;
    }
    block_ = block;
    held_ = read;
    return true;
  }

  std::unique_ptr<void, VirtualFreer> buffer_;
  std::unique_ptr<fileutil::FileHandle> file_;
  bool open_ = false;
  std::uint64_t size_ = 0;
  std::uint64_t block_ = UINT64_MAX;
  std::size_t held_ = 0;
};

class ZipFile : public archivers::RandomAccessFile {
 public:
  explicit ZipFile(BlockFile& file) : file_(file) {}
  bool ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) override {
    return file_.ReadAt(offset, static_cast<std::uint8_t*>(data), n, got);
  }
  bool WriteAt(std::uint64_t, const void*, std::size_t) override { return false; }
  bool Size(std::uint64_t* size) override {
    *size = file_.size();
    return true;
  }
  bool Truncate(std::uint64_t) override { return false; }
  std::string Error() const override { return "read error"; }

 private:
  BlockFile& file_;
};

class LzhFile : public lzh::ByteSource {
 public:
  explicit LzhFile(BlockFile& file) : file_(file) {}
  std::uint64_t Size() const override { return file_.size(); }
  bool ReadAt(std::uint64_t offset, std::uint8_t* data, std::size_t size) override {
    std::size_t got = 0;
    return file_.ReadAt(offset, data, size, &got) && got == size;
  }

 private:
  BlockFile& file_;
};

// What the readers found, whatever the format.
struct Found {
  std::vector<std::wstring> names;  // '\' separators, none at the end
  std::vector<bool> folders;
  bool whole = false;
  std::optional<std::size_t> failedEntry;
};

std::wstring FromUtf8(const std::string& text) {
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
  if (size > 0) MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

template <typename Check>
Found Take(const Check& check) {
  Found found{{}, {}, check.whole, check.failedEntry};
  for (const auto& entry : check.entries) {
    std::wstring name = entry.utf8 ? FromUtf8(entry.name) : fileutil::ToWide(entry.name);
    std::replace(name.begin(), name.end(), L'/', L'\\');
    while (!name.empty() && name.back() == L'\\') name.pop_back();
    found.names.push_back(std::move(name));
    found.folders.push_back(entry.folder);
  }
  return found;
}

std::optional<Found> ReadArchive(const std::wstring& archive, int format) {
  BlockFile file(archive);
  if (!file.open()) return std::nullopt;
  if (format == 1) {
    ZipFile zip(file);
    return Take(zip::CheckZipArchive(zip));
  }
  LzhFile lzh(file);
  return Take(lzh::CheckLzhArchive(lzh));
}

// Names as the file system compares them.
std::wstring Folded(std::wstring name) {
  if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
  return name;
}

bool LeftOut(const std::string& source, const std::vector<SkippedSource>& leftOut) {
  return std::any_of(leftOut.begin(), leftOut.end(), [&](const SkippedSource& s) {
    return source == s.path || (source.size() > s.path.size() && source.compare(0, s.path.size(), s.path) == 0 &&
                                source[s.path.size()] == '\\');
  });
}

// The first file of the plan the run added that is not among the archive's
// files.
std::optional<std::string> FirstMissingFile(const Found& found, const plan::RunPlan& plan,
                                            const std::vector<SkippedSource>& leftOut) {
  std::unordered_set<std::wstring> held;
  for (std::size_t i = 0; i < found.names.size(); ++i) {
    if (!found.folders[i]) held.insert(Folded(found.names[i]));
  }
  std::unordered_set<std::size_t> problems;
  for (const plan::SourceProblem& problem : plan.problems) problems.insert(problem.entry);
  for (std::size_t i = 0; i < plan.entries.size(); ++i) {
    const plan::PlanEntry& entry = plan.entries[i];
    if (entry.kind != plan::EntryKind::File || problems.contains(i)) continue;
    const std::wstring place = fileutil::ToWide(plan.targets[entry.target].place);
    const std::wstring name = entry.relative.empty() ? place : fileutil::JoinWide(place, entry.relative);
    if (held.contains(Folded(name))) continue;
    const std::wstring source = plan::SourcePath(plan, entry);
    if (!leftOut.empty() && LeftOut(fileutil::DisplayPath(source), leftOut)) continue;
    // Deleted after the plan and before the library walked its folder: the
    // library never saw it, and the archive is not the worse for it.
    if (GetFileAttributesW(source.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    return fileutil::ToAnsi(name);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> FirstUnlikeEntry(const std::wstring& archive, int format, const plan::RunPlan& plan,
                                            const std::vector<SkippedSource>& leftOut) {
  const std::optional<Found> found = ReadArchive(archive, format);
  if (!found) return std::string();
  if (!found->whole) {
    return found->failedEntry ? fileutil::ToAnsi(found->names[*found->failedEntry]) : std::string();
  }
  return FirstMissingFile(*found, plan, leftOut);
}

}  // namespace zelk::engine
