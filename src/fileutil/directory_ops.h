// Folder and file operations of the file utilities. Paths are ANSI strings as
// the user handles them; inside, the operations use extended-length wide paths
// so that trees deeper than 259 bytes are copied, cleared and deleted too.
// Functions returning bool return true on failure with a short text in msg.
#pragma once

#include <cstdint>
#include <string>

#include "fileutil/message_buffer.h"

namespace zelk::fileutil {

// What a copy wrote: the files it copied and their sizes. A file shared by a
// hard link is not written and not counted.
struct CopyTally {
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
};

// Copies the folder src and all it contains into the folder dest, keeping
// src's own name: src C:\a\Data into D:\g gives D:\g\Data\... (dest is
// created when missing; a drive root is named by its letter). Hidden and
// system files, empty subfolders, file times and attributes are copied;
// junctions and folder links are copied as empty folders, never entered.
// Folders that already exist at the target are used as they are, but a file
// that already exists there is never overwritten: the copy fails. The first
// failure stops the copy and names what failed; what was copied stays.
// keepName false copies the contents straight into dest.
bool CopyDirectory(const std::string& dest, const std::string& src, MessageBuffer& msg,
                   bool keepName = true);

// Copies the tree of src into the folder target (created with any missing
// parents; it must not exist yet), leaving out the entry whose full path
// equals exclude, if any (compared as the file system does, without case).
// Files copied are added to tally when it is set.
bool CopyDirectoryTo(const std::string& target, const std::string& src, MessageBuffer& msg,
                     const std::string& exclude = {}, CopyTally* tally = nullptr);

// Deletes a folder tree, read-only, hidden and system entries too; a junction
// inside is removed, not entered. Fails when path is not a folder. Stops at
// the first entry that cannot be deleted and names it.
bool DeleteDirectory(const std::string& path, MessageBuffer& msg);

// Deletes the file or folder tree at an extended-length path ("\\?\C:\..."):
// read-only, hidden and system entries too; a link or junction, at the top or
// inside, is removed as itself and never entered. A read-only file that has
// other hard links keeps its attributes for them: only this name goes. An
// entry that cannot be deleted does not stop the rest: everything else goes,
// and msg then holds only the first such entry's path and the system's
// reason in full-width parentheses, for the caller to add its verb.
bool DeleteTree(const std::wstring& extended, MessageBuffer& msg);

// Deletes everything inside folder and keeps the folder. Stops at the first
// entry that cannot be deleted (a locked file, say) and names it in msg; what
// was deleted before stays deleted.
bool ClearDirectory(const std::string& folder, MessageBuffer& msg);

// Moves everything inside src into dest (created when missing). dest may lie
// inside src; it is then left in place and not moved into itself (folders on
// the way down to it are moved entry by entry). An entry whose name is taken
// in dest stops the move; nothing is overwritten. Across volumes entries are
// copied and then deleted.
bool MoveFiles(const std::string& src, const std::string& dest, MessageBuffer& msg);

// Moves everything inside src into dest (created when missing), merging
// folders: a folder whose name dest holds as a folder has its contents moved
// into that one, entry by entry; an entry whose name is otherwise taken in
// dest stays in src. Nothing is overwritten. Fails when an entry that had a
// free name could not be moved, naming it.
bool MergeFiles(const std::string& src, const std::string& dest, MessageBuffer& msg);

// True when folder holds at least one entry.
bool FileInDirectory(const std::string& folder);

// False when something exists at path, true when the name is free.
bool CheckFile(const std::string& path);

// True when `path` names an existing folder.
bool FolderExists(const std::string& path);

// A variant of path that does not exist yet: "x.txt" -> "x(2).txt",
// "x(3).txt", ...; an existing folder "Data" -> "Data(2)" (path itself when
// it is free). See NumberedVariant.
std::string SkipPathNum(const std::string& path);

// The system's text for the calling thread's last error, without line end
// or final period; "エラー <code>" when the system has none.
std::string GetLastErrorString();
std::string ErrorString(unsigned long code);

}  // namespace zelk::fileutil
