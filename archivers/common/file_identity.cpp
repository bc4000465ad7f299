#include "common/file_identity.h"

#include "common/scoped_win.h"

namespace zelk::archivers {

FileIdentity IdentityOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return {};
  return {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow, true};
}

FileIdentity IdentityOfPath(const std::wstring& path) {
  // Backup semantics open folders too; no access right is needed for the query.
  const ScopedFileHandle h(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return IdentityOf(h.get());
}

FileIdentity IdentityOfFolderHolding(const std::wstring& path) {
  const std::size_t cut = path.find_last_of(L'\\');
  if (cut == std::wstring::npos) return {};
  std::wstring folder = path.substr(0, cut);
  // "C:" alone names the volume, not its root folder.
  if (!folder.empty() && folder.back() == L':') folder += L'\\';
  return IdentityOfPath(folder);
}

}  // namespace zelk::archivers
