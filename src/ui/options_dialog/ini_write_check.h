// Whether the INI file can be replaced now, asked before OK changes
// anything, so that settings that cannot be saved cost no backups.
#pragma once

#include <optional>
#include <string>

namespace zelk::ui {

// The system's reason why the INI file at path cannot be written and
// replaced (held open by another program, read-only, a folder that takes no
// new file); nothing when it can. A missing file is fine: saving creates it.
std::optional<std::string> IniWriteRefusal(const std::string& path);

}  // namespace zelk::ui
