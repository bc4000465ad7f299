#include "settings/profile.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "fileutil/win_handles.h"
#include "settings/ini_paths.h"

namespace zelk::settings {
namespace {

using fileutil::FileHandle;

std::string& RegisteredPath() {
  static std::string path;
  return path;
}

// Copies the bytes of from into to (to is created anew with a fresh time
// stamp, so the profile cache never takes it for an older copy). A missing
// source gives an empty copy.
bool CopyBytes(const std::string& from, const std::string& to) {
  FileHandle out(CreateFileA(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.valid()) return false;
  FileHandle in(CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in.valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
      return false;
    }
    if (got == 0) return true;
    DWORD written = 0;
    if (!WriteFile(out.get(), buffer.data(), got, &written, nullptr) || written != got) return false;
  }
}

bool FlushToDisk(const std::string& path) {
  FileHandle h(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return h.valid() && FlushFileBuffers(h.get());
}

std::string FormatInt(int value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", value);
  return text;
}

}  // namespace

std::string ModuleFilePath() {
  std::vector<char> buffer(MAX_PATH + 1);
  for (;;) {
    DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size() - 1) return std::string(buffer.data(), n);
    if (buffer.size() >= 32768) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

const std::string& RegisterIniPath() {
  SetIniPath(IniPathFor(ModuleFilePath()));
  return IniPath();
}

void SetIniPath(std::string path) { RegisteredPath() = std::move(path); }

const std::string& IniPath() { return RegisteredPath(); }

int ReadIniInt(const char* section, const char* key, int defaultValue) {
  return static_cast<int>(GetPrivateProfileIntA(section, key, defaultValue, IniPath().c_str()));
}

std::string ReadIniString(const char* section, const char* key,
                              const std::string& defaultValue) {
  // The value may be longer than any buffer: grow until it fits.
  std::vector<char> buffer(4096);
  for (;;) {
    DWORD n = GetPrivateProfileStringA(section, key, defaultValue.c_str(), buffer.data(),
                                       static_cast<DWORD>(buffer.size()), IniPath().c_str());
    if (n + 1 < buffer.size() || buffer.size() >= (1u << 20)) return std::string(buffer.data(), n);
    buffer.resize(buffer.size() * 4);
  }
}

void WriteIniString(const char* section, const char* key, const std::string& value) {
  IniWriteBatch batch;
  batch.Write(section, key, value);
  batch.Commit();
}

void WriteIniInt(const char* section, const char* key, int value) {
  WriteIniString(section, key, FormatInt(value));
}

IniWriteBatch::IniWriteBatch() : target_(IniPath()), staging_(IniPath() + ".new") {
  ready_ = !target_.empty() && CopyBytes(target_, staging_);
}

IniWriteBatch::~IniWriteBatch() {
  if (!committed_ && !staging_.empty()) {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, staging_.c_str());
    DeleteFileA(staging_.c_str());
  }
}

void IniWriteBatch::Write(const char* section, const char* key, const std::string& value) {
  if (!ready_) return;
  if (!WritePrivateProfileStringA(section, key, value.c_str(), staging_.c_str())) ready_ = false;
}

void IniWriteBatch::WriteInt(const char* section, const char* key, int value) {
  Write(section, key, FormatInt(value));
}

bool IniWriteBatch::Commit() {
  if (!ready_ || committed_) return true;
  // Flush the system's profile cache for the copy, then make it durable
  // before it takes the INI file's place.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, staging_.c_str());
  if (!FlushToDisk(staging_)) return true;
  if (!MoveFileExA(staging_.c_str(), target_.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  committed_ = true;
  return false;
}

}  // namespace zelk::settings
