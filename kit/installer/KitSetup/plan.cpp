#include "plan.h"

#include <algorithm>
#include <cwctype>

namespace tolvane::kitsetup {
namespace {

// Sorted paths put a folder before what it holds: reversed, each folder comes after its contents.
std::vector<std::wstring> DeepestFirst(const std::set<std::wstring>& folders) {
  return {folders.rbegin(), folders.rend()};
}

bool AsInstalled(const Manifest& manifest, const std::wstring& path,
                 const std::optional<std::wstring>& hash) {
  const auto entry = manifest.files.find(path);
  return hash && entry != manifest.files.end() && entry->second == *hash;
}

// Windows finds a file by its name in any letter case: "Readme.TXT" and "readme.txt" are one.
// NAME.new unless the user has a file of that name, one that is neither setup's earlier copy
// nor the new version itself; then NAME.new2, NAME.new3 and on.
std::wstring BesideName(const Manifest& previous, const std::wstring& path,
                        const std::wstring& hash, const HashOnDisk& disk) {
  for (int n = 1;; ++n) {
    const std::wstring name = path + kBesideSuffix + (n == 1 ? L"" : std::to_wstring(n));
    const std::optional<std::wstring> now = disk(name);
    if (!now || *now == hash || AsInstalled(previous, name, now)) return name;
  }
}

std::wstring FoldCase(std::wstring path) {
  for (wchar_t& c : path) c = static_cast<wchar_t>(std::towlower(c));
  return path;
}

}  // namespace

InstallPlan PlanInstall(const Manifest& previous, const Manifest& shipped, const HashOnDisk& disk) {
  InstallPlan plan;
  std::set<std::wstring> written;
  for (const auto& [path, hash] : shipped.files) {
    const std::optional<std::wstring> now = disk(path);
    // A file setup does not know, different from the shipped one, is the user's as well.
    if (!now || *now == hash || AsInstalled(previous, path, now)) {
      plan.put.push_back(path);
      written.insert(path);
    } else {
      plan.beside.push_back({path, BesideName(previous, path, hash, disk)});
      written.insert(plan.beside.back().new_path);
    }
  }
  // A file no longer shipped under its name may be shipped under the same name in another
  // letter case: removing it would remove the file just put there.
  std::set<std::wstring> kept;
  for (const std::wstring& path : written) kept.insert(FoldCase(path));
  for (const auto& [path, hash] : shipped.files) kept.insert(FoldCase(path));
  for (const auto& [path, hash] : previous.files) {
    if (kept.count(FoldCase(path))) continue;
    if (AsInstalled(previous, path, disk(path))) plan.remove.push_back(path);
  }
  std::set<std::wstring> stale;
  std::set_difference(previous.folders.begin(), previous.folders.end(), shipped.folders.begin(),
                      shipped.folders.end(), std::inserter(stale, stale.end()));
  plan.stale_folders = DeepestFirst(stale);
  return plan;
}

Manifest Installed(const Manifest& previous, const Manifest& shipped, const InstallPlan& plan,
                   const std::set<std::wstring>& failed) {
  Manifest installed;
  installed.folders = shipped.folders;
  const auto keep_previous = [&](const std::wstring& path) {
    const auto entry = previous.files.find(path);
    if (entry != previous.files.end()) installed.files.insert(*entry);
  };
  for (const std::wstring& path : plan.put) {
    if (failed.count(path)) {
      keep_previous(path);
    } else {
      installed.files[path] = shipped.files.at(path);
    }
  }
  for (const Beside& beside : plan.beside) {
    // The user's file keeps the shipped hash on record: it differs, so it stays theirs.
    installed.files[beside.path] = shipped.files.at(beside.path);
    if (failed.count(beside.path)) {
      keep_previous(beside.new_path);
    } else {
      installed.files[beside.new_path] = shipped.files.at(beside.path);
    }
  }
  for (const std::wstring& path : plan.remove) {
    if (failed.count(path)) keep_previous(path);
  }
  // A stale folder that still holds something is tried again by the uninstaller.
  installed.folders.insert(plan.stale_folders.begin(), plan.stale_folders.end());
  return installed;
}

UninstallPlan PlanUninstall(const Manifest& installed, const HashOnDisk& disk) {
  UninstallPlan plan;
  for (const auto& [path, hash] : installed.files) {
    const std::optional<std::wstring> now = disk(path);
    if (!now) continue;
    (*now == hash ? plan.remove : plan.changed).push_back(path);
  }
  plan.folders = DeepestFirst(installed.folders);
  return plan;
}

}  // namespace tolvane::kitsetup
