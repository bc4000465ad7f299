#include "common/stdio_file.h"

#include <cerrno>
#include <cstring>
#include <limits>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/types.h>
#include <unistd.h>
#endif

namespace zelk::archivers {

namespace {
const char* ModeText(StdioFile::Mode mode) {
  switch (mode) {
    case StdioFile::Mode::kRead: return "rb";
    case StdioFile::Mode::kReadWrite: return "r+b";
    case StdioFile::Mode::kCreate: return "w+b";
  }
  return "rb";
}
}  // namespace

StdioFile::StdioFile(const std::string& path, Mode mode)
    : file_(std::fopen(path.c_str(), ModeText(mode))) {
  if (!file_) error_ = "Cannot open " + path + ": " + std::strerror(errno);
}

bool StdioFile::SeekTo(std::uint64_t offset) {
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    error_ = "Seek past the largest offset.";
    return false;
  }
#ifdef _WIN32
  const int rc = _fseeki64(file_.get(), static_cast<__int64>(offset), SEEK_SET);
#else
  const int rc = fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET);
#endif
  if (rc != 0) error_ = std::string("Seek failed: ") + std::strerror(errno);
  return rc == 0;
}

bool StdioFile::ReadAt(std::uint64_t offset, void* data, std::size_t n, std::size_t* got) {
  *got = 0;
  if (!file_ || !SeekTo(offset)) return false;
  *got = std::fread(data, 1, n, file_.get());
  if (*got < n && std::ferror(file_.get())) {
    error_ = "Read failed.";
    return false;
  }
  return true;
}

bool StdioFile::WriteAt(std::uint64_t offset, const void* data, std::size_t n) {
  if (!file_ || !SeekTo(offset)) return false;
  if (std::fwrite(data, 1, n, file_.get()) != n) {
    error_ = std::string("Write failed: ") + std::strerror(errno);
    return false;
  }
  return true;
}

bool StdioFile::Size(std::uint64_t* size) {
  if (!file_) return false;
#ifdef _WIN32
  if (_fseeki64(file_.get(), 0, SEEK_END) != 0) return false;
  const __int64 end = _ftelli64(file_.get());
#else
  if (fseeko(file_.get(), 0, SEEK_END) != 0) return false;
  const off_t end = ftello(file_.get());
#endif
  if (end < 0) {
    error_ = "Cannot tell the file size.";
    return false;
  }
  *size = static_cast<std::uint64_t>(end);
  return true;
}

bool StdioFile::Truncate(std::uint64_t size) {
  if (!file_ || std::fflush(file_.get()) != 0) return false;
#ifdef _WIN32
  const bool ok = _chsize_s(_fileno(file_.get()), static_cast<__int64>(size)) == 0;
#else
  const bool ok = ftruncate(fileno(file_.get()), static_cast<off_t>(size)) == 0;
#endif
  if (!ok) error_ = std::string("Truncate failed: ") + std::strerror(errno);
  return ok;
}

}  // namespace zelk::archivers
