// Every message box of the program goes through ShowMessageBox, so that tests
// can script the answers: they install a handler that records the text,
// caption and flags and returns the answer of their choice.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace zelk::ui {

using MessageBoxHandler =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT flags)>;

// Shows a message box (MessageBoxA unless a handler is installed) and returns
// the button pressed (IDOK, IDYES, ...). Safe to call from any thread.
int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags);

// A box captioned with the application name.
int ShowMessageBox(HWND owner, const std::string& text, UINT flags);

// Inside a catch block: shows the reason of the exception being handled
// ("メモリが不足しています", or a general text) in an error box captioned
// "Error". For the window procedures, which no exception may leave.
void ReportCurrentException(HWND owner) noexcept;

// Installs a handler for every later box; an empty handler restores the real
// message boxes.
void SetMessageBoxHandler(MessageBoxHandler handler);

// The executable's file name without folder and extension ("Zelk"): the
// caption of every box that has none of its own.
std::string ApplicationName();

}  // namespace zelk::ui
