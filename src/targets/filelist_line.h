// One line of FileList.dat: "mark;path;comment;". There is no escaping, so a
// ';' inside a path or a comment ends its field when the line is read back.
#pragma once

#include <string>
#include <string_view>

#include "targets/target_entry.h"

namespace zelk::targets {

// The line for an entry: the mark in decimal, then path, comment, each
// followed by ';'. Like "%s", path and comment end at an embedded NUL. The
// comment goes through FileListComment, so no comment can end its field
// early or start a new line.
std::string FormatFileListLine(const TargetEntry& entry);

// True when a comment holds a ';', a CR or an LF (scanned by character in
// the ANSI code page): text the line could not keep as it is.
bool CommentBreaksLine(std::string_view comment);

// The comment as a line holds it: each ';' becomes the full-width "；", each
// line break (CR, LF or CR LF) a blank, and a lead byte left without its
// trail byte at the end is dropped, since it would take the ';' after it.
std::string FileListComment(std::string_view comment);

// True for a line that holds nothing but blanks (or nothing at all). LoadList
// skips such lines instead of turning them into rows.
bool IsBlankFileListLine(std::string_view line);

// Splits a line at its first three ';', scanning character by character in
// the ANSI code page so the trail byte of a double-byte character is never a
// separator. The line ends at an embedded NUL.
//  - mark: the leading integer of the first field, read like atoi (leading
//    white space, an optional sign, decimal digits); a value beyond the int
//    range saturates at INT_MIN / INT_MAX; a field without digits gives
//    kUnknownMark.
//  - path: the text between the first and the second ';'.
//  - comment: the text between the second and the third ';'; anything after
//    the third ';' is ignored.
// A missing field reads as empty: "3;C:\x" gives mark 3, path C:\x and no
// comment; a line without ';' gives only a mark. Nothing is cut to length: a
// path longer than kMaxTargetPath is returned as read.
TargetEntry ParseFileListLine(std::string_view line);

// The atoi-like reading of the mark field described above.
int ParseMarkField(std::string_view field);

}  // namespace zelk::targets
