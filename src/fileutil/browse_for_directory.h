// The shell's folder picker. CBrowseForResource runs the browse dialog with
// a title and a folder selected at the start; CBrowseForDirectory accepts
// only file-system folders and gives the chosen one.
#pragma once

#include <windows.h>

#include <string>

namespace zelk::fileutil {

class CBrowseForResource {
 public:
  // owner may be null. The title is shown above the folder tree; the picker
  // opens with initialFolder selected when it exists.
  CBrowseForResource(HWND owner, std::string title, std::string initialFolder, UINT flags);
  virtual ~CBrowseForResource() = default;
  CBrowseForResource(const CBrowseForResource&) = delete;
  CBrowseForResource& operator=(const CBrowseForResource&) = delete;

  // True when the user chose an entry that has a file-system path.
  bool DoModal();

 protected:
  // The chosen entry's full path (empty before a successful DoModal).
  const std::string& ChosenPath() const { return chosen_; }

 private:
  static int CALLBACK OnBrowseEvent(HWND window, UINT message, LPARAM param, LPARAM data);

  HWND owner_;
  std::string title_;
  std::string initialFolder_;
  UINT flags_;
  std::string chosen_;
};

class CBrowseForDirectory : public CBrowseForResource {
 public:
  CBrowseForDirectory(HWND owner, std::string title, std::string initialFolder);

  // The folder chosen by the last successful DoModal.
  std::string GetDirectoryDir() const { return ChosenPath(); }
};

}  // namespace zelk::fileutil
