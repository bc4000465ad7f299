// CDragEdit: an edit box that takes the path of the first file or folder
// dropped on it as its whole text. What was dropped is not checked. The box
// is a drop target through its template's WS_EX_ACCEPTFILES style.
#pragma once

#include <windows.h>

#include "ui/framework/control.h"

namespace zelk::ui {

class CDragEdit : public CControl {
 public:
  CDragEdit() = default;
  ~CDragEdit() override;

  void OnAttach() override;

 private:
  static LRESULT CALLBACK EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR id, DWORD_PTR data);
  bool subclassed_ = false;
};

}  // namespace zelk::ui
