// What the setup tool's Win32 files share: owners of handles and memory, functions found in a
// system library by name, the text of a SID, and a folder's entries as a listing shows them.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <type_traits>

namespace tolvane::kitsetup::win32 {

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle != INVALID_HANDLE_VALUE && handle != nullptr) CloseHandle(handle);
  }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};

struct LibraryFreer {
  void operator()(HMODULE library) const { FreeLibrary(library); }
};
using UniqueLibrary = std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer>;

template <typename Function>
Function Find(HMODULE library, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

std::wstring SidText(PSID sid);

// The folder's entry for `path`, as a listing shows it: the attributes and reparse tag of the
// entry itself, not of what a link leads to, and the cloud attributes only a listing carries.
std::optional<WIN32_FIND_DATAW> EntryOf(const std::wstring& path);

// A link, junction or mount point names another place; other reparse points (cloud files,
// deduplicated or compressed files) are the file itself. An entry without its tag (Wine's Unix
// links) counts as a link.
bool IsNameSurrogate(DWORD attributes, DWORD tag);
inline bool IsNameSurrogate(const WIN32_FIND_DATAW& entry) {
  return IsNameSurrogate(entry.dwFileAttributes, entry.dwReserved0);
}

// Calls `visit` for each entry of `folder` but "." and "..".
template <typename Visit>
void ForEachEntry(const std::wstring& folder, Visit visit) {
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &entry)) {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..") visit(name, entry);
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

}  // namespace tolvane::kitsetup::win32
