#include "fileutil/path_names.h"

#include <cstddef>

#include "text/mbcs.h"

namespace zelk::fileutil {
namespace {

// Bytes of the character at i: ANSI names are read double-byte aware; in
// UTF-8 every byte of a multi-byte character is 0x80 or above, so stepping
// byte by byte never meets a false separator or dot.
std::size_t CharLength(std::string_view p, std::size_t i, NameBytes bytes = NameBytes::kAnsi) {
  return bytes == NameBytes::kAnsi ? text::CharLength(p, i) : 1;
}

bool IsSep(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool HasDrive(std::string_view p) { return p.size() >= 2 && IsAsciiLetter(p[0]) && p[1] == ':'; }

bool IsUnc(std::string_view p) { return p.size() >= 2 && IsSep(p[0]) && IsSep(p[1]); }

// Length of the root that no split may cut: "C:\" (3), "C:" (2), "\" (1),
// "\\server\share" (up to the separator after the share, which is excluded),
// or 0 for a relative path.
std::size_t RootLength(std::string_view p, NameBytes bytes = NameBytes::kAnsi) {
  if (HasDrive(p)) return (p.size() >= 3 && IsSep(p[2])) ? 3 : 2;
  if (IsUnc(p)) {
    // Skip the server and the share names.
    std::size_t i = 2;
    int parts = 0;
    while (i < p.size() && parts < 2) {
      if (IsSep(p[i])) {
        ++parts;
        if (parts == 2) break;
      }
      i += CharLength(p, i, bytes);
    }
    return i;
  }
  if (!p.empty() && IsSep(p[0])) return 1;
  return 0;
}

// Position of the last separator ('\\' or '/') in p, or npos. Trail bytes of
// double-byte characters are skipped.
std::size_t LastSep(std::string_view p, NameBytes bytes = NameBytes::kAnsi) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < p.size(); i += CharLength(p, i, bytes)) {
    if (IsSep(p[i])) found = i;
  }
  return found;
}

// p without trailing separators, unless they are part of the root.
std::string_view StripTrailingSeps(std::string_view p, NameBytes bytes = NameBytes::kAnsi) {
  std::size_t root = RootLength(p, bytes);
  while (p.size() > root) {
    std::size_t last = 0;
    for (std::size_t i = 0; i < p.size(); i += CharLength(p, i, bytes)) last = i;
    if (last != p.size() - 1 || !IsSep(p[last])) break;
    p.remove_suffix(1);
  }
  return p;
}

// '/' as '\\' and runs of separators as one, except the leading pair of a
// UNC path.
std::string CollapseSeparators(std::string_view path) {
  std::string out;
  out.reserve(path.size() + 1);
  bool afterSep = false;
  for (std::size_t i = 0; i < path.size();) {
    std::size_t len = CharLength(path, i);
    if (len == 1 && IsSep(path[i])) {
      if (!afterSep || i == 1) out.push_back('\\');
      afterSep = true;
    } else {
      out.append(path.substr(i, len));
      afterSep = false;
    }
    i += len;
  }
  return out;
}

// A comparable form: '/' as '\\', separator runs collapsed (except a leading
// UNC pair), no trailing separator except in "C:\", ASCII letters folded.
std::string Comparable(std::string_view path) {
  std::string out = CollapseSeparators(path);
  for (std::size_t i = 0; i < out.size(); i += CharLength(out, i)) {
    if (CharLength(out, i) == 1) out[i] = FoldAscii(out[i]);
  }
  return std::string(StripTrailingSeps(out));
}

}  // namespace

std::string PathToFileName(std::string_view path) {
  std::string_view p = StripTrailingSeps(path);
  std::size_t root = RootLength(p);
  if (p.size() <= root) return {};
  std::size_t sep = LastSep(p);
  std::size_t start = (sep == std::string_view::npos) ? 0 : sep + 1;
  if (start < root) start = root;
  return std::string(p.substr(start));
}

