#include "folder_rules.h"

#include <algorithm>
#include <cwctype>

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
  const std::size_t aside = 4;  // ".new", ".old"
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

}  // namespace

FolderTrust JudgeFolderSecurity(const FolderSecurity& security, const std::wstring& user_sid) {
  if (!IsTrusted(security.owner, user_sid)) return FolderTrust::kForeignOwner;
  const bool open_to_others =
      !security.has_access_list ||
      std::any_of(security.entries.begin(), security.entries.end(), [&](const AccessEntry& entry) {
        return entry.allow && (entry.rights & kChangingRights) && !IsTrusted(entry.sid, user_sid) &&
               entry.sid != kCreatorOwner && entry.sid != kOwnerRights;
      });
  if (!open_to_others) return FolderTrust::kTrusted;
  return security.owner == user_sid ? FolderTrust::kProtect : FolderTrust::kOpenToOthers;
}

bool OthersCanReplace(const FolderSecurity& folder, const FolderSecurity& parent,
                      const std::wstring& user_sid) {
  // Delete it, or give oneself the right; delete what the parent holds, or give oneself that.
  constexpr std::uint32_t kReplacing = 0x00010000 | 0x00040000 | 0x00080000 | 0x10000000;
  constexpr std::uint32_t kEmptying = 0x0040 | 0x00040000 | 0x00080000 | 0x10000000;
  const auto others_may = [&](const FolderSecurity& security, std::uint32_t rights) {
    return !security.has_access_list ||
           std::any_of(security.entries.begin(), security.entries.end(), [&](const AccessEntry& e) {
             return e.allow && (e.rights & rights) && !IsTrusted(e.sid, user_sid);
           });
  };
  return !IsTrusted(folder.owner, user_sid) || others_may(folder, kReplacing) ||
         others_may(parent, kEmptying);
}

bool RefusesElevation(Elevation self, std::optional<Elevation> shell,
                      std::optional<bool> session_user) {
  if (session_user && !*session_user) return true;
  return self == Elevation::kFull && shell && *shell != Elevation::kFull;
}

std::wstring KitFolderAccessList(const std::wstring& user_sid) {
  return L"D:P(A;OICI;FA;;;" + user_sid + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";
}

}  // namespace tolvane::kitsetup
