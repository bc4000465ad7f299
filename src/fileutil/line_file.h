// COutFile: a text file held as lines numbered from 1 (FileList.dat,
// History.dat). Each change is written to disk before the call returns, by
// writing the whole file to "<path>.zelk-new" beside the original, flushing
// it and moving it over the original, so the file on disk always holds either
// the old or the new content. Lines are written with CRLF, bytes as given.
#pragma once

#include <string>
#include <vector>

namespace zelk::fileutil {

class COutFile {
 public:
  // Reads the whole file at once. A path that does not exist yet gives an
  // empty file and no error. Lines may end in CRLF or LF; the last may lack
  // its line end. A file that exists but cannot be read leaves an error text
  // and refuses every change, so that it is never overwritten.
  explicit COutFile(std::string path);
  ~COutFile() = default;
  COutFile(const COutFile&) = delete;
  COutFile& operator=(const COutFile&) = delete;

  // Empty after a good open; the failure's text after a failed open or change.
  const std::string& GetErrorMsg() const { return error_; }
  const std::string& GetFilePath() const { return path_; }

  int GetLineCount() const { return static_cast<int>(lines_.size()); }
  // Line n (1-based) without its line end; empty for a line that is not there.
  // The first argument is always 1.
  std::string ReadLineEx(int first, int n) const;

  // These return true on failure (the file and the lines in memory are then
  // unchanged, GetErrorMsg tells why) and have written the file when they
  // return false (GetErrorMsg is then empty). A read-only file is not changed.
  bool AddLine(const std::string& text);
  // Removes count lines from line first on: DeleteLine(1, 1) removes line 1.
  bool DeleteLine(int first, int count);
  bool Clear();
  // Replaces the whole content with lines in one write, so a list saved
  // this way is on disk either whole or not at all.
  bool ReplaceAll(std::vector<std::string> lines);

 private:
  bool Refused();
  // Writes lines to disk and, on success, keeps them as the content.
  bool Commit(std::vector<std::string> lines);
  bool Write(const std::vector<std::string>& lines);

  std::string path_;
  std::string error_;
  std::vector<std::string> lines_;
  bool readFailed_ = false;
};

}  // namespace zelk::fileutil