std::string PathToDirectoryPath(std::string_view path) {
  std::string_view p = StripTrailingSeps(path);
  std::size_t root = RootLength(p);
  if (p.size() <= root) return {};
  std::size_t sep = LastSep(p);
  // The last component follows the root directly: "C:\x" -> "C:\",
  // "C:x" -> "C:", "\x" -> "\", "x" -> "".
  if (sep == std::string_view::npos || sep < root) return std::string(p.substr(0, root));
  return std::string(StripTrailingSeps(p.substr(0, sep)));
}

std::string PathToDir(std::string_view path) {
  // Trim blanks and quotes at both ends.
  auto isTrim = [](char c) { return c == ' ' || c == '\t' || c == '"'; };
  while (!path.empty() && isTrim(path.front())) path.remove_prefix(1);
  while (!path.empty() && isTrim(path.back())) path.remove_suffix(1);

  std::string out = CollapseSeparators(path);
  if (out.size() == 2 && HasDrive(out)) out.push_back('\\');
  return std::string(StripTrailingSeps(out));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  while (!name.empty() && IsSep(name.front())) name.remove_prefix(1);
  if (folder.empty()) return std::string(name);
  std::string out(folder);
  if (!text::EndsWithChar(folder, '\\') && !text::EndsWithChar(folder, '/')) out.push_back('\\');
  out.append(name);
  return out;
}

std::string NumberedVariant(std::string_view path, int n, bool isFolder, NameBytes bytes) {
  std::string_view p = StripTrailingSeps(path, bytes);
  std::string number(1, '(');
  number.append(std::to_string(n));
  number.push_back(')');
  std::size_t sep = LastSep(p, bytes);
  std::size_t nameStart = (sep == std::string_view::npos) ? 0 : sep + 1;
  std::size_t root = RootLength(p, bytes);
  if (nameStart < root) nameStart = root;
  std::string_view name = p.substr(nameStart);
  std::size_t dot = isFolder                    ? std::string_view::npos
                    : bytes == NameBytes::kAnsi ? text::FindLastChar(name, '.')
                                                : name.rfind('.');
  // A leading dot (".profile") starts the name, not an extension.
  if (dot == 0) dot = std::string_view::npos;
  std::string out(p.substr(0, nameStart));
  if (dot == std::string_view::npos) {
    out.append(name);
    out.append(number);
  } else {
    out.append(name.substr(0, dot));
    out.append(number);
    out.append(name.substr(dot));
  }
  return out;
}

bool IsInside(std::string_view child, std::string_view parent) {
  std::string c = Comparable(child);
  std::string p = Comparable(parent);
  if (p.empty() || c.size() <= p.size()) return false;
  if (c.compare(0, p.size(), p) != 0) return false;
  // The prefix must end at a character boundary of the child.
  std::size_t i = 0;
  while (i < p.size()) i += CharLength(c, i);
  if (i != p.size()) return false;
  return text::EndsWithChar(p, '\\') || c[p.size()] == '\\';
}

bool SamePath(std::string_view a, std::string_view b) { return Comparable(a) == Comparable(b); }

bool IsDriveRoot(std::string_view path) {
  if (HasDrive(path)) return path.size() == 2 || (path.size() == 3 && IsSep(path[2]));
  if (!IsUnc(path)) return false;
  std::size_t root = RootLength(path);
  // Server and share must both be named.
  std::string_view inner = path.substr(2, root - 2);
  std::size_t sep = text::FindFirstChar(inner, '\\');
  if (sep == std::string_view::npos) sep = text::FindFirstChar(inner, '/');
  if (sep == std::string_view::npos || sep == 0 || sep + 1 >= inner.size()) return false;
  std::string_view rest = path.substr(root);
  return rest.empty() || (rest.size() == 1 && IsSep(rest[0]));
}

}  // namespace zelk::fileutil
