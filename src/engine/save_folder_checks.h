// The checks a save folder typed in the options passes before anything is
// asked or discarded, and whether it names the folder already in use.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "targets/target_entry.h"

namespace zelk::engine {

// One refusal as its box shows it: text, caption and MB_ flags.
struct FolderRefusal {
  std::string text;
  std::string caption;
  unsigned flags = 0;
};

// Why folder (normalised, with its root backslash) cannot be the save
// folder, in this order: a path that depends on the current drive, a place
// that cannot be reached, a drive root or a folder holding the program or the
// list files, a file, a folder whose parent is missing, a folder that is or
// holds an active target, and anything else the deletion gate would refuse
// to empty. Nothing when it may be one. applicationName captions the boxes
// that have no caption of their own.
std::optional<FolderRefusal> CheckNewSaveFolder(const std::string& folder,
                                                const std::vector<targets::TargetEntry>& rows,
                                                const std::string& applicationName);

// True when both texts name the same folder once resolved (letter case, 8.3
// names, links, mapped drives); texts that cannot be resolved are compared
// as paths.
bool SameSaveFolder(const std::string& a, const std::string& b);

// Creates folder and any missing folders above it. True on success or when
// it exists already.
bool CreateFolderChain(const std::string& folder);

}  // namespace zelk::engine
