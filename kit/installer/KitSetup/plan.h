// What setup and the uninstaller do with each file of the kit folder, decided from what the
// previous setup installed, what this one ships and what is on disk now. A file whose content
// is no longer what setup installed belongs to the user: it is never replaced nor removed.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "manifest.h"

namespace tolvane::kitsetup {

// The SHA-256 of a file of the kit folder by its relative path; nothing when it is not there.
using HashOnDisk = std::function<std::optional<std::wstring>(const std::wstring& relative)>;

// Where setup puts the new version of a file the user changed.
constexpr wchar_t kBesideSuffix[] = L".new";

// A file the user changed, and the name its new version goes to: NAME.new, or NAME.new2 and
// on when the user has a NAME.new of their own.
struct Beside {
  std::wstring path;
  std::wstring new_path;
  bool operator==(const Beside& other) const {
    return path == other.path && new_path == other.new_path;
  }
};

struct InstallPlan {
  std::vector<std::wstring> put;            // the shipped file goes into its place
  std::vector<Beside> beside;               // the user's file stays; the shipped one goes beside it
  std::vector<std::wstring> remove;         // installed before, unchanged, no longer shipped
  std::vector<std::wstring> stale_folders;  // installed before, no longer shipped; deepest first
};

InstallPlan PlanInstall(const Manifest& previous, const Manifest& shipped, const HashOnDisk& disk);

// What the kit folder holds from setup after `plan` ran, where `failed` names the plan's files
// (as the plan lists them) that could not be put, moved beside or removed.
Manifest Installed(const Manifest& previous, const Manifest& shipped, const InstallPlan& plan,
                   const std::set<std::wstring>& failed);

struct UninstallPlan {
  std::vector<std::wstring> remove;   // still as setup installed them
  std::vector<std::wstring> changed;  // the user's now: they stay
  std::vector<std::wstring> folders;  // deepest first; each goes only when it is empty
};

UninstallPlan PlanUninstall(const Manifest& installed, const HashOnDisk& disk);

}  // namespace tolvane::kitsetup
