// What our ZIP32J.DLL and UNLHA32.DLL offer beyond the classic command
// interface, and how a caller asks for it. A library that does not export
// the features entry point is someone else's: it gets the classic command
// line only, and any non-zero result is a failure.
#pragma once

namespace zelk::archivers {

// DWORD WINAPI ZelkArchiverFeatures(void): the bits below.
inline constexpr const char* kFeaturesEntry = "ZelkArchiverFeatures";

// Sources that cannot be read (after brief retries of a sharing or lock
// violation) are left out, the archive is completed with everything else,
// and the call returns the format's partial result with a report of what
// was left out (see below).
inline constexpr unsigned kFeatureLeaveOutUnreadable = 0x1;
// Exclusion patterns after the names: a lone unquoted "-x" token followed by
// one quoted pattern per token (the syntax of src/exclusion).
inline constexpr unsigned kFeatureExclude = 0x2;

// The partial results: the archive is complete, some sources were left out.
inline constexpr int kZipPartial = 6;
inline constexpr int kUnlhaPartial = 0x8006;

// The report of a partial call, at the start of the output buffer:
//   "Left out: <N>\r\n"  then one line per left-out source, in the order met,
//   "<path>\t<reason>\r\n"  (path without the "\\?\" prefix, ANSI), for as
// many as the buffer holds.
inline constexpr const char* kLeftOutHeader = "Left out: ";

}  // namespace zelk::archivers
