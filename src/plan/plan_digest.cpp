#include "plan/plan_digest.h"

namespace zelk::plan {

void TreeDigest::Number(std::uint64_t value) {
  std::uint8_t bytes[8];
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
  sha_.Update(bytes, sizeof bytes);
}

void TreeDigest::AddText(std::string_view text) {
  Number(text.size());
  sha_.Update(text);
}

void TreeDigest::Add(std::wstring_view relative, EntryKind kind, std::uint32_t attributes, std::uint64_t size,
                     std::uint64_t written) {
  Number(relative.size());
  for (wchar_t c : relative) Number(static_cast<std::uint64_t>(c));
  Number(static_cast<std::uint64_t>(kind));
  Number(attributes & kComparedAttributes);
  Number(kind == EntryKind::File ? size : 0);
  Number(written);
}

std::string SourceDigest(const RunPlan& plan) {
  TreeDigest digest;
  for (const PlanTarget& target : plan.targets) {
    digest.AddText(target.path);
    digest.AddText(target.place);
  }
  for (const PlanEntry& entry : plan.entries) {
    digest.Number(entry.target);
    digest.Add(entry.relative, entry.kind, entry.attributes, entry.size, entry.written);
  }
  digest.Number(plan.problems.size());
  return digest.Hex();
}

}  // namespace zelk::plan
