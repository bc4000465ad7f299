// The fault the first backup run's row snapshot throws, as running out of
// memory in the middle of a run would: "bad_alloc" for std::bad_alloc, any
// other text for a std::runtime_error with it, nothing for none.
//
// A link-time seam: Zelk.exe takes the library's definition, which never
// has one (no_run_fault.cpp); only the test build of the program,
// ZelkTest.exe, links one of its own that the end-to-end tests can set.
#pragma once

#include <string>

namespace zelk::ui {

std::string InjectedRunFault();

}  // namespace zelk::ui
