// A child control bound to a member object of its dialog. The dialog passes
// the control's own WM_COMMAND and WM_NOTIFY messages to it first (message
// reflection), so each control handles its own notifications.
#pragma once

#include <windows.h>

namespace zelk::ui {

class CControl {
 public:
  CControl() = default;
  virtual ~CControl() = default;
  CControl(const CControl&) = delete;
  CControl& operator=(const CControl&) = delete;

  HWND hwnd() const { return hwnd_; }
  int id() const { return hwnd_ != nullptr ? GetDlgCtrlID(hwnd_) : 0; }

  // Called once the dialog has bound the control to its window.
  virtual void OnAttach() {}
  // Notifications the control sends to its parent. Return true when handled;
  // result is what the dialog procedure answers.
  virtual bool OnReflectedNotify(NMHDR& /*header*/, LRESULT& /*result*/) { return false; }

 private:
  friend class CDialog;
  void Attach(HWND hwnd) {
    hwnd_ = hwnd;
    OnAttach();
  }
  HWND hwnd_ = nullptr;
};

}  // namespace zelk::ui
