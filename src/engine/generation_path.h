// Naming of generations and the rule that decides whether a path listed in
// the history may be deleted. Pure string work, no Windows.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace zelk::engine {

// The generation name for a local time, e.g. "03.07.15.14.05.09"; nothing
// when the text cannot be formed.
std::optional<std::string> FormatGenerationName(const std::tm& localTime, const char* format);

// True when a history line names an entry directly inside the save folder:
// the save folder, one backslash and a non-empty plain name. The save folder
// itself, a path ending in a separator, a drive root, "." or "..", names with
// characters no file name can hold, and folders elsewhere are never deleted.
bool IsGenerationOf(std::string_view line, std::string_view saveFolder);

// True when name is a file or folder name that Windows keeps as written, so
// that a path ending in it names that entry and nothing else: not empty, not
// only dots and blanks, no trailing dot or blank (path resolution drops them
// and would name the folder above), no character a name cannot hold (which
// rules out alternate data streams), not a device name (CON, PRN, AUX, NUL,
// COM1-9, LPT1-9, also with an extension).
bool IsKeptName(std::wstring_view name);

// A generation is written under a staging name in the save folder and takes
// its final name only when it is complete:
//   "~ZelkStaging.<run>.<name>"  being written; removed when found later;
//   "~ZelkReady.<run>.<name>"    complete, the older copy is being removed
//                                (no past backups kept);
//   "~ZelkMoving.<run>.<name>"   complete, the older copy is gone and the new
//                                one is moving up into the save folder.
// <run> tells runs apart (no dots); <name> is the generation's name with its
// archive extension, if any.
enum class StagingState { Writing, Ready, Moving };

struct StagingName {
  StagingState state = StagingState::Writing;
  std::string run;
  std::string generation;
};

std::string FormatStagingName(StagingState state, std::string_view run, std::string_view generation);
// Nothing when name is not a staging name.
std::optional<StagingName> ParseStagingName(std::string_view name);

}  // namespace zelk::engine
