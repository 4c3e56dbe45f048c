#include "folder_rules.h"

#include <algorithm>

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
  for (const std::wstring& path : shipped.folders) {
    deepest = std::max(deepest, base + staging + path.size());
  }
  return deepest;
}

FolderVerdict JudgeKitFolder(const std::wstring& folder,
                             const std::vector<std::wstring>& system_folders,
                             const Manifest& shipped) {
  for (const std::wstring& system : system_folders) {
    if (IsUnder(folder, system)) return FolderVerdict::kSystemFolder;
  }
  return DeepestPath(folder, shipped) >= kMaxPath ? FolderVerdict::kTooLong
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

std::wstring KitFolderAccessList(const std::wstring& user_sid) {
  return L"D:P(A;OICI;FA;;;" + user_sid + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";
}

}  // namespace tolvane::kitsetup
