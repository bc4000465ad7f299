// Which file or folder a handle or path stands for, independent of how it
// was named: the volume serial number and the file index. Long and short
// names, links, subst drives and "\\?\" forms of one folder all give the
// same identity.
#pragma once

#include <windows.h>

#include <string>

namespace zelk::archivers {

struct FileIdentity {
  DWORD volume = 0;
  DWORD high = 0;
  DWORD low = 0;
  bool known = false;

  // Unknown identities never match, not even each other.
  bool SameAs(const FileIdentity& o) const {
    return known && o.known && volume == o.volume && high == o.high && low == o.low;
  }
};

FileIdentity IdentityOf(HANDLE handle);
// Opens path (a file or a folder) only to ask for its identity.
FileIdentity IdentityOfPath(const std::wstring& path);
// The identity of the folder that holds the file at path (an absolute path,
// "\\?\" forms included).
FileIdentity IdentityOfFolderHolding(const std::wstring& path);

}  // namespace zelk::archivers
