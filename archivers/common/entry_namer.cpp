#include "common/entry_namer.h"

#include "common/win_strings.h"

namespace zelk::archivers {

namespace {

std::string WithSlashes(std::string s) {
  for (char& c : s) {
    if (c == '\\') c = '/';
  }
  return s;
}

std::wstring WithBackslashes(std::wstring s) {
  for (wchar_t& c : s) {
    if (c == L'/') c = L'\\';
  }
  return s;
}

}  // namespace

void EntryNamer::AddExisting(std::string_view utf8, std::string_view ansi) {
  exactNames_.Add(utf8);
  if (uniqueAnsi_) ansiNames_.Add(ansi);
}

bool EntryNamer::Name(const TreeEntry& e, EntryName* out, std::string* error) {
  if (e.isTop) {
    FinishTarget();
    topWide_ = e.relativeWide;
    const std::optional<std::string> top = WideToUtf8Exact(topWide_);
    if (!top) {
      *error = "the name is not valid Unicode and cannot be stored.";
      return false;
    }
    variantWide_ = WithBackslashes(Utf8ToWide(FreeVariantName(WithSlashes(*top), e.isFolder, exactNames_)));
    out->exact = variantWide_;
  } else {
    out->exact = variantWide_ + e.relativeWide.substr(topWide_.size());
  }
  std::optional<std::string> utf8 = WideToUtf8Exact(out->exact);
  if (!utf8) {
    *error = "the name is not valid Unicode and cannot be stored.";
    return false;
  }
  out->utf8 = WithSlashes(std::move(*utf8));
  out->ansi = WideToAnsiExact(out->exact);
  pending_.push_back(out->utf8);
  if (!uniqueAnsi_) return true;

  // The ANSI name follows the ANSI name its folder got.
  const std::size_t cut = out->exact.find_last_of(L'\\');
  std::string candidate;
  if (e.isTop || cut == std::wstring::npos) {
    candidate = out->ansi ? *out->ansi : AnsiStandIn(out->exact);
  } else {
    const std::wstring_view component = std::wstring_view(out->exact).substr(cut + 1);
    const std::wstring parent = e.relativeWide.substr(0, e.relativeWide.size() - component.size() - 1);
    const auto found = folderAnsi_.find(parent);
    candidate = found != folderAnsi_.end() ? found->second : WideToAnsi(parent);
    candidate += '\\';
    const std::optional<std::string> part = WideToAnsiExact(component);
    candidate += part ? *part : AnsiStandIn(component);
  }
  out->uniqueAnsi = ansiNames_.IsTaken(candidate) ? FreeVariantName(candidate, e.isFolder, ansiNames_) : candidate;
  ansiNames_.Add(out->uniqueAnsi);
  if (e.isFolder) folderAnsi_[e.relativeWide] = out->uniqueAnsi;
  return true;
}

void EntryNamer::FinishTarget() {
  for (const std::string& name : pending_) exactNames_.Add(name);
  pending_.clear();
  folderAnsi_.clear();
}

}  // namespace zelk::archivers
