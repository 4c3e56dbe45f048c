#include "folder_rules.h"

#include <algorithm>
#include <cwctype>

#include "report.h"

namespace tolvane::kitsetup {
namespace {

constexpr std::size_t kStagingDigits = 16;

std::wstring WithoutTrailingSeparator(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

bool IsHexDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f'); }

}  // namespace

std::wstring StagingName(std::uint64_t random) {
  constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring name = kStagingPrefix;
  for (int shift = 60; shift >= 0; shift -= 4) name.push_back(kDigits[(random >> shift) & 15]);
  return name;
}

bool IsStagingName(const std::wstring& name) {
  const std::wstring prefix = kStagingPrefix;
  return name.size() == prefix.size() + kStagingDigits &&
         name.compare(0, prefix.size(), prefix) == 0 &&
         std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                     IsHexDigit);
}

bool IsUnder(const std::wstring& path, const std::wstring& folder) {
  const std::wstring p = WithoutTrailingSeparator(path), f = WithoutTrailingSeparator(folder);
  if (f.empty() || p.size() < f.size() || !SameName(p.substr(0, f.size()), f)) return false;
  return p.size() == f.size() || p[f.size()] == L'\\';
}

std::size_t DeepestPath(const std::wstring& folder, const Manifest& shipped) {
  const std::size_t base = WithoutTrailingSeparator(folder).size() + 1;
  const std::size_t staging =
      std::char_traits<wchar_t>::length(kStagingPrefix) + kStagingDigits + 1;
  const std::size_t aside = std::char_traits<wchar_t>::length(kKeptFolder) + 1 + 4;  // ".old"
  std::size_t deepest = base;
  for (const auto& [path, hash] : shipped.files) {
    deepest = std::max(deepest, base + path.size() + std::max(staging, aside));
  }
  return deepest;
}

std::size_t DeepestFolder(const std::wstring& folder, const Manifest& shipped) {
  const std::size_t base = WithoutTrailingSeparator(folder).size();
  const std::size_t staging =
      1 + std::char_traits<wchar_t>::length(kStagingPrefix) + kStagingDigits;
  std::size_t deepest = base + staging;
  for (const auto& [path, hash] : shipped.files) {
    const std::size_t parent = path.find_last_of(L'\\');
    if (parent != std::wstring::npos) deepest = std::max(deepest, base + staging + 1 + parent);
  }
  for (const std::wstring& path : shipped.folders) {
    deepest = std::max(deepest, base + staging + 1 + path.size());
  }
  return deepest;
}

std::wstring WithoutVerbatimPrefix(const std::wstring& path) {
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
  return path;
}

bool IsAbsolute(const std::wstring& path) {
  const bool drive =
      path.size() >= 3 && std::iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\';
  const bool share = path.size() > 2 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\' &&
                     path[2] != L'?' && path[2] != L'.';
  return drive || share;
}

bool HasStrippedPart(const std::wstring& path) {
  for (std::size_t start = 0; start <= path.size();) {
    std::size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring part = path.substr(start, end - start);
    if (!part.empty() && part != L"." && part != L".." &&
        (part.back() == L'.' || part.back() == L' ')) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

namespace {

// "C:\" or "\\server\share": nothing after the drive or the share.
bool IsRoot(const std::wstring& folder) {
  const std::wstring f = WithoutTrailingSeparator(folder);
  if (f.size() == 2 && f[1] == L':') return true;
  if (f.compare(0, 2, L"\\\\") != 0) return false;
  const std::size_t share = f.find(L'\\', 2);
  return share == std::wstring::npos || f.find(L'\\', share + 1) == std::wstring::npos;
}

}  // namespace

FolderVerdict JudgeKitFolder(const std::wstring& folder,
                             const std::vector<std::wstring>& system_folders,
                             const Manifest& shipped) {
  if (!IsAbsolute(folder)) return FolderVerdict::kNotAbsolute;
  if (IsRoot(folder)) return FolderVerdict::kRoot;
  if (WithoutTrailingSeparator(folder).size() > kMaxFolder) return FolderVerdict::kTooLong;
  for (const std::wstring& system : system_folders) {
    if (IsUnder(folder, system)) return FolderVerdict::kSystemFolder;
  }
  return DeepestPath(folder, shipped) >= kMaxPath || DeepestFolder(folder, shipped) > kMaxFolder
             ? FolderVerdict::kTooLong
             : FolderVerdict::kUsable;
}

std::vector<std::wstring> FoldersOnTheWay(std::initializer_list<const Manifest*> records) {
  std::set<std::wstring, NameLess> folders;
  const auto add_parents = [&](const std::wstring& path) {
    for (std::size_t end = path.find(L'\\'); end != std::wstring::npos;
         end = path.find(L'\\', end + 1)) {
      folders.insert(path.substr(0, end));
    }
  };
  for (const Manifest* record : records) {
    for (const std::wstring& folder : record->folders) {
      add_parents(folder);
      folders.insert(folder);
    }
    for (const auto& [path, hashes] : record->files) add_parents(path);
  }
  // Sorted paths put a folder before what it holds.
  return {folders.begin(), folders.end()};
}

std::vector<std::wstring> KitPrograms(const std::vector<std::wstring>& images,
                                      const std::wstring& folder, const std::wstring& except) {
  std::vector<std::wstring> programs;
  for (const std::wstring& image : images) {
    if (IsUnder(image, folder) && !SameName(image, except)) programs.push_back(image);
  }
  return programs;
}

namespace {

constexpr wchar_t kSystem[] = L"S-1-5-18";
constexpr wchar_t kLocalService[] = L"S-1-5-19";
constexpr wchar_t kNetworkService[] = L"S-1-5-20";
constexpr wchar_t kAdministrators[] = L"S-1-5-32-544";
constexpr wchar_t kTrustedInstaller[] =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
// Stands for whoever makes a file in the folder, and for the owner: nobody else.
constexpr wchar_t kCreatorOwner[] = L"S-1-3-0";
constexpr wchar_t kOwnerRights[] = L"S-1-3-4";

// Rights that change a folder or what is in it: write, append (make folders), extended
// attributes, delete what it holds, attributes, delete, change the access list or the owner,
// and the generic write and all.
constexpr std::uint32_t kChangingRights = 0x0002 | 0x0004 | 0x0010 | 0x0040 | 0x0100 | 0x00010000 |
                                          0x00040000 | 0x00080000 | 0x40000000 | 0x10000000;

bool IsTrusted(const std::wstring& sid, const std::wstring& user_sid) {
  return sid == user_sid || sid == kSystem || sid == kAdministrators || sid == kTrustedInstaller;
}

// An entry that gives an account other than the trusted ones one of `rights`.
bool GivesOthers(const AccessEntry& entry, std::uint32_t rights, const std::wstring& user_sid) {
  return entry.allow && (entry.rights & rights) && !IsTrusted(entry.sid, user_sid) &&
         entry.sid != kCreatorOwner && entry.sid != kOwnerRights;
}

template <typename Counts>
bool AnyGivesOthers(const FolderSecurity& security, std::uint32_t rights,
                    const std::wstring& user_sid, Counts counts) {
  return !security.has_access_list ||
         std::any_of(security.entries.begin(), security.entries.end(), [&](const AccessEntry& e) {
           return counts(e) && GivesOthers(e, rights, user_sid);
         });
}

bool Always(const AccessEntry&) { return true; }
bool OnTheFolderItself(const AccessEntry& e) { return !(e.flags & kInheritOnly); }

}  // namespace

FolderTrust JudgeFolderSecurity(const FolderSecurity& security, const std::wstring& user_sid) {
  if (!IsTrusted(security.owner, user_sid)) return FolderTrust::kForeignOwner;
  if (!AnyGivesOthers(security, kChangingRights, user_sid, Always)) return FolderTrust::kTrusted;
  return security.owner == user_sid ? FolderTrust::kProtect : FolderTrust::kOpenToOthers;
}

bool OthersCanReplace(const FolderSecurity& folder, const FolderSecurity& parent,
                      const std::wstring& user_sid) {
  // Delete it, or give oneself the right; delete what the parent holds, or give oneself that.
  constexpr std::uint32_t kReplacing = 0x00010000 | 0x00040000 | 0x00080000 | 0x10000000;
  constexpr std::uint32_t kEmptying = 0x0040 | 0x00040000 | 0x00080000 | 0x10000000;
  return !IsTrusted(folder.owner, user_sid) ||
         AnyGivesOthers(folder, kReplacing, user_sid, OnTheFolderItself) ||
         AnyGivesOthers(parent, kEmptying, user_sid, OnTheFolderItself);
}

FolderSecurity MadeIn(const FolderSecurity& parent, const std::wstring& user_sid) {
  FolderSecurity made{user_sid, parent.has_access_list, {}};
  for (const AccessEntry& entry : parent.entries) {
    const bool onward = !(entry.flags & kNoPropagate);
    constexpr std::uint8_t kInheritance = kObjectInherit | kContainerInherit;
    if (entry.flags & kContainerInherit) {
      made.entries.push_back(
          {entry.allow, entry.sid == kCreatorOwner ? user_sid : entry.sid, entry.rights,
           static_cast<std::uint8_t>(
               kInherited |
               (onward && entry.sid != kCreatorOwner ? entry.flags & kInheritance : 0))});
    }
    // Handed on to what the new folder will hold, with no right on the folder itself.
    if (onward && (entry.flags & kInheritance) &&
        (entry.sid == kCreatorOwner || !(entry.flags & kContainerInherit))) {
      made.entries.push_back(
          {entry.allow, entry.sid, entry.rights,
           static_cast<std::uint8_t>(kInherited | kInheritOnly | (entry.flags & kInheritance))});
    }
  }
  return made;
}

namespace {

std::wstring UnreadableRights(const std::wstring& path) {
  return L"Setup can not read who may change " + path +
         L", so it can not tell whether other accounts of this computer could change it.";
}

}  // namespace

namespace {

// The entry's path in the kit folder, for a list under the kit folder's name.
std::wstring InTheKit(const Found& entry, const std::wstring& kit) {
  std::wstring name = entry.path;
  if (name.size() > kit.size() && IsUnder(name, kit)) name.erase(0, kit.size() + 1);
  return name;
}

// Every entry of the kit (its folder first) that another account owns, that lets other accounts
// change it, or whose rights can not be read.
std::wstring WhyKitUntrusted(const Found& kit, const std::vector<Found>& tree,
                             const std::wstring& user_sid) {
  std::vector<std::wstring> owned, open, unread;
  const auto judge = [&](const Found& entry) {
    if (!entry.exists) return;
    const std::wstring name = InTheKit(entry, kit.path);
    if (!entry.security) {
      unread.push_back(name);
      return;
    }
    switch (JudgeFolderSecurity(*entry.security, user_sid)) {
      case FolderTrust::kForeignOwner:
        owned.push_back(name);
        break;
      case FolderTrust::kProtect:
      case FolderTrust::kOpenToOthers:
        open.push_back(name);
        break;
      case FolderTrust::kTrusted:
        break;
    }
  };
  judge(kit);
  for (const Found& entry : tree) judge(entry);
  if (owned.empty() && open.empty() && unread.empty()) return L"";
  return L"Other accounts of this computer can change what is in " + kit.path +
         L", or could have, so setup does not trust the programs in it.\r\n\r\n" +
         Listed(L"Another account owns:", owned) + Listed(L"Other accounts may change:", open) +
         Listed(L"Setup can not read who may change:", unread);
}

}  // namespace

Distrust WhyUntrusted(const std::vector<Found>& chain, const std::vector<Found>& tree,
                      const std::wstring& user_sid) {
  // Each folder of the chain with the rights it has, or, when setup has yet to make it, those it
  // will take. The kit folder's own are judged with its tree: as a child of the folder above,
  // only whether others may empty that folder counts for it.
  std::vector<std::optional<FolderSecurity>> rights(chain.size());
  for (std::size_t i = chain.size(); i-- > 0;) {
    if (i == 0) {
      rights[i] = FolderSecurity{user_sid, true, {}};
    } else if (chain[i].exists) {
      rights[i] = chain[i].security;
    } else if (i + 1 < chain.size() && rights[i + 1]) {
      rights[i] = MadeIn(*rights[i + 1], user_sid);
    }
  }
  for (std::size_t above = 1; above < chain.size(); ++above) {
    const Found& child = chain[above - 1];
    const Found& parent = chain[above];
    if (above > 1 && child.exists && child.link) {
      return {child.path + L" is a link to another folder, which another account could change."};
    }
    if (!rights[above]) return {UnreadableRights(parent.path)};
    if (!rights[above - 1]) return {UnreadableRights(child.path)};
    if (OthersCanReplace(*rights[above - 1], *rights[above], user_sid)) {
      return {child.exists || above == 1
                  ? L"Other accounts of this computer could rename or delete " + child.path +
                        L" and put a folder of their own in its place."
                  : L"Setup would have to make the folder " + child.path +
                        L", which other accounts of this computer could rename or delete: it "
                        L"would take the rights of " +
                        parent.path + L"."};
    }
  }
  if (chain.empty()) return {};
  // Only a kit folder of the user's own is theirs to leave for a new one, with their settings:
  // one another account made holds what that account put there.
  const std::wstring kit = WhyKitUntrusted(chain.front(), tree, user_sid);
  const bool users_own = chain.front().security && chain.front().security->owner == user_sid;
  return {kit, !kit.empty() && users_own};
}

bool OthersMayRead(const FolderSecurity& security, const std::wstring& user_sid) {
  return AnyGivesOthers(security, 0xFFFFFFFF, user_sid, Always);
}

std::wstring WhyUnprotectable(std::optional<bool> keeps_access_lists) {
  if (!keeps_access_lists) {
    return L"Setup could not ask the folder's drive whether it keeps access lists, so it can not "
           L"keep other accounts of this computer from changing Tolvane Chat's programs there.";
  }
  if (!*keeps_access_lists) {
    return L"The folder's drive keeps no access lists (a FAT32 or exFAT drive, a memory card, or "
           L"a network share without them): any account of this computer could change Tolvane "
           L"Chat's programs there, such as the one you run as administrator.";
  }
  return L"";
}

bool RefusesElevation(Elevation self, std::optional<Elevation> shell,
                      std::optional<bool> session_user) {
  if (session_user && !*session_user) return true;
  return self == Elevation::kFull && shell && *shell != Elevation::kFull;
}

bool IsServiceAccount(const std::wstring& sid) {
  return sid == kSystem || sid == kLocalService || sid == kNetworkService;
}

std::wstring WhyAccountRefused(const std::wstring& user_sid, Elevation self,
                               std::optional<Elevation> shell, std::optional<bool> session_user) {
  constexpr wchar_t kForOneUser[] =
      L"Tolvane Chat is installed for one user, who keeps its settings in its folder: please run "
      L"setup as the user who will use Tolvane Chat";
  if (IsServiceAccount(user_sid)) {
    return L"Setup is running as a service account of Windows (SYSTEM, LocalService or "
           L"NetworkService), as deployment tools run programs.\r\n\r\n" +
           std::wstring(kForOneUser) + L", in that user's session.";
  }
  if (RefusesElevation(self, shell, session_user)) {
    return L"Setup is running as administrator.\r\n\r\n" + std::wstring(kForOneUser) +
           L", without \"Run as administrator\".";
  }
  return L"";
}

std::wstring KitFolderAccessList(const std::wstring& user_sid) {
  return L"D:P(A;OICI;FA;;;" + user_sid + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
}

}  // namespace tolvane::kitsetup
