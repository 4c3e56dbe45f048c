#include "record.h"

#include <windows.h>

#include "owners.h"

namespace tolvane::standin {
namespace {

// Calls `get(buffer, size)` with a growing buffer until the whole text fits; the Win32 text
// functions differ in what they return when it does not, so `fits` decides.
template <typename Get, typename Fits>
std::wstring GrowingText(Get get, Fits fits) {
  std::wstring text(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = get(text.data(), static_cast<DWORD>(text.size()));
    if (fits(length, static_cast<DWORD>(text.size()))) {
      text.resize(length);
      return text;
    }
    text.resize(text.size() * 2);
  }
}

std::wstring CurrentDirectory() {
  return GrowingText([](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); },
                     [](DWORD length, DWORD size) { return length < size; });
}

std::wstring LogPath() {
  const DWORD size = GetEnvironmentVariableW(L"TOLVANE_STANDIN_LOG", nullptr, 0);
  if (size > 1) {
    std::wstring path(size, L'\0');
    path.resize(GetEnvironmentVariableW(L"TOLVANE_STANDIN_LOG", path.data(), size));
    return path;
  }
  return ModuleDirectory() + L"standins.log";
}

std::string Utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

}  // namespace

std::wstring ModulePath() {
  return GrowingText(
      [](wchar_t* buffer, DWORD size) { return GetModuleFileNameW(nullptr, buffer, size); },
      [](DWORD length, DWORD size) { return length < size; });
}

std::wstring ModuleDirectory() {
  std::wstring path = ModulePath();
  path.resize(path.find_last_of(L'\\') + 1);
  return path;
}

void Record(const std::wstring& role) {
  const std::string line =
      Utf8(role + L"|" + CurrentDirectory() + L"|" + GetCommandLineW() + L"\r\n");
  // Append-only access makes each write land at the end of the file even when a server and its
  // worker record at the same moment; a test reading the log may hold it briefly, so retry.
  for (int attempt = 0; attempt < 50; ++attempt) {
    const UniqueHandle log(CreateFileW(LogPath().c_str(), FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (log.valid()) {
      DWORD written = 0;
      WriteFile(log.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      return;
    }
    if (GetLastError() != ERROR_SHARING_VIOLATION) return;
    Sleep(20);
  }
}

}  // namespace tolvane::standin
