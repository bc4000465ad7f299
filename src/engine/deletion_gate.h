// The one gate every deletion of backups passes: pruning a generation,
// emptying the save folder (no past backups kept, the clear-backups command,
// the options' conversions and folder change) and removing a run's leftover
// staging entries.
//
// The gate judges resolved paths (long names, links, junctions, subst and
// mapped drives followed; see fileutil/resolved_path.h), never the text of a
// history line or of the INI file. It deletes an entry only when the entry
// lies directly inside the save folder under a name that Windows keeps as
// written, and nothing at all when the save folder is a drive root, holds the
// program or the current folder (with the list files), or is or holds a
// listed backup target, paused ones too.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "targets/target_entry.h"

namespace zelk::engine {

class CDeletionGate {
 public:
  enum class Outcome { Deleted, Missing, Refused, Failed };

  // saveFolder as the settings hold it; every row's target is protected.
  CDeletionGate(const std::string& saveFolder, const std::vector<targets::TargetEntry>& rows);

  // Why nothing may be deleted in this save folder, or nothing.
  const std::optional<std::string>& Refusal() const { return refusal_; }

  // Deletes the file or folder tree that entry names (a link as itself).
  // Refused: the entry is not directly inside the save folder, its name is
  // not kept as written, or the save folder is refused; Missing: nothing is
  // there. Failed: errorText holds the entry and the system's reason
  // ("C:\save\x\busy.txt（...）").
  Outcome Delete(std::string_view entry, std::string& errorText);
  Outcome Delete(std::wstring_view entry, std::string& errorText);

  // Deletes everything inside the save folder but the entries named in keep.
  // A save folder that does not exist is empty already. An entry that cannot
  // be deleted does not stop the rest. True on failure with the reason in
  // errorText (the refusal, which deletes nothing, or the first entry that
  // could not be deleted and why, IDS_DELETE_FAILED).
  bool Empty(std::string& errorText, const std::vector<std::wstring>& keep = {});

  // Removes the save folder itself once it is empty (after a change of save
  // folder); a folder that still holds anything stays.
  void RemoveEmptySaveFolder();

  // The save folder resolved; empty when it does not exist.
  const std::wstring& ResolvedSaveFolder() const { return save_; }

 private:
  std::string saveFolder_;
  std::wstring save_;
  std::optional<std::string> refusal_;
};

// The first active target that is the save folder or lies inside it, as the
// refusal text that names it; nothing when there is none. Keep-none runs
// would empty such a target and pruning could delete it.
std::optional<std::string> TargetInSaveFolder(const std::string& saveFolder,
                                              const std::vector<targets::TargetEntry>& rows);

// Why a folder cannot be a save folder at all: an empty path, a drive root,
// or a folder that holds the program or the current folder. Nothing when it
// may be one. Targets are not looked at.
std::optional<std::string> RefuseToEmpty(const std::string& saveFolder);

}  // namespace zelk::engine
