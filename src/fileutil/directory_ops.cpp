#include "fileutil/directory_ops.h"

#include <windows.h>

#include <climits>
#include <optional>
#include <string_view>
#include <vector>

#include "fileutil/error_text.h"
#include "fileutil/path_names.h"
#include "fileutil/reparse_tag.h"
#include "fileutil/wide_path.h"
#include "fileutil/win_handles.h"
#include "res/resource.h"
#include "text/string_table.h"

namespace zelk::fileutil {
namespace {

// Attributes a copy takes over from its source.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// What went wrong, as the string-table text that follows the path.
using What = unsigned;
constexpr What kNotFolder = IDS_FS_NOT_FOLDER;
constexpr What kCannotList = IDS_FS_CANNOT_LIST;
constexpr What kCannotCreate = IDS_FS_CANNOT_CREATE;
constexpr What kCannotCopy = IDS_FS_CANNOT_COPY;
constexpr What kAlreadyThere = IDS_FS_ALREADY_THERE;
constexpr What kCannotDelete = IDS_FS_CANNOT_DELETE;
constexpr What kCannotMove = IDS_FS_CANNOT_MOVE;
constexpr What kIntoItself = IDS_FS_INTO_ITSELF;

// One entry of a folder with what a copy needs of it.
struct Entry {
  std::wstring name;
  DWORD attributes = 0;
  DWORD tag = 0;  // the reparse tag, with the reparse-point attribute
  FILETIME created{};
  FILETIME accessed{};
  FILETIME written{};
  ULONGLONG size = 0;
};

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A junction, a symbolic link, a mount point: removed as itself, never
// entered. Other reparse points (cloud placeholders, deduplicated folders)
// are ordinary files and folders.
bool IsLink(DWORD attributes, DWORD tag) { return IsLinkEntry(attributes, tag); }

// The reparse tag of the entry at path; 0 (taken for a link) when it has
// none or the system does not say.
DWORD ReparseTagOf(const std::wstring& path, DWORD attributes) {
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return 0;
  FileHandle handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  FILE_ATTRIBUTE_TAG_INFO info{};
  if (!handle.valid() || !GetFileInformationByHandleEx(handle.get(), FileAttributeTagInfo, &info, sizeof info)) {
    return 0;
  }
  return info.ReparseTag;
}

bool Fail(MessageBuffer& msg, const std::wstring& path, What what, DWORD code) {
  SetMessage(msg, FailureText(DisplayPath(path), text::LoadText(what), code));
  return true;
}

bool FailAnsi(MessageBuffer& msg, std::string_view path, What what) {
  SetMessage(msg, FailureText(path, text::LoadText(what), 0));
  return true;
}

// The entries of folder, without "." and "..". Returns the system error code,
// 0 on success.
DWORD ListFolder(const std::wstring& folder, std::vector<Entry>& entries) {
  entries.clear();
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW(JoinWide(folder, L"*").c_str(), &data));
  if (!find.valid()) {
    DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND ? 0 : code;
  }
  do {
    std::wstring_view name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    entries.push_back(Entry{std::wstring(name), data.dwFileAttributes, data.dwReserved0, data.ftCreationTime,
                            data.ftLastAccessTime, data.ftLastWriteTime,
                            (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow});
  } while (FindNextFileW(find.get(), &data));
  DWORD code = GetLastError();
  return code == ERROR_NO_MORE_FILES ? 0 : code;
}

bool ReadEntry(const std::wstring& path, Entry& entry) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  entry.attributes = data.dwFileAttributes;
  entry.tag = ReparseTagOf(path, data.dwFileAttributes);
  entry.created = data.ftCreationTime;
  entry.accessed = data.ftLastAccessTime;
  entry.written = data.ftLastWriteTime;
  entry.size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

// True when child lies strictly inside parent.
bool WideInside(std::wstring_view child, std::wstring_view parent) {
  while (parent.size() > 1 && parent.back() == L'\\') parent.remove_suffix(1);
  if (child.size() <= parent.size() + 1 || child[parent.size()] != L'\\') return false;
  return SameWidePath(child.substr(0, parent.size()), parent);
}

// Creates path and any missing folders above it. Returns the system error
// code, 0 when the folder exists afterwards.
DWORD CreateFolders(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return IsFolder(attributes) ? 0 : ERROR_ALREADY_EXISTS;
  std::size_t sep = path.find_last_of(L'\\');
  // Stop at the prefix ("\\?\") and at a drive ("\\?\C:").
  if (sep != std::wstring::npos && sep > 4 && path[sep - 1] != L':') {
    DWORD code = CreateFolders(path.substr(0, sep));
    if (code != 0) return code;
  }
  if (!CreateDirectoryW(path.c_str(), nullptr)) {
    DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS && IsFolder(GetFileAttributesW(path.c_str()))) return 0;
    return code;
  }
  return 0;
}

LARGE_INTEGER AsLargeInteger(const FILETIME& time) {
  LARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = static_cast<LONG>(time.dwHighDateTime);
  return value;
}

// Gives path the times and attributes of source. Best effort: a file system
// that keeps no such data does not fail the copy. One handle sets both (each
// open is a round trip to the file system, and a copy makes one per entry);
// when that handle cannot be had or refuses the change, the attributes are
// cleared first so that a read-only copy takes its times, then set by name.
void ApplyTimesAndAttributes(const std::wstring& path, const Entry& source, bool folder) {
  const DWORD copied = source.attributes & kCopiedAttributes;
  const DWORD attributes = copied != 0 ? copied : FILE_ATTRIBUTE_NORMAL;
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const DWORD flags = folder ? FILE_FLAG_BACKUP_SEMANTICS : 0;
  {
    FileHandle handle(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, share, nullptr, OPEN_EXISTING, flags, nullptr));
    if (handle.valid()) {
      FILE_BASIC_INFO info{};
      info.CreationTime = AsLargeInteger(source.created);
      info.LastAccessTime = AsLargeInteger(source.accessed);
      info.LastWriteTime = AsLargeInteger(source.written);
      info.FileAttributes = attributes;
      if (SetFileInformationByHandle(handle.get(), FileBasicInfo, &info, sizeof info)) return;
    }
  }
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  {
    FileHandle handle(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, share, nullptr, OPEN_EXISTING, flags, nullptr));
    if (handle.valid()) SetFileTime(handle.get(), &source.created, &source.accessed, &source.written);
  }
  SetFileAttributesW(path.c_str(), attributes);
}

