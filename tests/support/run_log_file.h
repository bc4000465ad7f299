// The run log as a reader sees it: its lines, each split into its
// tab-separated fields.
#pragma once

#include <regex>
#include <string>
#include <vector>

#include "win_temp_dir.h"

namespace zelk::testing {

inline std::vector<std::string> SplitOn(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  if (text.empty()) return parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + separator.size();
  }
}

// The log's lines (CRLF-terminated), each as its fields.
inline std::vector<std::vector<std::string>> RunLogLines(const std::string& path) {
  std::string text = ReadFile(path);
  std::vector<std::vector<std::string>> lines;
  if (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n") text.resize(text.size() - 2);
  for (const std::string& line : SplitOn(text, "\r\n")) lines.push_back(SplitOn(line, "\t"));
  return lines;
}

// A start time "yyyy/mm/dd hh:mm:ss".
inline bool IsLogTime(const std::string& field) {
  return std::regex_match(field, std::regex(R"(\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2})"));
}

}  // namespace zelk::testing
