// CDialog: a modal dialog built from a template. A static dialog procedure
// stores the object at WM_INITDIALOG and forwards every message to it.
// Commands are routed through a table (OnCommandId), controls are bound to
// member objects (Bind), and a modal loop of its own lets a dialog see
// keyboard messages before the dialog manager does (PreTranslateMessage).
//
// The modal loops of a thread nest: each DoModal runs inside a handler of
// the dialog below it. The layer keeps them on a per-thread stack, so that a
// program that must end can close every one of them (EndAllModal) and the
// tray can tell which dialog stands in front of a disabled owner
// (FindModalPopup). No exception leaves the dialog procedure: one that
// reaches it is reported in a message box with its reason.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <vector>

#include "ui/framework/control.h"

namespace zelk::ui {

class CDialog {
 public:
  CDialog(int templateId, HWND parent);
  virtual ~CDialog();
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Creates the dialog, disables the parent and runs the modal loop until
  // EndDialog; answers the value given to EndDialog (-1 when the dialog
  // could not be created).
  INT_PTR DoModal();
  void EndDialog(INT_PTR result);

  // Ends every modal loop of the calling thread: each dialog of this layer
  // that has not ended yet ends with IDCANCEL, and the message boxes, system
  // dialogs and menus the thread shows are closed as by their cancel. The
  // loops return one after another as the calls that run them unwind. Until
  // the outermost loop has returned, DoModal on this thread creates nothing
  // and answers IDCANCEL at once.
  static void EndAllModal();
  // While `owner` is disabled by a modal dialog or message box that it owns
  // (directly or through another popup): the enabled popup in front, which
  // takes the user's input. Null while `owner` is enabled.
  static HWND FindModalPopup(HWND owner);

  HWND hwnd() const { return hwnd_; }
  HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

 protected:
  // Binds a control object to the template's control id (call from the
  // constructor; attached when the dialog initialises).
  void Bind(CControl& control, int id);
  // Routes a command id (button, menu, accelerator) to a handler.
  void OnCommandId(WORD id, std::function<void()> handler);

  // Return TRUE to let the system set the focus.
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // Called with every message of the modal loop before the dialog manager;
  // true swallows the message.
  virtual bool PreTranslateMessage(MSG& /*msg*/) { return false; }
  // Every message not handled by the routing above. Set handled to answer
  // with the returned value.
  virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  // Called before the window is destroyed.
  virtual void OnDestroy() {}
  // The value a handled message answers where the dialog manager expects it
  // in DWLP_MSGRESULT (WM_NOTIFY, WM_QUERYENDSESSION, ...).
  void SetMessageResult(LRESULT result) { SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
  CControl* FindControl(HWND child) const;

  int templateId_;
  HWND parent_;
  HWND hwnd_ = nullptr;
  bool ended_ = false;
  INT_PTR result_ = -1;
  std::vector<std::pair<CControl*, int>> bindings_;
  std::map<WORD, std::function<void()>> commands_;
};

}  // namespace zelk::ui
