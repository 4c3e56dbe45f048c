// Who setup runs as, and the owners and access lists of the kit's folders and files: read by
// handle without following a link, given to the kit folder, and whether its drive keeps them.
#include <windows.h>
// After windows.h:
#include <aclapi.h>
#include <sddl.h>

#include "names.h"
#include "system.h"
#include "win32.h"

namespace tolvane::kitsetup {
namespace win32 {

std::wstring SidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!sid || !ConvertSidToStringSidW(sid, &text)) return L"";
  const std::unique_ptr<void, LocalFreer> owner(text);
  return text;
}

}  // namespace win32

using win32::LocalFreer;
using win32::SidText;
using win32::UniqueHandle;

namespace {

Elevation ElevationOf(HANDLE process) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &raw)) return Elevation::kDefault;
  const UniqueHandle token(raw);
  TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenElevationType, &type, sizeof(type), &size);
  return type == TokenElevationTypeFull      ? Elevation::kFull
         : type == TokenElevationTypeLimited ? Elevation::kLimited
                                             : Elevation::kDefault;
}

}  // namespace

Elevation ThisProcessElevation() { return ElevationOf(GetCurrentProcess()); }

std::optional<bool> SameUserAsSession() {
  // wtsapi32.dll is no known system library: loaded from System32, by name.
  const win32::UniqueLibrary library(
      LoadLibraryExW(L"wtsapi32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!library) return std::nullopt;
  using Query = BOOL(WINAPI*)(HANDLE, DWORD, int, LPWSTR*, DWORD*);
  using Free = void(WINAPI*)(PVOID);
  const auto query = win32::Find<Query>(library.get(), "WTSQuerySessionInformationW");
  const auto free = win32::Find<Free>(library.get(), "WTSFreeMemory");
  if (!query || !free) return std::nullopt;
  const auto session_text = [&](int what) -> std::optional<std::wstring> {
    wchar_t* text = nullptr;
    DWORD size = 0;
    // WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION; 5 and 7 are WTSUserName, WTSDomainName.
    if (!query(nullptr, static_cast<DWORD>(-1), what, &text, &size) || !text) return std::nullopt;
    const std::wstring value = text;
    free(text);
    return value;
  };
  const std::optional<std::wstring> user = session_text(5), domain = session_text(7);
  if (!user || user->empty()) return std::nullopt;
  const std::wstring account = domain && !domain->empty() ? *domain + L"\\" + *user : *user;
  DWORD sid_size = 0, domain_size = 0;
  SID_NAME_USE use;
  LookupAccountNameW(nullptr, account.c_str(), nullptr, &sid_size, nullptr, &domain_size, &use);
  std::string sid(sid_size, '\0');
  std::wstring found_domain(domain_size, L'\0');
  if (sid_size == 0 || !LookupAccountNameW(nullptr, account.c_str(), sid.data(), &sid_size,
                                           found_domain.data(), &domain_size, &use)) {
    return std::nullopt;
  }
  return SidText(sid.data()) == CurrentUserSid();
}

std::optional<Elevation> ShellElevation() {
  DWORD id = 0;
  const HWND shell = GetShellWindow();
  if (!shell || !GetWindowThreadProcessId(shell, &id)) return std::nullopt;
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  if (!process) return std::nullopt;
  return ElevationOf(process.get());
}

std::wstring CurrentUserSid() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) return L"";
  const UniqueHandle token(raw);
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  std::string buffer(size, '\0');
  wchar_t* text = nullptr;
  if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size) ||
      !ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
    return L"";
  }
  const std::unique_ptr<void, LocalFreer> owner(text);
  return text;
}

FolderSecurity SecurityOf(void* descriptor) {
  PSID owner = nullptr;
  PACL list = nullptr;
  BOOL defaulted = FALSE, present = FALSE;
  GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
  GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted);
  FolderSecurity security{SidText(owner), present && list != nullptr, {}};
  for (DWORD i = 0; security.has_access_list && i < list->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    if (!GetAce(list, i, reinterpret_cast<void**>(&header))) continue;
    // Allowed and denied entries share their layout up to the SID. Any other kind that allows
    // (with a condition, for an object type) counts as allowing anybody anything.
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_DENIED_ACE_TYPE) {
      const bool allows = header->AceType == ACCESS_ALLOWED_COMPOUND_ACE_TYPE ||
                          header->AceType == ACCESS_ALLOWED_OBJECT_ACE_TYPE ||
                          header->AceType == ACCESS_ALLOWED_CALLBACK_ACE_TYPE ||
                          header->AceType == ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE;
      if (allows) security.entries.push_back({true, L"", 0xFFFFFFFF, header->AceFlags});
      continue;
    }
    const auto* entry = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
    security.entries.push_back({header->AceType == ACCESS_ALLOWED_ACE_TYPE,
                                SidText(const_cast<DWORD*>(&entry->SidStart)), entry->Mask,
                                header->AceFlags});
  }
  return security;
}

