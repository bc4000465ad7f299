#include "fileutil/error_text.h"

#include <windows.h>

#include <string>

#include "fileutil/directory_ops.h"
#include "res/resource.h"
#include "text/mbcs.h"
#include "text/string_table.h"

namespace zelk::fileutil {
namespace {

// Frees a buffer that FormatMessageA allocated.
class LocalBuffer {
 public:
  LocalBuffer() = default;
  ~LocalBuffer() {
    if (p_ != nullptr) LocalFree(p_);
  }
  LocalBuffer(const LocalBuffer&) = delete;
  LocalBuffer& operator=(const LocalBuffer&) = delete;
  char** out() { return &p_; }
  const char* get() const { return p_; }

 private:
  char* p_ = nullptr;
};

// Drops line ends, blanks and a final period ("." or "。") from the end.
std::string TrimMessage(std::string s) {
  static const std::string kIdeographicStop = "。";
  for (;;) {
    if (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '.')) {
      // A single byte at the end is a character of its own unless it is the
      // trail byte of a double-byte character.
      if (text::EndsWithChar(s, s.back())) {
        s.pop_back();
        continue;
      }
    }
    if (s.size() >= kIdeographicStop.size() &&
        s.compare(s.size() - kIdeographicStop.size(), kIdeographicStop.size(), kIdeographicStop) == 0 &&
        text::TruncateChars(s, s.size() - kIdeographicStop.size()).size() ==
            s.size() - kIdeographicStop.size()) {
      s.resize(s.size() - kIdeographicStop.size());
      continue;
    }
    return s;
  }
}

}  // namespace

std::string ErrorString(unsigned long code) {
  LocalBuffer buffer;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(buffer.out()), 0, nullptr);
  std::string message = (n > 0 && buffer.get() != nullptr) ? TrimMessage(std::string(buffer.get(), n)) : "";
  if (message.empty()) message = text::Format(IDS_SYSTEM_ERROR, std::to_string(code));
  return message;
}

std::string GetLastErrorString() { return ErrorString(GetLastError()); }

std::string FailureText(std::string_view path, std::string_view what, unsigned long code,
                        std::size_t maxBytes) {
  // The reason alone: the parenthesised part of IDS_WITH_REASON.
  std::string reason = code != 0 ? text::Format(IDS_WITH_REASON, "", ErrorString(code)) : "";
  constexpr std::size_t kMinPath = 40;
  if (path.size() + what.size() + reason.size() > maxBytes &&
      what.size() + reason.size() + kMinPath > maxBytes) {
    reason.clear();
  }
  std::string shownPath(path);
  std::size_t rest = what.size() + reason.size();
  if (shownPath.size() + rest > maxBytes && rest + 3 < maxBytes) {
    std::size_t keep = maxBytes - rest - 3;
    // First character boundary from which at most keep bytes remain.
    std::size_t i = 0;
    while (i < path.size() && path.size() - i > keep) i += text::CharLength(path, i);
    shownPath = "..." + std::string(path.substr(i));
  }
  std::string out = shownPath;
  out.append(what);
  out.append(reason);
  return std::string(text::TruncateChars(out, maxBytes));
}

}  // namespace zelk::fileutil