struct CopyJob {
  MessageBuffer& msg;
  std::wstring targetRoot;  // never copied into itself
  std::wstring exclude;     // left out, when not empty
  bool mergeFolders;        // existing target folders are used as they are
  CopyTally* tally = nullptr;  // files copied counted, when set
};

// Copies the folder src (described by info) to dst, contents first, then its
// times and attributes.
bool CopyTree(const std::wstring& src, const Entry& info, const std::wstring& dst, CopyJob& job) {
  if (!CreateDirectoryW(dst.c_str(), nullptr)) {
    DWORD code = GetLastError();
    bool reuse = job.mergeFolders && code == ERROR_ALREADY_EXISTS && IsFolder(GetFileAttributesW(dst.c_str()));
    if (!reuse) {
      return code == ERROR_ALREADY_EXISTS ? Fail(job.msg, dst, kAlreadyThere, 0)
                                          : Fail(job.msg, dst, kCannotCreate, code);
    }
  }
  if (!IsLink(info.attributes, info.tag)) {
    std::vector<Entry> entries;
    if (DWORD code = ListFolder(src, entries); code != 0) return Fail(job.msg, src, kCannotList, code);
    for (const Entry& entry : entries) {
      std::wstring from = JoinWide(src, entry.name);
      if (SameWidePath(from, job.targetRoot)) continue;
      if (!job.exclude.empty() && SameWidePath(from, job.exclude)) continue;
      std::wstring to = JoinWide(dst, entry.name);
      if (IsFolder(entry.attributes)) {
        if (CopyTree(from, entry, to, job)) return true;
        continue;
      }
      if (!CopyFileExW(from.c_str(), to.c_str(), nullptr, nullptr, nullptr, COPY_FILE_FAIL_IF_EXISTS)) {
        DWORD code = GetLastError();
        if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) return Fail(job.msg, to, kAlreadyThere, 0);
        return Fail(job.msg, from, kCannotCopy, code);
      }
      ApplyTimesAndAttributes(to, entry, false);
      if (job.tally != nullptr) {
        ++job.tally->files;
        job.tally->bytes += entry.size;
      }
    }
  }
  ApplyTimesAndAttributes(dst, info, true);
  return false;
}

