#include "zip32j/zip_command.h"

#include "common/command_line.h"
#include "text/mbcs.h"

namespace zelk::zip {

namespace {

// A name must stay below the base folder: not absolute, no drive, no "..".
bool IsSafeRelativeName(std::string_view name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/') return false;
  if (text::FindFirstChar(name, ':') != std::string_view::npos) return false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= name.size();) {
    const bool end = i == name.size();
    const std::size_t len = end ? 1 : text::CharLength(name, i);
    if (end || (len == 1 && (name[i] == '\\' || name[i] == '/'))) {
      const std::string_view part = name.substr(start, i - start);
      if (part == "..") return false;
      start = i + 1;
    }
    i += len;
  }
  return true;
}

}  // namespace

std::optional<ZipCommand> ParseZipCommand(std::string_view line, std::string* error) {
  std::vector<bool> quoted;
  auto tokens = archivers::TokenizeCommandLine(line, error, &quoted);
  if (!tokens) return std::nullopt;
  ZipCommand cmd;
  // The patterns follow the switches, the archive, the base folder and at
  // least one name.
  std::size_t switchTokens = 0;
  while (switchTokens < tokens->size() && archivers::IsSwitchToken((*tokens)[switchTokens])) ++switchTokens;
  archivers::TakeExclusions(*tokens, quoted, switchTokens + 3, &cmd.exclude);
  const std::string switches = archivers::TakeLeadingSwitches(*tokens);
  for (char c : switches) {
    switch (c) {
      case 'q': cmd.quiet = true; break;
      case 'r': cmd.recurse = true; break;
      case 'S': cmd.includeHiddenSystem = true; break;
      default:
        *error = std::string("Unknown switch -") + c + ".";
        return std::nullopt;
    }
  }
  if (tokens->size() < 3) {
    *error = "Usage: [-qrS] archive base-folder name [name ...]";
    return std::nullopt;
  }
  cmd.archivePath = (*tokens)[0];
  cmd.baseFolder = (*tokens)[1];
  cmd.names.assign(tokens->begin() + 2, tokens->end());
  if (cmd.archivePath.empty()) {
    *error = "No archive path.";
    return std::nullopt;
  }
  if (cmd.baseFolder.empty()) {
    *error = "No base folder.";
    return std::nullopt;
  }
  for (const std::string& name : cmd.names) {
    if (!IsSafeRelativeName(name)) {
      *error = "Invalid name: \"" + name + "\".";
      return std::nullopt;
    }
  }
  return cmd;
}

}  // namespace zelk::zip
