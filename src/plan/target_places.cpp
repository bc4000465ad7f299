#include "plan/target_places.h"

#include <climits>
#include <unordered_map>

#include "fileutil/path_names.h"
#include "text/mbcs.h"

namespace zelk::plan {
namespace {

std::string OwnName(const std::string& path) {
  std::string name = fileutil::PathToFileName(path);
  if (name.empty() && !path.empty()) name = path.substr(0, 1);
  return name;
}

// The name as Windows compares it: ASCII letters of single-byte characters
// folded (a trail byte may look like a letter and stays).
std::string Key(std::string name) {
  for (std::size_t i = 0; i < name.size(); i += text::CharLength(name, i)) {
    if (name[i] >= 'A' && name[i] <= 'Z' && text::CharLength(name, i) == 1) name[i] = static_cast<char>(name[i] + 32);
  }
  return name;
}

}  // namespace

void AssignPlaces(std::vector<PlanTarget>& targets) {
  // Each name taken, with whether a folder holds it.
  std::unordered_map<std::string, bool> taken;
  for (PlanTarget& target : targets) {
    const std::string name = OwnName(target.path);
    const auto holder = taken.find(Key(name));
    target.place = name;
    if (holder != taken.end()) {
      // The variant follows the kind of what holds the name.
      const bool folderName = holder->second;
      for (int n = 2; n < INT_MAX; ++n) {
        std::string candidate = fileutil::NumberedVariant(name, n, folderName);
        if (!taken.contains(Key(candidate))) {
          target.place = std::move(candidate);
          break;
        }
      }
    }
    taken.emplace(Key(target.place), target.folder);
  }
}

}  // namespace zelk::plan
