#include "ui/framework/message_box.h"

#include <mutex>

#include "engine/exception_reason.h"
#include "fileutil/path_names.h"
#include "settings/profile.h"

namespace zelk::ui {
namespace {

std::mutex& HandlerLock() {
  static std::mutex lock;
  return lock;
}

MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}

}  // namespace

int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
  MessageBoxHandler handler;
  {
    std::lock_guard<std::mutex> guard(HandlerLock());
    handler = Handler();
  }
  if (handler) return handler(owner, text, caption, flags);
  return MessageBoxA(owner, text.c_str(), caption.c_str(), flags);
}

int ShowMessageBox(HWND owner, const std::string& text, UINT flags) {
  return ShowMessageBox(owner, text, ApplicationName(), flags);
}

void ReportCurrentException(HWND owner) noexcept {
  try {
    ShowMessageBox(owner, engine::CurrentExceptionReason(), "Error", MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBoxA(owner, engine::OutOfMemoryText(), "Error", MB_OK | MB_ICONERROR);
  }
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard<std::mutex> guard(HandlerLock());
  Handler() = std::move(handler);
}

std::string ApplicationName() {
  std::string name = fileutil::PathToFileName(settings::ModuleFilePath());
  std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

}  // namespace zelk::ui
