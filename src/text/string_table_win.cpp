#include <windows.h>

#include <string>
#include <vector>

#include "text/string_table.h"

namespace zelk::text {
namespace {

// The system's text for code, without its line end.
std::string SystemText(DWORD code) {
  char* buffer = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = n > 0 && buffer != nullptr ? std::string(buffer, n) : std::string();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text.empty() ? std::to_string(code) : text;
}

// What stands for a text the table does not give: its id with the system's
// reason, then the arguments, so that a failure never reads as nothing.
std::string Unloaded(unsigned id, DWORD code, const std::vector<std::string>& args) {
  const std::string reason = SystemText(code == 0 ? ERROR_RESOURCE_NAME_NOT_FOUND : code);
  std::string text = "#" + std::to_string(id) + "（" + reason + "）";
  for (const std::string& arg : args) text += " " + arg;
  return text;
}

}  // namespace

std::string LoadText(unsigned id) {
  std::vector<char> buffer(256);
  for (;;) {
    const int n = LoadStringA(GetModuleHandleA(nullptr), id, buffer.data(), static_cast<int>(buffer.size()));
    if (n <= 0) return {};
    if (static_cast<std::size_t>(n) + 1 < buffer.size() || buffer.size() >= 65536) {
      return std::string(buffer.data(), static_cast<std::size_t>(n));
    }
    buffer.resize(buffer.size() * 4);
  }
}

std::string ToText(const Message& message) {
  if (message.id == 0) return message.text;
  std::vector<std::string> args;
  args.reserve(message.args.size());
  for (const Message& arg : message.args) args.push_back(ToText(arg));
  SetLastError(0);
  const std::string pattern = LoadText(message.id);
  if (pattern.empty()) return Unloaded(message.id, GetLastError(), args);
  return Substitute(pattern, args);
}

}  // namespace zelk::text
