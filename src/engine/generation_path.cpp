#include "engine/generation_path.h"

#include <vector>

#include "fileutil/path_names.h"
#include "text/mbcs.h"

namespace zelk::engine {

std::optional<std::string> FormatGenerationName(const std::tm& localTime, const char* format) {
  char name[128];
  std::size_t n = std::strftime(name, sizeof name, format, &localTime);
  if (n == 0) return std::nullopt;
  return std::string(name, n);
}

bool IsGenerationOf(std::string_view line, std::string_view saveFolder) {
  if (saveFolder.empty() || line.empty()) return false;
  if (text::EndsWithChar(line, '\\') || text::EndsWithChar(line, '/')) return false;
  std::size_t slash = text::FindLastChar(line, '\\');
  if (slash == std::string_view::npos) return false;
  std::string_view name = line.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return false;
  for (std::size_t i = 0; i < name.size(); i += text::CharLength(name, i)) {
    char c = name[i];
    if (static_cast<unsigned char>(c) < 0x20) return false;
    switch (c) {
      case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return false;
      default:
        break;
    }
  }
  std::string_view parent = line.substr(0, slash);
  if (parent.empty()) return false;
  return fileutil::SamePath(fileutil::PathToDir(parent), fileutil::PathToDir(saveFolder));
}

}  // namespace zelk::engine
