// The INI file behind all of the program's profile reads and writes, used
// only through the system's private-profile calls. Writes never leave a torn
// file: they go to a copy beside the INI file, which then replaces it.
#pragma once

#include <string>

namespace zelk::settings {

// Full path of the running executable (any length).
std::string ModuleFilePath();

// Computes the INI path from the executable's path and registers it as the
// file behind every profile call below. Returns the path.
const std::string& RegisterIniPath();
// Registers an explicit INI path (tests).
void SetIniPath(std::string path);
const std::string& IniPath();

int ReadIniInt(const char* section, const char* key, int defaultValue);
std::string ReadIniString(const char* section, const char* key, const std::string& defaultValue);

// Writes one key through a IniWriteBatch. Results are not reported: the
// program goes on with the values it holds when the file cannot be written.
void WriteIniString(const char* section, const char* key, const std::string& value);
void WriteIniInt(const char* section, const char* key, int value);

// A group of writes that reaches the INI file all at once or not at all.
class IniWriteBatch {
 public:
  IniWriteBatch();
  ~IniWriteBatch();
  IniWriteBatch(const IniWriteBatch&) = delete;
  IniWriteBatch& operator=(const IniWriteBatch&) = delete;

  void Write(const char* section, const char* key, const std::string& value);
  void WriteInt(const char* section, const char* key, int value);
  // Replaces the INI file with the written copy; true on failure.
  bool Commit();

 private:
  std::string target_;
  std::string staging_;
  bool ready_ = false;
  bool committed_ = false;
};

}  // namespace zelk::settings