std::optional<std::string> ReadUsersOwnFile(const std::wstring& path, std::size_t limit) {
  const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | READ_CONTROL, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr));
  FILE_ATTRIBUTE_TAG_INFO tag = {};
  if (file.get() == INVALID_HANDLE_VALUE ||
      !GetFileInformationByHandleEx(file.get(), FileAttributeTagInfo, &tag, sizeof(tag)) ||
      (tag.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
    return std::nullopt;
  }
  std::wstring where(32768, L'\0');
  where.resize(GetFinalPathNameByHandleW(file.get(), where.data(),
                                         static_cast<DWORD>(where.size()), FILE_NAME_NORMALIZED));
  if (!SameName(where, L"\\\\?\\" + path)) return std::nullopt;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(file.get(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, nullptr, nullptr,
                      nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  const std::unique_ptr<void, LocalFreer> held(descriptor);
  if (SecurityOf(descriptor).owner != CurrentUserSid()) return std::nullopt;
  std::string bytes(limit + 1, '\0');
  DWORD got = 0;
  if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
      got > limit) {
    return std::nullopt;
  }
  bytes.resize(got);
  return bytes;
}

Found FindOf(const std::wstring& path) {
  // The entry itself, a link included; reading its rights needs no access to its data, so
  // neither a program holding it nor a cloud file stored online only keeps setup from it.
  const UniqueHandle handle(
      CreateFileW(path.c_str(), READ_CONTROL | FILE_READ_ATTRIBUTES,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (handle.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return {path, !missing, !missing && IsLink(path), std::nullopt};
  }
  FILE_ATTRIBUTE_TAG_INFO tag = {};
  const bool link =
      !GetFileInformationByHandleEx(handle.get(), FileAttributeTagInfo, &tag, sizeof(tag)) ||
      win32::IsNameSurrogate(tag.FileAttributes, tag.ReparseTag) || IsLink(path);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle.get(), SE_FILE_OBJECT,
                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                      nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return {path, true, link, std::nullopt};
  }
  const std::unique_ptr<void, LocalFreer> held(descriptor);
  return {path, true, link, SecurityOf(descriptor)};
}

std::vector<Found> TreeOf(const std::wstring& folder) {
  std::vector<Found> tree;
  win32::ForEachEntry(folder, [&](const std::wstring& name, const WIN32_FIND_DATAW& entry) {
    Found found = FindOf(folder + L"\\" + name);
    const bool into = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !found.link &&
                      !win32::IsNameSurrogate(entry);
    tree.push_back(std::move(found));
    if (into) {
      std::vector<Found> below = TreeOf(tree.back().path);
      tree.insert(tree.end(), std::make_move_iterator(below.begin()),
                  std::make_move_iterator(below.end()));
    }
  });
  return tree;
}

std::optional<bool> KeepsAccessLists(const std::wstring& folder) {
  // The volume of the deepest folder that is there (the kit folder may not be made yet), asked
  // through a handle: a folder may be a volume mounted in another's.
  std::wstring existing = folder;
  while (GetFileAttributesW(existing.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const std::size_t parent = existing.find_last_of(L'\\');
    if (parent == std::wstring::npos || parent < 3) break;
    existing.resize(parent);
  }
  const UniqueHandle handle(CreateFileW(existing.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                        nullptr));
  DWORD flags = 0;
  if (handle.get() == INVALID_HANDLE_VALUE ||
      !GetVolumeInformationByHandleW(handle.get(), nullptr, 0, nullptr, nullptr, &flags, nullptr,
                                     0)) {
    return std::nullopt;
  }
  return (flags & FILE_PERSISTENT_ACLS) != 0;
}

bool ProtectFolder(const std::wstring& folder, const std::wstring& sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return false;
  }
  const std::unique_ptr<void, LocalFreer> held(descriptor);
  BOOL present = FALSE, defaulted = FALSE;
  PACL list = nullptr;
  return GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) && present &&
         SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                               nullptr, nullptr, list, nullptr) == ERROR_SUCCESS;
}

std::optional<std::wstring> MakeFolderWithAccessList(const std::wstring& folder,
                                                     const std::wstring& sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return std::nullopt;
  }
  const std::unique_ptr<void, LocalFreer> owner(descriptor);
  wchar_t* passed = nullptr;
  if (!ConvertSecurityDescriptorToStringSecurityDescriptorW(
          descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &passed, nullptr)) {
    return std::nullopt;
  }
  const std::unique_ptr<void, LocalFreer> text(passed);
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
  if (!CreateDirectoryW(folder.c_str(), &attributes)) return std::nullopt;
  return passed;
}

}  // namespace tolvane::kitsetup
