// The reason shown to the user when an operation ended in an exception
// instead of a result. Windows build only: the texts are the string table's.
#pragma once

#include <string>

namespace zelk::engine {

// Call only inside a catch block: the reason for the exception being handled
// (IDS_OUT_OF_MEMORY for std::bad_alloc, IDS_UNEXPECTED_ERROR for anything
// else). Empty when not even that could be allocated. Never throws.
std::string CurrentExceptionReason() noexcept;

// The out-of-memory reason, loaded once without taking memory from the heap,
// for a box shown when nothing else could be allocated.
const char* OutOfMemoryText() noexcept;

}  // namespace zelk::engine
