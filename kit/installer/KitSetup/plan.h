// What setup and the uninstaller do with each file of the kit folder, decided from what the
// previous setup installed, what this one ships, what earlier releases shipped and what is on
// disk now. A file the user changed is never replaced nor removed, but for the kit's own
// programs and documents, whose earlier bytes are kept under another name instead.
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "manifest.h"

namespace tolvane::kitsetup {

// Why a file of the kit folder could not be read, which tells the user what to do about it.
enum class Unreadable {
  kHeld,        // a program holds it open without sharing it
  kOnlineOnly,  // a cloud file stored online only: reading it would download it
  kLink,        // a link to a file elsewhere, never followed
  kDenied,      // the user may not read it
  kFolder,      // a folder has the file's name
  kFailed,      // anything else: a disk error, say
};

struct FileOnDisk {
  Presence presence = Presence::kAbsent;
  std::wstring hash;  // its SHA-256, when it could be read
  bool read_only = false;
  Unreadable why = Unreadable::kFailed;  // when it could not be read
};

// A file setup or the uninstaller could not read, and why.
struct Unread {
  std::wstring path;
  Unreadable why = Unreadable::kFailed;
  bool operator==(const Unread& other) const { return path == other.path && why == other.why; }
};

// A file of the kit folder by its relative path.
using Disk = std::function<FileOnDisk(const std::wstring& relative)>;

// What the kit maker tells setup besides the files it ships.
struct KitRules {
  Manifest earlier;                 // every version of each file that earlier releases shipped
  std::vector<std::wstring> owned;  // the kit's own files, as patterns: "*.exe", "docs\*.pdf"
};

// Whether a file is the kit's own by the kit maker's patterns: a pattern without a backslash
// matches the file's name, one with a backslash its whole path; "*" and "?" as in a file
// dialog, letters in any case.
bool IsKitsOwn(const std::wstring& path, const std::vector<std::wstring>& patterns);

// Where setup puts the new version of a file the user changed, and the kit's earlier program
// or document it replaces: in a folder of the kit's root that the web server does not serve
// (a "www\x.php.old" may still run as PHP), under the file's path in the kit.
constexpr wchar_t kBesideSuffix[] = L".new";
constexpr wchar_t kBackupSuffix[] = L".old";
constexpr wchar_t kKeptFolder[] = L"~kept";

// A file and the second name that goes with it: NAME.new (or .new2 and on) for the shipped
// version beside the user's file, ~kept\PATH.old (or .old2 and on) for the bytes a replaced
// program had. Neither ever names a file of the user's.
struct Aside {
  std::wstring path;
  std::wstring other;
  bool operator==(const Aside& other_aside) const {
    return path == other_aside.path && other == other_aside.other;
  }
};

struct InstallPlan {
  std::vector<std::wstring> put;               // the shipped file goes into its place
  std::vector<Aside> beside;                   // the user's file stays; the shipped one goes beside
  std::vector<Aside> replace;                  // the kit's file differs: kept aside, then replaced
  std::vector<std::wstring> remove;            // installed before, unchanged, no longer shipped
  std::vector<Unread> unreadable;              // could not be read, so not judged: left alone
  std::vector<std::wstring> no_room;           // changed, and no free name beside: left alone
  std::vector<std::wstring> stale_folders;     // installed before, no longer shipped; deepest first
  std::set<std::wstring, NameLess> read_only;  // setup's own, to be made writable first
};

// In a kit folder that was open to other accounts (`open_to_others`), a file that differs from
// every version setup knows may be theirs, not the user's: setup puts its own in place and keeps
// the other bytes aside, as for the kit's own programs.
InstallPlan PlanInstall(const Manifest& previous, const Manifest& shipped, const KitRules& rules,
                        const Disk& disk, bool open_to_others = false);

// The record to keep while the plan runs: each file it puts accepted in its old version and in
// the new, so that a setup cut off half way leaves a folder the next run understands.
Manifest Pending(const Manifest& previous, const Manifest& shipped, const InstallPlan& plan);

// What the kit folder holds from setup after `plan` ran, where `failed` names the plan's files
// (as the plan lists them) that could not be put, moved aside or removed.
Manifest Installed(const Manifest& previous, const Manifest& shipped, const InstallPlan& plan,
                   const std::set<std::wstring, NameLess>& failed);

struct UninstallPlan {
  std::vector<std::wstring> remove;   // still as setup installed them
  std::vector<std::wstring> changed;  // the user's now: they stay
  std::vector<Unread> unreadable;     // could not be read: they stay, and stay on record
  std::vector<std::wstring> folders;  // deepest first; each goes only when it is empty
  std::set<std::wstring, NameLess> read_only;
};

UninstallPlan PlanUninstall(const Manifest& installed, const Disk& disk);

}  // namespace tolvane::kitsetup
