#include "engine/run_record.h"

#include <windows.h>

#include "fileutil/path_names.h"
#include "fileutil/wide_path.h"
#include "fileutil/win_handles.h"

namespace zelk::engine {
namespace {

std::string RecordContent(std::string_view run) { return "Zelk run record\r\n" + std::string(run) + "\r\n"; }

}  // namespace

std::wstring RunRecordName(std::string_view run) { return L"~ZelkRun." + fileutil::ToWide(run); }

unsigned long WriteRunRecord(const std::wstring& saveFolder, std::string_view run) {
  const std::wstring path = fileutil::JoinWide(saveFolder, RunRecordName(run));
  const std::string content = RecordContent(run);
  fileutil::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return GetLastError();
  DWORD written = 0;
  if (!WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr) ||
      written != content.size() || !FlushFileBuffers(file.get())) {
    const DWORD code = GetLastError();
    file.Close();
    DeleteFileW(path.c_str());
    return code == 0 ? ERROR_WRITE_FAULT : code;
  }
  return 0;
}

bool HasRunRecord(const std::wstring& saveFolder, std::string_view run) {
  const std::wstring path = fileutil::JoinWide(saveFolder, RunRecordName(run));
  fileutil::FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  const std::string expected = RecordContent(run);
  std::string content(expected.size() + 1, '\0');
  DWORD read = 0;
  if (!ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr)) return false;
  content.resize(read);
  return content == expected;
}

}  // namespace zelk::engine
