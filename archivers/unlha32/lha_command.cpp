#include "lha_command.h"

#include "common/command_line.h"
#include "text/mbcs.h"

namespace zelk::lzh {
namespace {

std::optional<LhaCommand> Refuse(std::string* error, std::string why) {
  *error = std::move(why);
  return std::nullopt;
}

// A name must stay below the base folder: not absolute, no drive, no "..".
bool IsRelativeBelowBase(std::string_view name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/') return false;
  if (text::FindFirstChar(name, ':') != std::string_view::npos) return false;
  std::size_t start = 0;
  for (std::size_t i = 0;; ) {
    const bool end = i >= name.size();
    const std::size_t len = end ? 1 : text::CharLength(name, i);
    if (end || (len == 1 && (name[i] == '\\' || name[i] == '/'))) {
      if (name.substr(start, i - start) == "..") return false;
      if (end) return true;
      start = i + 1;
    }
    i += len;
  }
}

bool ApplySwitches(std::string_view token, LhaCommand& cmd, std::string* error) {
  for (std::size_t i = 1; i < token.size();) {
    const char letter = token[i++];
    int value = 1;
    if (i < token.size() && token[i] >= '0' && token[i] <= '9') value = token[i++] - '0';
    auto bad = [&] {
      *error = std::string("Unsupported switch -") + letter + std::to_string(value) + ".";
      return false;
    };
    switch (letter) {
      case 'a':
        if (value > 2) return bad();
        cmd.includeHiddenSystem = value != 0;
        break;
      case 'd':
        if (value > 1) return bad();
        cmd.folderEntries = value == 1;
        break;
      case 'n':
        if (value > 3) return bad();
        break;
      case 'r':
        if (value > 2) return bad();
        cmd.recurse = value != 0;
        break;
      case 'x':
        if (value > 1) return bad();
        cmd.storePaths = value == 1;
        break;
      default:
        if (static_cast<unsigned char>(letter) < 0x21 || static_cast<unsigned char>(letter) > 0x7E)
          *error = "Unknown switch in " + std::string(token) + ".";
        else
          *error = std::string("Unknown switch -") + letter + ".";
        return false;
    }
  }
  return true;
}

}  // namespace

std::optional<LhaCommand> ParseLhaCommand(std::string_view line, std::string* error) {
  std::vector<bool> quoted;
  auto tokens = archivers::TokenizeCommandLine(line, error, &quoted);
  if (!tokens) return std::nullopt;
  if (tokens->empty()) return Refuse(error, "Empty command line.");
  const std::string& command = (*tokens)[0];
  if (command != "a" && command != "A") return Refuse(error, "Unsupported command \"" + command + "\" (only a).");
  LhaCommand cmd;
  std::size_t next = 1;
  while (next < tokens->size() && archivers::IsSwitchToken((*tokens)[next])) {
    if (!ApplySwitches((*tokens)[next], cmd, error)) return std::nullopt;
    ++next;
  }
  // The patterns follow the archive, the base folder and at least one name.
  archivers::TakeExclusions(*tokens, quoted, next + 3, &cmd.exclude);
  if (tokens->size() < next + 3)
    return Refuse(error, "Usage: a [-switches] archive.lzh base-folder name [name ...]");
  cmd.archivePath = (*tokens)[next];
  cmd.baseFolder = (*tokens)[next + 1];
  cmd.names.assign(tokens->begin() + static_cast<std::ptrdiff_t>(next + 2), tokens->end());
  if (cmd.archivePath.empty()) return Refuse(error, "No archive path.");
  if (cmd.baseFolder.empty()) return Refuse(error, "No base folder.");
  for (const std::string& name : cmd.names)
    if (!IsRelativeBelowBase(name)) return Refuse(error, "Name not below the base folder: \"" + name + "\".");
  return cmd;
}

}  // namespace zelk::lzh
