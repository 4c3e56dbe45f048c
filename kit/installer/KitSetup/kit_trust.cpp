// Who may change the kit: the rights setup finds on the kit folder, on each folder above it and
// in it, gathered here and judged by the portable rules (folder_rules.h); the kit folder's access
// list given; and the staging folders earlier runs left, removed.
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

std::vector<Found> InsideOf(const std::wstring& folder, const std::vector<std::wstring>& inside) {
  std::vector<Found> found;
  for (const std::wstring& path : inside) found.push_back(FindOf(Join(folder, path)));
  return found;
}

KitTrust Refused(std::wstring why) { return {kFolderRefused, std::move(why)}; }

}  // namespace

KitTrust JudgeKit(const std::wstring& folder, const std::vector<std::wstring>& inside, Stage stage,
                  bool unprotected_allowed) {
  const std::optional<bool> keeps = KeepsAccessLists(folder);
  const std::wstring unprotectable = WhyUnprotectable(keeps);
  if (!unprotectable.empty() && !unprotected_allowed) {
    return {kUnprotectedVolume, unprotectable};
  }
  // Nobody's rights can be told there: any account may have changed any file. A drive that
  // could not be asked is still judged by the rights its folders show.
  if (keeps == false) return {kDone, L"", true, true};
  const std::wstring user = CurrentUserSid();
  if (user.empty()) return Refused(L"Setup could not tell which account it runs as.");
  const std::vector<Found> chain = ChainOf(folder), in = InsideOf(folder, inside);
  const std::wstring why = WhyUntrusted(chain, in, user, stage);
  if (!why.empty()) return Refused(why);
  const bool readable = chain.front().security && OthersMayRead(*chain.front().security, user);
  std::vector<Found> judged = in;
  judged.push_back(chain.front());
  if (!WasOpenToOthers(judged, user)) return {kDone, L"", false, false, readable};
  const std::wstring tree = WhyTreeUntrusted(TreeOf(folder), user);
  if (!tree.empty()) return Refused(tree);
  return {kDone, L"", true, false, readable};
}

std::wstring ProtectKitFolder(const std::wstring& folder, const std::vector<std::wstring>& inside,
                              bool was_open) {
  if (!ProtectFolder(folder, KitFolderAccessList(CurrentUserSid()))) {
    return L"Setup could not give " + folder +
           L" an access list that keeps other accounts of this computer from changing it.";
  }
  // At once, before the folder is judged again: a run cut off from here on (a link planted to
  // make the next check refuse, a power cut) leaves the next setup knowing that others could
  // change the files, until every file of the kit is in place.
  if (was_open && !WriteFileBytes(Join(folder, kOpenedMark), "")) {
    return L"Setup could not write in " + folder + L".";
  }
  const KitTrust after = JudgeKit(folder, inside, Stage::kAfterProtecting, false);
  if (after.code != kDone) return after.why;
  // A link or another account's file made while setup protected the folder.
  return was_open ? WhyTreeUntrusted(TreeOf(folder), CurrentUserSid()) : L"";
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