// Reads the source folder of a copy; fails unless it is a folder.
bool ReadSourceFolder(const std::wstring& src, Entry& info, MessageBuffer& msg) {
  if (!ReadEntry(src, info)) {
    DWORD code = GetLastError();
    return Fail(msg, src, kNotFolder, code);
  }
  if (!IsFolder(info.attributes)) return Fail(msg, src, kNotFolder, 0);
  return false;
}

bool DeleteEntry(const std::wstring& path, DWORD attributes, DWORD tag, MessageBuffer& msg,
                 What what = kCannotDelete, bool goOn = false);

// Attributes belong to the file, not to one of its names: clearing read-only
// to delete one hard link would clear it under every other name. A read-only
// file with more than one link is therefore deleted through one handle that
// clears the attribute, marks the name for deletion and sets the attributes
// back before it closes. Empty when the file has a single link (or cannot be
// opened so): the plain deletion applies. Otherwise the system's error code,
// 0 once deleted.
std::optional<DWORD> DeleteSharedReadOnlyFile(const std::wstring& path) {
  FileHandle handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.valid()) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION file;
  if (!GetFileInformationByHandle(handle.get(), &file) || file.nNumberOfLinks < 2) return std::nullopt;
  FILE_BASIC_INFO original{};
  if (!GetFileInformationByHandleEx(handle.get(), FileBasicInfo, &original, sizeof original)) return GetLastError();
  FILE_BASIC_INFO writable = original;
  writable.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  if (writable.FileAttributes == 0) writable.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  if (!SetFileInformationByHandle(handle.get(), FileBasicInfo, &writable, sizeof writable)) return GetLastError();
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  DWORD code = SetFileInformationByHandle(handle.get(), FileDispositionInfo, &disposition, sizeof disposition)
                   ? 0
                   : GetLastError();
  SetFileInformationByHandle(handle.get(), FileBasicInfo, &original, sizeof original);
  return code;
}

// Deletes the contents of folder, stopping at the first failure, or (goOn)
// deleting all it can and naming the first entry that stayed.
bool DeleteContents(const std::wstring& folder, MessageBuffer& msg, What what = kCannotDelete, bool goOn = false) {
  std::vector<Entry> entries;
  if (DWORD code = ListFolder(folder, entries); code != 0) return Fail(msg, folder, kCannotList, code);
  bool failed = false;
  for (const Entry& entry : entries) {
    MessageBuffer entryMsg{};
    if (!DeleteEntry(JoinWide(folder, entry.name), entry.attributes, entry.tag, entryMsg, what, goOn)) continue;
    if (!failed) msg = entryMsg;
    failed = true;
    if (!goOn) return true;
  }
  return failed;
}

// Deletes a file or a folder tree; a read-only entry loses that attribute
// first and gets it back when it cannot be deleted. what follows the path in
// the failure text.
bool DeleteEntry(const std::wstring& path, DWORD attributes, DWORD tag, MessageBuffer& msg, What what, bool goOn) {
  bool folder = IsFolder(attributes);
  if (folder && !IsLink(attributes, tag) && DeleteContents(path, msg, what, goOn)) return true;
  bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (readOnly && !folder) {
    if (std::optional<DWORD> code = DeleteSharedReadOnlyFile(path)) {
      return *code != 0 && Fail(msg, path, what, *code);
    }
  }
  if (readOnly) SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  BOOL done = folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str());
  if (!done) {
    DWORD code = GetLastError();
    if (readOnly) SetFileAttributesW(path.c_str(), attributes);
    return Fail(msg, path, what, code);
  }
  return false;
}

// Reads path as a folder for delete, clear and move; fails otherwise.
bool OpenFolder(std::string_view path, std::wstring& wide, DWORD& attributes, MessageBuffer& msg) {
  wide = ExtendedPath(path);
  attributes = wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
  return !IsFolder(attributes) && FailAnsi(msg, path, kNotFolder);
}

