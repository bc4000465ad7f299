// The program injects no fault into its runs (see run_fault.h). Kept in a
// file of its own, this definition is taken from the library only where no
// other is linked: the test build of the program links its own before it.
#include "ui/main_window/run_fault.h"

namespace zelk::ui {

std::string InjectedRunFault() { return {}; }

std::function<void(const std::wstring&)> InjectedWriteDamage() { return {}; }

}  // namespace zelk::ui
