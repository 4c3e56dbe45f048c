#include "folder_rules.h"

#include <algorithm>
#include <cwctype>

namespace tolvane::kitsetup {
namespace {

std::wstring WithoutTrailingSeparator(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

bool SameLetters(const std::wstring& a, const std::wstring& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](wchar_t x, wchar_t y) { return std::towupper(x) == std::towupper(y); });
}

}  // namespace

bool IsUnder(const std::wstring& path, const std::wstring& folder) {
  const std::wstring p = WithoutTrailingSeparator(path), f = WithoutTrailingSeparator(folder);
  if (f.empty() || p.size() < f.size() || !SameLetters(p.substr(0, f.size()), f)) return false;
  return p.size() == f.size() || p[f.size()] == L'\\';
}

std::size_t DeepestPath(const std::wstring& folder, const Manifest& shipped) {
  const std::size_t base = WithoutTrailingSeparator(folder).size() + 1;
  const std::size_t staging = std::char_traits<wchar_t>::length(kStagingFolder) + 1;
  const std::size_t beside = 4;  // ".new"
  std::size_t deepest = base;
  for (const auto& [path, hash] : shipped.files) {
    deepest = std::max(deepest, base + path.size() + std::max(staging, beside));
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

std::vector<std::wstring> KitPrograms(const std::vector<std::wstring>& images,
                                      const std::wstring& folder, const std::wstring& except) {
  std::vector<std::wstring> programs;
  for (const std::wstring& image : images) {
    if (IsUnder(image, folder) && !SameLetters(image, except)) programs.push_back(image);
  }
  return programs;
}

std::wstring KitFolderAccessList(const std::wstring& user_sid) {
  return L"D:P(A;OICI;FA;;;" + user_sid + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";
}

}  // namespace tolvane::kitsetup
