// COutFile: a text file held as lines numbered from 1 (FileList.dat,
// History.dat). Each change is written to disk before the call returns, by
// writing the whole file beside the original and replacing it, so the file on
// disk always holds either the old or the new content.
#pragma once

#include <string>
#include <vector>

namespace zelk::fileutil {

class COutFile {
 public:
  // Reads the file. A path that does not exist yet gives an empty file and no
  // error. Lines may end in CRLF or LF; the last may lack its line end.
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
  // unchanged) and have written the file when they return false.
  bool AddLine(const std::string& text);
  bool DeleteLine(int first, int count);  // DeleteLine(1, 1) removes line 1
  bool Clear();

 private:
  bool Write(const std::vector<std::string>& lines);

  std::string path_;
  std::string error_;
  std::vector<std::string> lines_;
};

}  // namespace zelk::fileutil
