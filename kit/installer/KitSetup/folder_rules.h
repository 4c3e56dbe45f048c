// Which folders a kit may be installed into, which programs count as the kit's, the folders
// setup must find free of links, the staging folder setup unpacks into, and the access list of
// a kit folder setup makes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "manifest.h"

namespace tolvane::kitsetup {

// Setup unpacks the kit into a folder of the kit folder named "~setup." and 16 hexadecimal
// digits, made anew for each run; the file kStagingMarker in it holds the folder's name, so
// that setup removes only a folder it made, never a user's folder of a like name.
constexpr wchar_t kStagingPrefix[] = L"~setup.";
constexpr wchar_t kStagingMarker[] = L"~setup.id";
// What setup did to the kit folder before it unpacked, for its report.
constexpr wchar_t kStagingNotes[] = L"~setup.notes";
std::wstring StagingName(std::uint64_t random);
bool IsStagingName(const std::wstring& name);

// Paths of this many characters or more fail in programs that do not opt into long paths; a
// folder must leave room for a file name of 8.3 characters in it (CreateDirectoryW's limit).
constexpr std::size_t kMaxPath = 260;
constexpr std::size_t kMaxFolder = 248;

// A folder name without its "\\?\" prefix ("\\?\UNC\server\share" is "\\server\share").
std::wstring WithoutVerbatimPrefix(const std::wstring& path);
// "C:\..." or "\\server\share...": not relative to a current folder or drive.
bool IsAbsolute(const std::wstring& path);
// A part that ends in a dot or a blank, which Windows strips ("Kit." is "Kit"): another folder
// than the one named. "." and ".." are no such parts.
bool HasStrippedPart(const std::wstring& path);

enum class FolderVerdict { kUsable, kNotAbsolute, kRoot, kSystemFolder, kTooLong };

// `folder` is made canonical first (absolute, long names, no prefix, no trailing backslash but a
// root's). A drive's or share's root can hold no kit the uninstaller could remove. The launcher
// keeps its settings beside itself, which a normal start can not write in Program Files or the
// Windows folder, even when setup, run elevated, could.
FolderVerdict JudgeKitFolder(const std::wstring& folder,
                             const std::vector<std::wstring>& system_folders,
                             const Manifest& shipped);

// How setup runs: elevated through the UAC prompt (full), limited, or as a user without a split
// token (default, also where UAC is off).
enum class Elevation { kDefault, kFull, kLimited };
// Setup run as another account than the session's user ("Run as administrator" with an
// administrator's name and password, "Run as different user"), or elevated from a desktop whose
// shell runs without elevation: the kit folder, its entry and its shortcuts would go to the
// administrator, not to the user who will use the kit. Without a shell to compare with (the
// shell ended, or Wine, which has none), the same user elevated is let through.
bool RefusesElevation(Elevation self, std::optional<Elevation> shell,
                      std::optional<bool> session_user);

// The longest path setup makes under `folder`: a file unpacked, or put beside another.
std::size_t DeepestPath(const std::wstring& folder, const Manifest& shipped);
// The longest folder it makes: one unpacked into the staging folder.
std::size_t DeepestFolder(const std::wstring& folder, const Manifest& shipped);

// Whether `path` is `folder` or lies under it; letters compare as Windows compares file names.
bool IsUnder(const std::wstring& path, const std::wstring& folder);

// Every folder of the kit folder that setup or the uninstaller goes into for these records:
// each listed folder and each folder on the way to a listed file, highest first. A link or
// junction among them would lead writes and deletions out of the kit.
std::vector<std::wstring> FoldersOnTheWay(std::initializer_list<const Manifest*> records);

// The running programs' images that lie under the kit folder, but for `except` (the
// uninstaller, which runs a copy of itself from the temporary folder).
std::vector<std::wstring> KitPrograms(const std::vector<std::wstring>& images,
                                      const std::wstring& folder, const std::wstring& except);

// How an access entry is handed down: the flags of its header, as Windows keeps them.
constexpr std::uint8_t kObjectInherit = 0x01;
constexpr std::uint8_t kContainerInherit = 0x02;
constexpr std::uint8_t kNoPropagate = 0x04;  // handed to its children, not on to theirs
constexpr std::uint8_t kInheritOnly = 0x08;  // only handed down: no right on the folder itself
constexpr std::uint8_t kInherited = 0x10;    // taken from the parent, not set on the entry itself

// An existing folder's or file's owner and access list, as setup reads them.
struct AccessEntry {
  bool allow = true;
  std::wstring sid;
  std::uint32_t rights = 0;
  std::uint8_t flags = 0;
};
struct FolderSecurity {
  std::wstring owner;
  bool has_access_list = true;  // no access list at all lets everybody do everything
  std::vector<AccessEntry> entries;
};

enum class FolderTrust {
  kTrusted,       // only the user, SYSTEM, Administrators and TrustedInstaller can change it
  kProtect,       // the user's, but other accounts can change it: give it the kit's access list
  kForeignOwner,  // another account made it, and can give itself any right on it again
  kOpenToOthers,  // other accounts can change it, and it is not the user's to protect
};

// `C:\` lets every signed-in account make folders there, and their maker owns them: a kit
// folder another account made before the user installed, or one that inherits `C:\`'s entries
// (Authenticated Users may change what is in it), would let that account replace the kit's
// programs. Deny entries are not counted: an allow entry is enough to call a folder open. Entries
// only handed down count too: what the folder holds takes them.
FolderTrust JudgeFolderSecurity(const FolderSecurity& security, const std::wstring& user_sid);

// Whether other accounts could rename or delete a folder above the kit folder, and so put one
// of their own in the kit folder's place: it is not owned by the user, SYSTEM, Administrators
// or TrustedInstaller, or others may delete it, or may delete what its parent holds. Only the
// folders' own rights count: not entries only handed down, nor CREATOR OWNER's and OWNER RIGHTS'
// (which stand for the owner of what is made in it, and for its owner).
bool OthersCanReplace(const FolderSecurity& folder, const FolderSecurity& parent,
                      const std::wstring& user_sid);

// The owner and access list a folder the user makes in `parent` takes: the entries `parent`
// hands down to folders (C:\ hands Authenticated Users the right to modify), CREATOR OWNER's
// standing for the user.
FolderSecurity MadeIn(const FolderSecurity& parent, const std::wstring& user_sid);

// A folder or file as setup finds it, without following a link.
struct Found {
  std::wstring path;
  bool exists = true;
  bool link = false;                       // a symbolic link, junction or mount point
  std::optional<FolderSecurity> security;  // nothing when its rights can not be read
};

// Why setup does not trust a kit folder, and whether a new folder beside it would do.
struct Distrust {
  std::wstring why;  // empty when trusted
  // The kit folder, the user's own, or what it holds is at fault, not the folders above it:
  // another account could change it, or could have while it was open to them. Handles opened
  // while it was open keep their rights whatever access list it gets, so it is never protected in
  // place; a new folder beside it would do.
  bool in_the_kit = false;
};

// Why another account could change the kit; empty when none could. `chain` is the kit folder and
// each folder above it up to its drive's or share's root; `tree` every entry the kit folder holds,
// without going into links. A folder whose rights can not be read is not trusted: an owner can
// always read its own. Every entry of the kit that is at fault is named, up to twenty.
Distrust WhyUntrusted(const std::vector<Found>& chain, const std::vector<Found>& tree,
                      const std::wstring& user_sid);

// Whether other accounts may read the kit folder or run what it holds: its settings, logs and
// sessions are the user's alone (a kit folder an earlier setup made let every user read it).
bool OthersMayRead(const FolderSecurity& security, const std::wstring& user_sid);

// Why setup can not keep other accounts from changing the kit on the folder's drive: it keeps no
// access lists (FAT32, exFAT, a share without them), or could not be asked. Empty when it keeps
// them.
std::wstring WhyUnprotectable(std::optional<bool> keeps_access_lists);

// Full control for the installing user, SYSTEM and Administrators, nobody else, nothing
// inherited from the parent folder; what it holds inherits it.
std::wstring KitFolderAccessList(const std::wstring& user_sid);

// SYSTEM, LocalService and NetworkService: Windows' own accounts, which a deployment tool may run
// setup as. The kit, its settings and its entry would be theirs, not the user's.
bool IsServiceAccount(const std::wstring& sid);

// Why setup must not run as it does: as a service account, as another account than the one
// signed in, or elevated from a desktop that is not. Empty when it may.
std::wstring WhyAccountRefused(const std::wstring& user_sid, Elevation self,
                               std::optional<Elevation> shell, std::optional<bool> session_user);

}  // namespace tolvane::kitsetup
