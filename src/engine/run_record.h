// The record a run keeps in the save folder for as long as it has staging
// entries there: a small file "~ZelkRun.<run>" whose content names the run
// again. It is written before the first staging entry is made and removed
// once none of the run's entries is left. Recovery acts only on staging
// entries whose run has such a record, so a file or folder that merely
// carries a staging name (a target of that name copied into a keep-none save
// folder, a user's own folder) is never taken for one.
#pragma once

#include <string>
#include <string_view>

namespace zelk::engine {

// "~ZelkRun.<run>"
std::wstring RunRecordName(std::string_view run);

// Writes the record of run in the resolved save folder. The system's error
// code, 0 on success.
unsigned long WriteRunRecord(const std::wstring& saveFolder, std::string_view run);

// True when the save folder holds the record of run, with its content.
bool HasRunRecord(const std::wstring& saveFolder, std::string_view run);

}  // namespace zelk::engine
