// Faults the test build of the program injects into its runs.
//
// A link-time seam: Zelk.exe takes the library's definitions, which never
// have one (no_run_fault.cpp); only the test build of the program,
// ZelkTest.exe, links its own that the end-to-end tests can set (both
// functions, so that the library's file is never taken with them).
#pragma once

#include <functional>
#include <string>

namespace zelk::ui {

// The fault the first backup run's row snapshot throws, as running out of
// memory in the middle of a run would: "bad_alloc" for std::bad_alloc, any
// other text for a std::runtime_error with it, nothing for none.
std::string InjectedRunFault();

// What every run does to its complete staging entry before it is read back
// (a damage, as a failing disk would do); empty for nothing.
std::function<void(const std::wstring&)> InjectedWriteDamage();

}  // namespace zelk::ui
