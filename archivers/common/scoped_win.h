// Owners for the Windows handles the archivers open: each closes its handle
// with the function that belongs to it, on every way out.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace zelk::archivers {

struct FileHandleCloser {
  void operator()(HANDLE h) const {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
  }
};

struct FindHandleCloser {
  void operator()(HANDLE h) const {
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
  }
};

// A handle from CreateFileW (check get() against INVALID_HANDLE_VALUE).
using ScopedFileHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, FileHandleCloser>;
// A handle from FindFirstFileW.
using ScopedFindHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, FindHandleCloser>;

}  // namespace zelk::archivers
