// What the setup tool asks of Windows: file hashes and moves, text files, the running programs,
// the known folders, and a folder made with its own access list.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tolvane::kitsetup {

// The SHA-256 of a file in lower-case hex; nothing when it can not be read.
std::optional<std::wstring> Sha256OfFile(const std::wstring& path);

std::optional<std::wstring> ReadUtf8File(const std::wstring& path);
// Written beside and put in place in one step, so that a record is never half written.
bool WriteUtf8File(const std::wstring& path, const std::wstring& text);
// UTF-16 with a byte-order mark: what setup's script reads line by line, and Notepad opens.
bool WriteUtf16File(const std::wstring& path, const std::wstring& text);

bool MoveReplacing(const std::wstring& from, const std::wstring& to);
// Whether this user can make files in `folder`; a folder not there yet is tried by making the
// highest missing one, which is removed again, so that a refused folder is left as it was.
bool CanWriteIn(const std::wstring& folder);
// The highest of `folder` and the folders above it that are not there; empty when it is there.
std::wstring HighestMissingFolder(const std::wstring& folder);
// Makes the folder and the ones above it that are missing; true when it is there.
bool MakeFolders(const std::wstring& folder);
// Removes a folder and everything in it.
void RemoveTree(const std::wstring& folder);
// The files under `folder`, relative to it.
std::vector<std::wstring> FilesUnder(const std::wstring& folder);

// The full paths of the running programs' images that this user can query, but for this
// program's and its parent's (setup, or the uninstaller).
std::vector<std::wstring> RunningImages();
// Program Files (both) and the Windows folder.
std::vector<std::wstring> SystemFolders();
// The folder's full path: relative parts resolved, no trailing backslash.
std::wstring FullPath(const std::wstring& path);

std::wstring CurrentUserSid();
// Makes `folder` with the access list in SDDL; gives the access list it passed to the system,
// as read back from the security descriptor it built, or nothing when it failed.
std::optional<std::wstring> MakeFolderWithAccessList(const std::wstring& folder,
                                                     const std::wstring& sddl);

}  // namespace tolvane::kitsetup
