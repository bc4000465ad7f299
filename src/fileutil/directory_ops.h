// Folder and file operations of the file utilities. Paths are ANSI strings as
// the user handles them; inside, the operations use extended-length wide paths
// so that trees deeper than 259 bytes are copied, cleared and deleted too.
// Functions returning bool return true on failure with a short text in msg.
#pragma once

#include <string>

#include "fileutil/message_buffer.h"

namespace zelk::fileutil {

// Copies the folder src and all it contains into the folder dest, keeping
// src's own name: src C:\a\Data into D:\g gives D:\g\Data\... (dest is
// created when missing). Hidden and system files, empty subfolders, file
// times and attributes are copied. The first failure stops the copy and names
// what failed. keepName is always true for the program's calls.
bool CopyDirectory(const std::string& dest, const std::string& src, MessageBuffer& msg,
                   bool keepName = true);

// Copies the tree of src into the folder target (created; it must not exist
// yet), leaving out the entry whose full path equals exclude, if any.
bool CopyDirectoryTo(const std::string& target, const std::string& src, MessageBuffer& msg,
                     const std::string& exclude = {});

// Deletes a folder tree, read-only, hidden and system entries too. Fails when
// path is not a folder.
bool DeleteDirectory(const std::string& path, MessageBuffer& msg);

// Deletes everything inside folder and keeps the folder. On failure msg names
// what could not be deleted (a locked file is reported, not skipped).
bool ClearDirectory(const std::string& folder, MessageBuffer& msg);

// Moves everything inside src into dest (created when missing). dest may lie
// inside src; it is then left in place and not moved into itself.
bool MoveFiles(const std::string& src, const std::string& dest, MessageBuffer& msg);

// True when folder holds at least one entry.
bool FileInDirectory(const std::string& folder);

// False when something exists at path, true when the name is free.
bool CheckFile(const std::string& path);

// A variant of path that does not exist yet: "x.txt" -> "x(2).txt",
// "x(3).txt", ... (path itself when it is free).
std::string SkipPathNum(const std::string& path);

// The system's text for the calling thread's last error (no line end).
std::string GetLastErrorString();
std::string ErrorString(unsigned long code);

}  // namespace zelk::fileutil
