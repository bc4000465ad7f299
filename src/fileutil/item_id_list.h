// A shell item id list (from SHBrowseForFolder), freed on destruction.
#pragma once

#include <windows.h>
#include <shlobj.h>

namespace zelk::fileutil {

class ItemIdList {
 public:
  explicit ItemIdList(LPITEMIDLIST ids) : ids_(ids) {}
  ~ItemIdList() {
    if (ids_ != nullptr) CoTaskMemFree(ids_);
  }
  ItemIdList(const ItemIdList&) = delete;
  ItemIdList& operator=(const ItemIdList&) = delete;
  LPITEMIDLIST get() const { return ids_; }

 private:
  LPITEMIDLIST ids_;
};

}  // namespace zelk::fileutil
