#include "engine/generation_path.h"

#include <array>
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

namespace {

constexpr std::array<std::pair<StagingState, std::string_view>, 3> kStagingPrefixes{{
    {StagingState::Writing, "~ZelkStaging."},
    {StagingState::Ready, "~ZelkReady."},
    {StagingState::Moving, "~ZelkMoving."},
}};

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool IsDeviceName(std::wstring_view name) {
  // The part before the first dot, without trailing blanks, is what counts.
  std::wstring_view base = name.substr(0, name.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
  std::wstring upper;
  for (wchar_t c : base) upper.push_back(AsciiUpper(c));
  if (upper == L"CON" || upper == L"PRN" || upper == L"AUX" || upper == L"NUL" ||
      upper == L"CONIN$" || upper == L"CONOUT$") {
    return true;
  }
  if (upper.size() == 4 && (upper.starts_with(L"COM") || upper.starts_with(L"LPT"))) {
    const wchar_t digit = upper[3];
    // Superscript one to three count as digits here too.
    return (digit >= L'0' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
  }
  return false;
}

}  // namespace

bool IsKeptName(std::wstring_view name) {
  if (name.empty() || name.back() == L'.' || name.back() == L' ') return false;
  if (name.find_first_not_of(L". ") == std::wstring_view::npos) return false;
  for (wchar_t c : name) {
    if (c < 0x20) return false;
    switch (c) {
      case L'\\': case L'/': case L':': case L'*': case L'?': case L'"': case L'<': case L'>': case L'|':
        return false;
      default:
        break;
    }
  }
  return !IsDeviceName(name);
}

std::string FormatStagingName(StagingState state, std::string_view run, std::string_view generation) {
  for (const auto& [s, prefix] : kStagingPrefixes) {
    if (s == state) return std::string(prefix) + std::string(run) + "." + std::string(generation);
  }
  return {};
}

std::optional<StagingName> ParseStagingName(std::string_view name) {
  for (const auto& [state, prefix] : kStagingPrefixes) {
    if (!name.starts_with(prefix)) continue;
    std::string_view rest = name.substr(prefix.size());
    const std::size_t dot = rest.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot + 1 >= rest.size()) return std::nullopt;
    return StagingName{state, std::string(rest.substr(0, dot)), std::string(rest.substr(dot + 1))};
  }
  return std::nullopt;
}

}  // namespace zelk::engine
