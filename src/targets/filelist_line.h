// One line of FileList.dat: "mark;path;comment;". There is no escaping, so a
// ';' inside a path or a comment ends its field when the line is read back.
#pragma once

#include <string>
#include <string_view>

#include "targets/target_entry.h"

namespace zelk::targets {

// The line for an entry: the mark in decimal, then path, comment, each
// followed by ';'. Like "%s", path and comment end at an embedded NUL.
std::string FormatFileListLine(const TargetEntry& entry);

// True for a line that holds nothing but blanks (or nothing at all). LoadList
// skips such lines instead of turning them into rows.
bool IsBlankFileListLine(std::string_view line);

// Splits a line at its first three ';', scanning character by character in
// the ANSI code page so the trail byte of a double-byte character is never a
// separator. The line ends at an embedded NUL.
//  - mark: the leading integer of the first field, read like atoi (leading
//    white space, an optional sign, decimal digits; no digits gives 0); a
//    value beyond the int range saturates at INT_MIN / INT_MAX.
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