// Moves one entry; across volumes a folder is copied and then deleted.
bool MoveEntry(const std::wstring& from, const Entry& entry, const std::wstring& to, MessageBuffer& msg) {
  if (GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES) return Fail(msg, to, kAlreadyThere, 0);
  if (MoveFileExW(from.c_str(), to.c_str(), 0)) return false;
  DWORD code = GetLastError();
  if (code != ERROR_NOT_SAME_DEVICE) return Fail(msg, from, kCannotMove, code);
  if (!IsFolder(entry.attributes)) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_COPY_ALLOWED)) return false;
    return Fail(msg, from, kCannotMove, GetLastError());
  }
  CopyJob job{msg, to, {}, false, nullptr};
  if (CopyTree(from, entry, to, job)) return true;
  return DeleteEntry(from, entry.attributes, entry.tag, msg);
}

// Moves the contents of src into dst, leaving keep (which may lie inside
// src) in place; a folder on the way to keep is moved piece by piece.
bool MoveContents(const std::wstring& src, const std::wstring& dst, const std::wstring& keep, MessageBuffer& msg) {
  std::vector<Entry> entries;
  if (DWORD code = ListFolder(src, entries); code != 0) return Fail(msg, src, kCannotList, code);
  for (const Entry& entry : entries) {
    std::wstring from = JoinWide(src, entry.name);
    std::wstring to = JoinWide(dst, entry.name);
    if (SameWidePath(from, keep)) continue;
    if (IsFolder(entry.attributes) && !IsLink(entry.attributes, entry.tag) && WideInside(keep, from)) {
      if (DWORD code = CreateFolders(to); code != 0) return Fail(msg, to, kCannotCreate, code);
      if (MoveContents(from, to, keep, msg)) return true;
      continue;
    }
    if (MoveEntry(from, entry, to, msg)) return true;
  }
  return false;
}

// Moves the contents of src into dst; a folder meets a folder of the same
// name entry by entry, and an entry whose name is otherwise taken stays.
bool MergeContents(const std::wstring& src, const std::wstring& dst, MessageBuffer& msg) {
  std::vector<Entry> entries;
  if (DWORD code = ListFolder(src, entries); code != 0) return Fail(msg, src, kCannotList, code);
  for (const Entry& entry : entries) {
    const std::wstring from = JoinWide(src, entry.name);
    const std::wstring to = JoinWide(dst, entry.name);
    const DWORD taken = GetFileAttributesW(to.c_str());
    if (taken == INVALID_FILE_ATTRIBUTES) {
      if (MoveEntry(from, entry, to, msg)) return true;
    } else if (IsFolder(entry.attributes) && !IsLink(entry.attributes, entry.tag) && IsFolder(taken) &&
               !IsLink(taken, ReparseTagOf(to, taken))) {
      if (MergeContents(from, to, msg)) return true;
    }
  }
  return false;
}

// Copies the tree of src into target (which must not exist yet), creating
// target's missing parents.
bool CopyTreeTo(const std::string& target, const std::string& src, MessageBuffer& msg,
                const std::string& exclude, CopyTally* tally) {
  std::wstring from = ExtendedPath(src);
  std::wstring to = ExtendedPath(target);
  if (from.empty()) return FailAnsi(msg, src, kNotFolder);
  if (to.empty()) return FailAnsi(msg, target, kCannotCreate);
  Entry info;
  if (ReadSourceFolder(from, info, msg)) return true;
  if (GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES) return Fail(msg, to, kAlreadyThere, 0);
  std::size_t sep = to.find_last_of(L'\\');
  if (sep != std::wstring::npos && sep > 4 && to[sep - 1] != L':') {
    std::wstring parent = to.substr(0, sep);
    if (DWORD code = CreateFolders(parent); code != 0) return Fail(msg, parent, kCannotCreate, code);
  }
  CopyJob job{msg, to, exclude.empty() ? std::wstring() : ExtendedPath(exclude), false, tally};
  return CopyTree(from, info, to, job);
}

// The name a copy of folder takes inside its destination: its last
// component, or the drive letter for a drive root.
std::wstring FolderName(std::wstring_view folder) {
  while (!folder.empty() && folder.back() == L'\\') folder.remove_suffix(1);
  std::size_t sep = folder.find_last_of(L'\\');
  std::wstring name(sep == std::wstring_view::npos ? folder : folder.substr(sep + 1));
  std::erase(name, L':');
  return name;
}

}  // namespace

