#include "plan.h"

#include <algorithm>

namespace tolvane::kitsetup {
namespace {

// Sorted paths put a folder before what it holds: reversed, each folder comes after its contents.
template <typename Folders>
std::vector<std::wstring> DeepestFirst(const Folders& folders) {
  return {folders.rbegin(), folders.rend()};
}

bool Listed(const Manifest& manifest, const std::wstring& path, const std::wstring& hash) {
  const auto entry = manifest.files.find(path);
  return entry != manifest.files.end() && entry->second.count(hash);
}

bool AsInstalled(const Manifest& manifest, const std::wstring& path, const FileOnDisk& file) {
  return file.presence == Presence::kThere && Listed(manifest, path, file.hash);
}

// The first free name of `path` + `suffix`, `suffix`2 and on. With `reuse`, a name whose file
// setup may overwrite (its own earlier copy, or the very bytes it is about to write) is free too.
// Nothing when a hundred names are taken, or can not be told free (too long for a path).
template <typename Reuse>
std::optional<std::wstring> FreeName(const std::wstring& path, const wchar_t* suffix,
                                     const Disk& disk, Reuse reuse) {
  for (int n = 1; n <= 100; ++n) {
    const std::wstring name = path + suffix + (n == 1 ? L"" : std::to_wstring(n));
    const FileOnDisk now = disk(name);
    if (now.presence == Presence::kAbsent || reuse(name, now)) return name;
  }
  return std::nullopt;
}

bool GlobMatches(const wchar_t* pattern, const wchar_t* text) {
  if (*pattern == L'\0') return *text == L'\0';
  if (*pattern == L'*') {
    for (const wchar_t* rest = text;; ++rest) {
      if (GlobMatches(pattern + 1, rest)) return true;
      if (*rest == L'\0') return false;
    }
  }
  if (*text == L'\0') return false;
  return (*pattern == L'?' || SameName(std::wstring(1, *pattern), std::wstring(1, *text))) &&
         GlobMatches(pattern + 1, text + 1);
}

void Add(Manifest& manifest, const std::wstring& path, const Hashes& hashes) {
  manifest.files[path].insert(hashes.begin(), hashes.end());
}

void KeepPrevious(Manifest& installed, const Manifest& previous, const std::wstring& path) {
  const auto entry = previous.files.find(path);
  if (entry != previous.files.end()) Add(installed, path, entry->second);
}

}  // namespace

bool IsKitsOwn(const std::wstring& path, const std::vector<std::wstring>& patterns) {
  const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
  return std::any_of(patterns.begin(), patterns.end(), [&](const std::wstring& pattern) {
    const std::wstring& subject = pattern.find(L'\\') == std::wstring::npos ? name : path;
    return GlobMatches(pattern.c_str(), subject.c_str());
  });
}

InstallPlan PlanInstall(const Manifest& previous, const Manifest& shipped, const KitRules& rules,
                        const Disk& disk, bool open_to_others) {
  InstallPlan plan;
  std::set<std::wstring, NameLess> written;
  // Setup's own: what it installed before, or a version an earlier release shipped.
  const auto setups = [&](const std::wstring& path, const FileOnDisk& file) {
    return AsInstalled(previous, path, file) || AsInstalled(rules.earlier, path, file);
  };
  for (const auto& [path, hashes] : shipped.files) {
    const std::wstring& hash = *hashes.begin();
    const FileOnDisk now = disk(path);
    if (now.presence == Presence::kUnreadable) {
      plan.unreadable.push_back({path, now.why});
    } else if (now.presence == Presence::kAbsent || now.hash == hash || setups(path, now)) {
      if (now.read_only) plan.read_only.insert(path);
      plan.put.push_back(path);
      written.insert(path);
    } else if (open_to_others || IsKitsOwn(path, rules.owned)) {
      const auto never = [](const std::wstring&, const FileOnDisk&) { return false; };
      const std::optional<std::wstring> backup =
          FreeName(std::wstring(kKeptFolder) + L"\\" + path, kBackupSuffix, disk, never);
      if (!backup) {
        plan.no_room.push_back(path);
        continue;
      }
      plan.replace.push_back({path, *backup});
      written.insert(path);
    } else {
      const auto setups_copy = [&](const std::wstring& name, const FileOnDisk& file) {
        return file.presence == Presence::kThere && (file.hash == hash || setups(name, file));
      };
      const std::optional<std::wstring> beside = FreeName(path, kBesideSuffix, disk, setups_copy);
      if (!beside) {
        plan.no_room.push_back(path);
        continue;
      }
      if (disk(*beside).read_only) plan.read_only.insert(*beside);
      plan.beside.push_back({path, *beside});
      written.insert(*beside);
    }
  }
  // A file no longer shipped under its name may be shipped under the same name in other letters:
  // removing it would remove the file just put there.
  for (const auto& [path, hashes] : previous.files) {
    if (written.count(path) || shipped.files.count(path)) continue;
    const FileOnDisk now = disk(path);
    if (now.presence == Presence::kUnreadable) {
      plan.unreadable.push_back({path, now.why});
    } else if (AsInstalled(previous, path, now)) {
      if (now.read_only) plan.read_only.insert(path);
      plan.remove.push_back(path);
    }
  }
  std::set<std::wstring, NameLess> stale;
  for (const std::wstring& folder : previous.folders) {
    if (!shipped.folders.count(folder)) stale.insert(folder);
  }
  plan.stale_folders = DeepestFirst(stale);
  return plan;
}

Manifest Pending(const Manifest& previous, const Manifest& shipped, const InstallPlan& plan) {
  Manifest pending = previous;
  pending.folders.insert(shipped.folders.begin(), shipped.folders.end());
  const auto accept_shipped = [&](const std::wstring& path, const std::wstring& as) {
    Add(pending, as, shipped.files.at(path));
  };
  for (const std::wstring& path : plan.put) accept_shipped(path, path);
  for (const Aside& aside : plan.beside) accept_shipped(aside.path, aside.other);
  for (const Aside& aside : plan.replace) accept_shipped(aside.path, aside.path);
  return pending;
}

Manifest Installed(const Manifest& previous, const Manifest& shipped, const InstallPlan& plan,
                   const std::set<std::wstring, NameLess>& failed) {
  Manifest installed;
  installed.folders = shipped.folders;
  const auto shipped_or_previous = [&](const std::wstring& path, const std::wstring& as) {
    if (failed.count(path)) {
      KeepPrevious(installed, previous, as);
    } else {
      installed.files[as] = shipped.files.at(path);
    }
  };
  for (const std::wstring& path : plan.put) shipped_or_previous(path, path);
  for (const Aside& aside : plan.replace) shipped_or_previous(aside.path, aside.path);
  for (const Aside& aside : plan.beside) {
    // The user's file keeps the shipped hash on record: it differs, so it stays theirs.
    installed.files[aside.path] = shipped.files.at(aside.path);
    shipped_or_previous(aside.path, aside.other);
  }
  for (const std::wstring& path : plan.remove) {
    if (failed.count(path)) KeepPrevious(installed, previous, path);
  }
  for (const Unread& file : plan.unreadable) KeepPrevious(installed, previous, file.path);
  for (const std::wstring& path : plan.no_room) KeepPrevious(installed, previous, path);
  // A stale folder that still holds something is tried again by the uninstaller.
  installed.folders.insert(plan.stale_folders.begin(), plan.stale_folders.end());
  return installed;
}

UninstallPlan PlanUninstall(const Manifest& installed, const Disk& disk) {
  UninstallPlan plan;
  for (const auto& [path, hashes] : installed.files) {
    const FileOnDisk now = disk(path);
    if (now.presence == Presence::kAbsent) continue;
    if (now.presence == Presence::kUnreadable) {
      plan.unreadable.push_back({path, now.why});
    } else if (hashes.count(now.hash)) {
      if (now.read_only) plan.read_only.insert(path);
      plan.remove.push_back(path);
    } else {
      plan.changed.push_back(path);
    }
  }
  plan.folders = DeepestFirst(installed.folders);
  return plan;
}

}  // namespace tolvane::kitsetup
