#include "fileutil/line_file.h"

#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <utility>

#include "fileutil/directory_ops.h"
#include "fileutil/wide_path.h"
#include "fileutil/win_handles.h"
#include "res/resource.h"
#include "text/string_table.h"

namespace zelk::fileutil {
namespace {

// Suffix of the file that receives the new content before it replaces the
// original. A leftover one from an interrupted write is never read and is
// overwritten by the next change.
constexpr wchar_t kTempSuffix[] = L".zelk-new";

// Largest chunk passed to one ReadFile or WriteFile call.
constexpr DWORD kChunk = 1u << 30;

std::string WithReason(const std::string& failed, DWORD code) {
  return text::Format(IDS_WITH_REASON, failed, ErrorString(code));
}

// The text id says what failed on path; code is the system's reason. Takes
// the code before anything else can change the last error.
std::string Failure(unsigned id, const std::string& path, DWORD code) {
  return WithReason(text::Format(id, path), code);
}

// Splits bytes into lines ending in LF or CRLF; the last line may lack its
// line end.
std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t lf = bytes.find('\n', start);
    std::size_t end = (lf == std::string::npos) ? bytes.size() : lf;
    std::size_t textEnd = (lf != std::string::npos && end > start && bytes[end - 1] == '\r') ? end - 1 : end;
    lines.emplace_back(bytes, start, textEnd - start);
    if (lf == std::string::npos) break;
    start = lf + 1;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::size_t total = 0;
  for (const auto& line : lines) total += line.size() + 2;
  std::string bytes;
  bytes.reserve(total);
  for (const auto& line : lines) {
    bytes.append(line);
    bytes.append("\r\n");
  }
  return bytes;
}

}  // namespace

COutFile::COutFile(std::string path) : path_(std::move(path)) {
  std::wstring wide = ToWide(path_);
  FileHandle file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) {
    DWORD code = GetLastError();
    if (!wide.empty() && (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)) return;
    readFailed_ = true;
    error_ = Failure(IDS_FILE_OPEN_FAILED, path_, code);
    return;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > std::string().max_size()) {
    readFailed_ = true;
    error_ = Failure(IDS_FILE_READ_FAILED, path_, GetLastError());
    return;
  }
  std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kChunk));
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + done, want, &got, nullptr)) {
      readFailed_ = true;
      error_ = Failure(IDS_FILE_READ_FAILED, path_, GetLastError());
      return;
    }
    if (got == 0) break;  // the file shrank meanwhile
    done += got;
  }
  bytes.resize(done);
  lines_ = SplitLines(bytes);
}

std::string COutFile::ReadLineEx(int /*first*/, int n) const {
  if (n < 1 || n > GetLineCount()) return {};
  return lines_[static_cast<std::size_t>(n - 1)];
}

bool COutFile::AddLine(const std::string& text) {
  if (Refused()) return true;
  std::vector<std::string> next = lines_;
  next.push_back(text);
  return Commit(std::move(next));
}

bool COutFile::DeleteLine(int first, int count) {
  if (Refused()) return true;
  if (first < 1 || first > GetLineCount() || count < 1) {
    error_ = text::Format(IDS_FILE_NO_LINE, path_);
    return true;
  }
  std::size_t begin = static_cast<std::size_t>(first - 1);
  std::size_t end = std::min(lines_.size(), begin + static_cast<std::size_t>(count));
  std::vector<std::string> next;
  next.reserve(lines_.size() - (end - begin));
  next.insert(next.end(), lines_.begin(), lines_.begin() + static_cast<std::ptrdiff_t>(begin));
  next.insert(next.end(), lines_.begin() + static_cast<std::ptrdiff_t>(end), lines_.end());
  return Commit(std::move(next));
}

bool COutFile::Clear() {
  if (Refused()) return true;
  return Commit({});
}

bool COutFile::ReplaceAll(std::vector<std::string> lines) {
  if (Refused()) return true;
  return Commit(std::move(lines));
}

bool COutFile::Refused() {
  if (!readFailed_) return false;
  error_ = text::Format(IDS_FILE_UNREAD, path_);
  return true;
}

bool COutFile::Commit(std::vector<std::string> lines) {
  if (Write(lines)) return true;
  lines_ = std::move(lines);
  error_.clear();
  return false;
}

bool COutFile::Write(const std::vector<std::string>& lines) {
  const std::string failed = text::Format(IDS_FILE_WRITE_FAILED_PATH, path_);
  std::wstring target = ToWide(path_);
  if (target.empty()) {
    error_ = failed;
    return true;
  }
  DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    error_ = WithReason(failed, ERROR_ACCESS_DENIED);
    return true;
  }

  std::wstring temp = target + kTempSuffix;
  // A leftover from an interrupted write may carry attributes that would
  // block CREATE_ALWAYS.
  SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  const std::string bytes = JoinLines(lines);
  {
    FileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
      error_ = WithReason(failed, GetLastError());
      return true;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
      DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kChunk));
      DWORD put = 0;
      if (!WriteFile(file.get(), bytes.data() + done, want, &put, nullptr) || put == 0) {
        DWORD code = GetLastError();
        file.Close();
        DeleteFileW(temp.c_str());
        error_ = WithReason(failed, code);
        return true;
      }
      done += put;
    }
    if (!FlushFileBuffers(file.get()) || !file.Close()) {
      DWORD code = GetLastError();
      file.Close();
      DeleteFileW(temp.c_str());
      error_ = WithReason(failed, code);
      return true;
    }
  }
  if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD code = GetLastError();
    DeleteFileW(temp.c_str());
    error_ = WithReason(failed, code);
    return true;
  }
  return false;
}

}  // namespace zelk::fileutil
