// Folders: links told apart from what they lead to, folders pinned while setup works in them,
// made, removed and listed without following a link, the kit folder's lock, and the canonical
// name of a folder.
#include <windows.h>

#include "names.h"
#include "system.h"
#include "win32.h"

namespace tolvane::kitsetup {
namespace win32 {

std::optional<WIN32_FIND_DATAW> EntryOf(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  const HANDLE search = FindFirstFileW(path.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(search);
  return entry;
}

bool IsNameSurrogate(DWORD attributes, DWORD tag) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         (tag == 0 || IsReparseTagNameSurrogate(tag));
}

}  // namespace win32

using win32::UniqueHandle;

bool IsLink(const std::wstring& path) {
  // Wine shows a Unix link in the attributes alone, without a tag in the listing.
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return false;
  }
  const std::optional<WIN32_FIND_DATAW> entry = win32::EntryOf(path);
  return !entry || !(entry->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
         win32::IsNameSurrogate(*entry);
}

bool FolderPins::Pin(const std::wstring& folder) {
  // Sharing is enforced only against a handle with data access: listing the folder is one.
  const HANDLE handle = CreateFileW(
      folder.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  // Only a folder that is not there goes unpinned. Any other failure may be another account's
  // handle that may delete the folder (one opened while the folder was open to it keeps that
  // right whatever access list the folder gets since), which sharing refuses to this one.
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }
  handles_.push_back(handle);
  // What is held now is what is judged: it can no longer be swapped.
  FILE_ATTRIBUTE_TAG_INFO tag = {};
  const bool held_link =
      GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof(tag)) &&
      win32::IsNameSurrogate(tag.FileAttributes, tag.ReparseTag);
  return !held_link && !IsLink(folder);
}

void FolderPins::Release() {
  for (void* handle : handles_) CloseHandle(handle);
  handles_.clear();
}

