// What the setup tool asks of Windows: files of the kit folder read, hashed, moved and removed
// with care, text files, links, the staging folder and the lock (files_win32.cpp,
// folders_win32.cpp); the running programs and the programs holding the kit's files, the known
// folders (processes_win32.cpp); who setup runs as, and the owners and access lists of folders
// and files (security_win32.cpp).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "folder_rules.h"
#include "manifest.h"
#include "plan.h"

namespace tolvane::kitsetup {

// Whether a file is there, could be read (and why not), its SHA-256 and its read-only
// attribute. A file in use is tried again for a few seconds (virus scanners and indexers hold
// files briefly); one that is a link, a folder, or stored only online (reading it would download
// it) counts as unreadable.
FileOnDisk InspectFile(const std::wstring& path);
std::pair<Presence, std::string> ReadFileBytes(const std::wstring& path);
// The SHA-256 of a file setup unpacked, once its bytes are on the disk: flushed, so that a power
// cut after it moved can not leave a file of zeros.
std::optional<std::wstring> FlushedSha256(const std::wstring& path);

// Written beside (as a file made new, never through a link), flushed to the disk and put in
// place in one step, so that a record is never half written, not even by a power cut.
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// UTF-16 with a byte-order mark: what setup's script reads line by line, and Notepad opens.
bool WriteUtf16File(const std::wstring& path, const std::wstring& text);

// Moves a file into its place, replacing what is there; flushed before it returns.
bool MoveReplacing(const std::wstring& from, const std::wstring& to);
// Renames a file to a name that must be free: never replaces anything.
bool MoveAside(const std::wstring& from, const std::wstring& to);
bool DeleteKitFile(const std::wstring& path);
// Clears the read-only attribute, which would make replacing or removing the file fail.
bool MakeWritable(const std::wstring& path);

// A link, junction or mount point: writes and deletions through it would leave the kit folder.
// Cloud files and other reparse points that are the file itself are no links.
bool IsLink(const std::wstring& path);

// Folders held open so that nobody can rename or replace them (with a link, say) while setup
// works in them: no deletion shared.
class FolderPins {
 public:
  FolderPins() = default;
  ~FolderPins() { Release(); }
  FolderPins(const FolderPins&) = delete;
  FolderPins& operator=(const FolderPins&) = delete;
  // False when the folder is a link or could not be held; a folder that is not there is not
  // pinned.
  bool Pin(const std::wstring& folder);
  void Release();

 private:
  std::vector<void*> handles_;
};

// Whether this user can make files in `folder`; a folder not there yet is tried by making the
// highest missing one, which is removed again, so that a refused folder is left as it was.
bool CanWriteIn(const std::wstring& folder);
// The highest of `folder` and the folders above it that are not there; empty when it is there.
std::wstring HighestMissingFolder(const std::wstring& folder);
// Makes the folder and the ones above it that are missing; true when it is there.
bool MakeFolders(const std::wstring& folder);
// Removes a folder and everything in it, but never what a link inside it leads to; the file
// `last` of the folder goes last.
void RemoveTree(const std::wstring& folder, const std::wstring& last = L"");
// The files under `folder`, relative to it; links are not followed.
std::vector<std::wstring> FilesUnder(const std::wstring& folder);

std::uint64_t RandomNumber();

// Held while setup or the uninstaller changes the kit folder: a second one, from any account,
// finds it taken. The lock file goes with the handle.
class KitLock {
 public:
  explicit KitLock(const std::wstring& folder);
  ~KitLock();
  KitLock(const KitLock&) = delete;
  KitLock& operator=(const KitLock&) = delete;
  bool held() const { return handle_ != nullptr; }
  // Another setup or uninstaller holds it. Otherwise, when not held, the file of its name is not
  // the user's (another account made it in a folder that was open to it), or could not be opened:
  // the folder is not the user's alone.
  bool busy() const { return busy_; }
  // Why it is not held, for the user.
  std::wstring Why(const std::wstring& folder) const;

 private:
  void* handle_ = nullptr;
  bool busy_ = false;
};
constexpr wchar_t kLockFile[] = L"~setup.lock";

// The full paths of the running programs' images that this user can query, but for this
// program's and its parent's (setup, or the uninstaller).
std::vector<std::wstring> RunningImages();
// The programs that hold any of these files open, as the Restart Manager names them ("Java(TM)
// Platform SE binary"); nothing where the Restart Manager is missing.
std::vector<std::wstring> ProgramsUsing(const std::vector<std::wstring>& files);
// Program Files (both) and the Windows folder.
std::vector<std::wstring> SystemFolders();
// The folder's canonical name, which every check and the script's $INSTDIR use: its "\\?\"
// prefix removed, "." and ".." resolved, the long names of its existing part ("C:\PROGRA~1" is
// "C:\Program Files"), no trailing backslash but a root's. Nothing when it is not absolute: a
// relative name would be taken from whatever folder setup happens to run in.
std::optional<std::wstring> CanonicalFolder(const std::wstring& path);

Elevation ThisProcessElevation();
// The elevation of the desktop's shell (Explorer); nothing where there is none.
std::optional<Elevation> ShellElevation();
// Whether this process runs as the user signed in to its session; nothing when that can not be
// told.
std::optional<bool> SameUserAsSession();

std::wstring CurrentUserSid();
// A folder or file as it is, a link itself rather than what it leads to, with its owner and
// access list when they can be read.
Found FindOf(const std::wstring& path);
// The bytes of a file the user owns, at most `limit` of them, read through one handle opened
// without following a link and judged where it really is: nothing when it is a link, lies
// elsewhere than its name says (a folder on the way is a link), belongs to another account, is
// larger, or can not be read.
std::optional<std::string> ReadUsersOwnFile(const std::wstring& path, std::size_t limit);
// Every file and folder under `folder`, without going into a link.
std::vector<Found> TreeOf(const std::wstring& folder);
// The owner and access list a security descriptor (a PSECURITY_DESCRIPTOR) holds.
FolderSecurity SecurityOf(void* descriptor);
// Whether the folder's volume keeps access lists at all (FAT32 and exFAT drives do not);
// nothing when it can not be asked.
std::optional<bool> KeepsAccessLists(const std::wstring& folder);
// Gives a folder the access list in SDDL, protected from its parent's, and what it holds
// inherits it.
bool ProtectFolder(const std::wstring& folder, const std::wstring& sddl);
// Makes `folder` with the access list in SDDL; gives the access list it passed to the system,
// as read back from the security descriptor it built, or nothing when it failed (the folder
// was there already, among others).
std::optional<std::wstring> MakeFolderWithAccessList(const std::wstring& folder,
                                                     const std::wstring& sddl);

}  // namespace tolvane::kitsetup
