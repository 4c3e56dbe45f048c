// The programs that use the kit: the running programs' images, and those that hold its files
// as the Restart Manager finds them; and the system's folders no kit goes into.
#include <windows.h>
// After windows.h:
#include <restartmanager.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include "system.h"
#include "win32.h"

namespace tolvane::kitsetup {
namespace {

using win32::UniqueHandle;

// Setup, or the uninstaller, that runs this tool may itself have been started from the kit.
std::pair<DWORD, DWORD> ThisAndParent() {
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {sizeof(entry)};
  const DWORD self = GetCurrentProcessId();
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == self) return {self, entry.th32ParentProcessID};
  }
  return {self, self};
}

}  // namespace

std::vector<std::wstring> RunningImages() {
  const auto [self, parent] = ThisAndParent();
  const UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  std::vector<std::wstring> images;
  std::wstring image(32768, L'\0');  // the longest path Windows has
  PROCESSENTRY32W entry = {sizeof(entry)};
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    if (entry.th32ProcessID == self || entry.th32ProcessID == parent) continue;
    const UniqueHandle handle(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    DWORD size = static_cast<DWORD>(image.size());
    if (handle && QueryFullProcessImageNameW(handle.get(), 0, image.data(), &size)) {
      images.push_back(image.substr(0, size));
    }
  }
  return images;
}

std::vector<std::wstring> ProgramsUsing(const std::vector<std::wstring>& files) {
  const win32::UniqueLibrary library(
      LoadLibraryExW(L"rstrtmgr.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!library || files.empty()) return {};
  using Start = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
  using Register = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT, LPCWSTR*);
  using List = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, LPDWORD);
  using End = DWORD(WINAPI*)(DWORD);
  const auto start = win32::Find<Start>(library.get(), "RmStartSession");
  const auto add = win32::Find<Register>(library.get(), "RmRegisterResources");
  const auto list = win32::Find<List>(library.get(), "RmGetList");
  const auto end = win32::Find<End>(library.get(), "RmEndSession");
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  if (!start || !add || !list || !end || start(&session, 0, key) != ERROR_SUCCESS) return {};
  std::vector<LPCWSTR> names;
  for (const std::wstring& file : files) names.push_back(file.c_str());
  std::vector<RM_PROCESS_INFO> found;
  if (add(session, static_cast<UINT>(names.size()), names.data(), 0, nullptr, 0, nullptr) ==
      ERROR_SUCCESS) {
    // The list may grow between the two calls.
    bool listed = false;
    for (int attempt = 0; attempt < 3 && !listed; ++attempt) {
      UINT needed = 0, count = static_cast<UINT>(found.size());
      DWORD reasons = 0;
      const DWORD result = list(session, &needed, &count, found.data(), &reasons);
      if (result == ERROR_SUCCESS) {
        found.resize(count);
        listed = true;
      } else if (result == ERROR_MORE_DATA) {
        found.resize(needed);
      } else {
        break;
      }
    }
    if (!listed) found.clear();
  }
  end(session);
  const auto [self, parent] = ThisAndParent();
  std::vector<std::wstring> programs;
  for (const RM_PROCESS_INFO& process : found) {
    const DWORD id = process.Process.dwProcessId;
    if (id == self || id == parent) continue;
    programs.push_back(std::wstring(process.strAppName) + L" (process " + std::to_wstring(id) +
                       L")");
  }
  return programs;
}

std::vector<std::wstring> SystemFolders() {
  std::vector<std::wstring> folders;
  for (const KNOWNFOLDERID& id :
       {FOLDERID_ProgramFiles, FOLDERID_ProgramFilesX86, FOLDERID_Windows}) {
    wchar_t* path = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) folders.emplace_back(path);
    CoTaskMemFree(path);
  }
  return folders;
}
}  // namespace tolvane::kitsetup