bool CopyDirectory(const std::string& dest, const std::string& src, MessageBuffer& msg, bool keepName) {
  std::wstring from = ExtendedPath(src);
  std::wstring into = ExtendedPath(dest);
  if (from.empty()) return FailAnsi(msg, src, kNotFolder);
  if (into.empty()) return FailAnsi(msg, dest, kCannotCreate);
  Entry info;
  if (ReadSourceFolder(from, info, msg)) return true;
  std::wstring target = keepName ? JoinWide(into, FolderName(from)) : into;
  if (SameWidePath(target, from)) return Fail(msg, target, kIntoItself, 0);
  if (DWORD code = CreateFolders(into); code != 0) return Fail(msg, into, kCannotCreate, code);
  CopyJob job{msg, target, {}, true, nullptr};
  return CopyTree(from, info, target, job);
}

bool CopyDirectoryTo(const std::string& target, const std::string& src, MessageBuffer& msg,
                     const std::string& exclude, CopyTally* tally) {
  return CopyTreeTo(target, src, msg, exclude, tally);
}

bool DeleteDirectory(const std::string& path, MessageBuffer& msg) {
  std::wstring folder;
  DWORD attributes = 0;
  if (OpenFolder(path, folder, attributes, msg)) return true;
  return DeleteEntry(folder, attributes, ReparseTagOf(folder, attributes), msg);
}

bool DeleteTree(const std::wstring& extended, MessageBuffer& msg) {
  const DWORD attributes = GetFileAttributesW(extended.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Fail(msg, extended, {}, GetLastError());
  return DeleteEntry(extended, attributes, ReparseTagOf(extended, attributes), msg, {}, true);
}

bool ClearDirectory(const std::string& folder, MessageBuffer& msg) {
  std::wstring wide;
  DWORD attributes = 0;
  if (OpenFolder(folder, wide, attributes, msg)) return true;
  return DeleteContents(wide, msg);
}

namespace {

// Opens src, makes dest, and moves what src holds into it with move(from, to).
template <typename Move>
bool MoveInto(const std::string& src, const std::string& dest, MessageBuffer& msg, Move move) {
  std::wstring from;
  DWORD attributes = 0;
  if (OpenFolder(src, from, attributes, msg)) return true;
  const std::wstring to = ExtendedPath(dest);
  if (to.empty()) return FailAnsi(msg, dest, kCannotCreate);
  if (SameWidePath(from, to)) return false;
  if (DWORD code = CreateFolders(to); code != 0) return Fail(msg, to, kCannotCreate, code);
  return move(from, to);
}

}  // namespace

bool MoveFiles(const std::string& src, const std::string& dest, MessageBuffer& msg) {
  return MoveInto(src, dest, msg,
                  [&](const std::wstring& from, const std::wstring& to) { return MoveContents(from, to, to, msg); });
}

bool MergeFiles(const std::string& src, const std::string& dest, MessageBuffer& msg) {
  return MoveInto(src, dest, msg,
                  [&](const std::wstring& from, const std::wstring& to) { return MergeContents(from, to, msg); });
}

bool FileInDirectory(const std::string& folder) {
  std::wstring wide = ExtendedPath(folder);
  if (wide.empty()) return false;
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW(JoinWide(wide, L"*").c_str(), &data));
  if (!find.valid()) return false;
  do {
    std::wstring_view name = data.cFileName;
    if (name != L"." && name != L"..") return true;
  } while (FindNextFileW(find.get(), &data));
  return false;
}

bool CheckFile(const std::string& path) {
  std::wstring wide = ExtendedPath(path);
  if (wide.empty()) return true;
  if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  DWORD code = GetLastError();
  // Something that cannot be looked at (a locked system file) is still there.
  return code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION;
}

bool FolderExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string SkipPathNum(const std::string& path) {
  if (CheckFile(path)) return path;
  std::wstring wide = ExtendedPath(path);
  bool folder = IsFolder(GetFileAttributesW(wide.c_str()));
  for (int n = 2; n < INT_MAX; ++n) {
    std::string candidate = NumberedVariant(path, n, folder);
    if (CheckFile(candidate)) return candidate;
  }
  return {};
}

}  // namespace zelk::fileutil
