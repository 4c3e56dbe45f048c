// Who may change the kit: the rights setup finds on the kit folder, on each folder above it and
// on every entry in it, gathered here and judged by the portable rules (folder_rules.h); the kit
// folder's access list given; a new folder offered; and the staging folders earlier runs left,
// removed.
#include <windows.h>

#include "commands.h"
#include "folder_rules.h"
#include "system.h"

namespace tolvane::kitsetup {
namespace {

// The folder a folder is in; empty for a drive's or a share's root.
std::wstring ParentOf(const std::wstring& folder) {
  const std::size_t cut = folder.find_last_of(L'\\');
  if (cut == std::wstring::npos || folder.size() <= 3) return L"";
  if (folder.compare(0, 2, L"\\\\") == 0 &&
      folder.find(L'\\', folder.find(L'\\', 2) + 1) == std::wstring::npos) {
    return L"";  // "\\\\server\\share"
  }
  return cut == 2 ? folder.substr(0, 3) : folder.substr(0, cut);
}

// The kit folder and each folder above it, up to its drive's or share's root.
std::vector<Found> ChainOf(const std::wstring& folder) {
  std::vector<Found> chain;
  for (std::wstring at = folder; !at.empty(); at = ParentOf(at)) chain.push_back(FindOf(at));
  return chain;
}

}  // namespace

KitTrust JudgeKit(const std::wstring& folder, bool unprotected_allowed) {
  const std::optional<bool> keeps = KeepsAccessLists(folder);
  const std::wstring unprotectable = WhyUnprotectable(keeps);
  if (!unprotectable.empty() && !unprotected_allowed) {
    return {kUnprotectedVolume, unprotectable};
  }
  // Nobody's rights can be told there: any account may have changed any file. A drive that
  // could not be asked is still judged by the rights its folders show.
  if (keeps == false) return {kDone, L"", true};
  const std::wstring user = CurrentUserSid();
  if (user.empty()) return {kFolderRefused, L"Setup could not tell which account it runs as."};
  const std::vector<Found> chain = ChainOf(folder);
  const Distrust distrust = WhyUntrusted(chain, TreeOf(folder), user);
  if (!distrust.why.empty()) {
    return {distrust.in_the_kit ? kOpenKitFolder : kFolderRefused, distrust.why};
  }
  return {kDone, L"", false,
          chain.front().security && OthersMayRead(*chain.front().security, user)};
}

std::wstring ProtectKitFolder(const std::wstring& folder) {
  if (!ProtectFolder(folder, KitFolderAccessList(CurrentUserSid()))) {
    return L"Setup could not give " + folder +
           L" an access list that keeps other accounts of this computer from reading it.";
  }
  return JudgeKit(folder, false).why;
}

std::wstring NewFolderBeside(const std::wstring& folder) {
  std::wstring free = folder + L"2";
  for (int n = 3; n < 100 && GetFileAttributesW(free.c_str()) != INVALID_FILE_ATTRIBUTES; ++n) {
    free = folder + std::to_wstring(n);
  }
  return free;
}

bool IsOwnStaging(const std::wstring& kit, const std::wstring& name) {
  if (!IsStagingName(name) || IsLink(Join(kit, name))) return false;
  const auto [presence, bytes] = ReadFileBytes(Join(kit, name + L"\\" + kStagingMarker));
  return presence == Presence::kThere && bytes == std::string(name.begin(), name.end());
}

std::vector<std::wstring> RemoveLeftStaging(const std::wstring& kit) {
  std::vector<std::wstring> left;
  WIN32_FIND_DATAW entry;
  const HANDLE search =
      FindFirstFileW(Join(kit, std::wstring(kStagingPrefix) + L"*").c_str(), &entry);
  std::vector<std::wstring> names;
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &entry)) {
    names.push_back(entry.cFileName);
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  for (const std::wstring& name : names) {
    if (!IsOwnStaging(kit, name)) continue;
    // Its mark last: a folder a held file keeps is still known for setup's.
    RemoveTree(Join(kit, name), kStagingMarker);
    if (GetFileAttributesW(Join(kit, name).c_str()) != INVALID_FILE_ATTRIBUTES) {
      left.push_back(name);
    }
  }
  return left;
}

}  // namespace tolvane::kitsetup