bool CanWriteIn(const std::wstring& folder) {
  if (GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // A name of its own each time: one a power cut left behind must not refuse the folder.
    const std::wstring name = L"\\~setup-probe." + std::to_wstring(RandomNumber()) + L".tmp";
    const UniqueHandle probe(
        CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return probe.get() != INVALID_HANDLE_VALUE;
  }
  const std::wstring highest = HighestMissingFolder(folder);
  if (highest.empty() || !CreateDirectoryW(highest.c_str(), nullptr)) return false;
  RemoveDirectoryW(highest.c_str());
  return true;
}

std::wstring HighestMissingFolder(const std::wstring& folder) {
  std::wstring highest;
  for (std::wstring at = folder; GetFileAttributesW(at.c_str()) == INVALID_FILE_ATTRIBUTES;) {
    highest = at;
    const std::size_t parent = at.find_last_of(L'\\');
    if (parent == std::wstring::npos || parent < 3) break;
    at = at.substr(0, parent);
  }
  return highest;
}

bool MakeFolders(const std::wstring& folder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return attributes & FILE_ATTRIBUTE_DIRECTORY;
  const std::size_t parent = folder.find_last_of(L'\\');
  if (parent != std::wstring::npos && parent > 2 && !MakeFolders(folder.substr(0, parent))) {
    return false;
  }
  return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}
namespace {

// A folder that is a link (a junction or a symbolic link) leads out of the tree: another account
// that can write in an older kit folder could point one at the user's documents. It is never
// gone into; RemoveTree removes the link alone.
bool IsFolder(const WIN32_FIND_DATAW& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !win32::IsNameSurrogate(entry);
}

bool IsFolderLink(const WIN32_FIND_DATAW& entry) {
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && win32::IsNameSurrogate(entry);
}

}  // namespace

void RemoveTree(const std::wstring& folder, const std::wstring& last) {
  if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  {
    // Held while it is emptied, without sharing its deletion: nobody can put a link in its
    // place meanwhile (another account, in a kit folder others could change). A link is never
    // gone into; only the link itself is removed.
    const UniqueHandle held(CreateFileW(
        folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (held.get() != INVALID_HANDLE_VALUE &&
        GetFileInformationByHandleEx(held.get(), FileAttributeTagInfo, &tag, sizeof(tag)) &&
        !win32::IsNameSurrogate(tag.FileAttributes, tag.ReparseTag) && !IsLink(folder)) {
      win32::ForEachEntry(folder, [&](const std::wstring& name, const WIN32_FIND_DATAW& entry) {
        const std::wstring path = folder + L"\\" + name;
        if (IsFolder(entry)) {
          RemoveTree(path);
        } else if (IsFolderLink(entry)) {
          RemoveDirectoryW(path.c_str());
        } else if (!SameName(name, last)) {
          DeleteFileW(path.c_str());
        }
      });
      if (!last.empty()) DeleteFileW((folder + L"\\" + last).c_str());
    }
  }
  RemoveDirectoryW(folder.c_str());
}

std::vector<std::wstring> FilesUnder(const std::wstring& folder) {
  std::vector<std::wstring> files;
  win32::ForEachEntry(folder, [&](const std::wstring& name, const WIN32_FIND_DATAW& entry) {
    if (IsFolder(entry)) {
      for (const std::wstring& file : FilesUnder(folder + L"\\" + name)) {
        files.push_back(name + L"\\" + file);
      }
    } else if (!IsFolderLink(entry)) {
      files.push_back(name);
    }
  });
  return files;
}

// The lock file goes when its handle closes, even when the tool is killed; one a power cut left,
// which nobody holds, is taken over. Held by another, it can not be opened: no sharing.
KitLock::KitLock(const std::wstring& folder) {
  const std::wstring path = folder + L"\\" + kLockFile;
  // Judged before it is opened: another account's lock file, which it made while it could write
  // in the folder, is no sign of another setup, and opening it could hand it the lock. A drive
  // without access lists tells no owner: a lock a power cut left there is taken over.
  const Found found = FindOf(path);
  if (found.exists && KeepsAccessLists(folder) != false &&
      (!found.security ||
       JudgeFolderSecurity(*found.security, CurrentUserSid()) == FolderTrust::kForeignOwner)) {
    return;
  }
  // The link itself if one were put there, never what it leads to: deleting it on close must
  // not delete a file elsewhere.
  const HANDLE file = CreateFileW(
      path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    busy_ = GetLastError() == ERROR_SHARING_VIOLATION;
    return;
  }
  FILE_ATTRIBUTE_TAG_INFO tag = {};
  if (GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof(tag)) &&
      (tag.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
    // Not a lock file of setup's: it stays, and the folder stays refused.
    FILE_DISPOSITION_INFO keep = {FALSE};
    SetFileInformationByHandle(file, FileDispositionInfo, &keep, sizeof(keep));
    CloseHandle(file);
    return;
  }
  handle_ = file;
}

KitLock::~KitLock() {
  if (handle_) CloseHandle(handle_);
}

std::wstring KitLock::Why(const std::wstring& folder) const {
  if (busy_) return L"Another setup or uninstaller is changing " + folder + L".";
  return L"Setup can not use its lock file, " + folder + L"\\" + kLockFile +
         L": another account of this computer made it, or you may not open it, so the folder "
         L"is not yours alone.";
}

std::optional<std::wstring> CanonicalFolder(const std::wstring& path) {
  const std::wstring named = WithoutVerbatimPrefix(path);
  if (!IsAbsolute(named) || HasStrippedPart(named)) return std::nullopt;
  std::wstring full(GetFullPathNameW(named.c_str(), 0, nullptr, nullptr), L'\0');
  const DWORD length =
      GetFullPathNameW(named.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return std::nullopt;
  full.resize(length);
  // The long names of the deepest folder that is there; the rest as it was given.
  std::wstring existing = full, rest;
  while (GetFileAttributesW(existing.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const std::size_t parent = existing.find_last_of(L'\\');
    if (parent == std::wstring::npos || parent < 2) break;
    rest = existing.substr(parent) + rest;
    existing.resize(parent);
  }
  std::wstring long_name(GetLongPathNameW(existing.c_str(), nullptr, 0), L'\0');
  const DWORD long_length =
      GetLongPathNameW(existing.c_str(), long_name.data(), static_cast<DWORD>(long_name.size()));
  if (long_length > 0 && long_length < long_name.size()) {
    long_name.resize(long_length);
    full = long_name + rest;
  }
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return WithoutVerbatimPrefix(full);
}

}  // namespace tolvane::kitsetup
