// Which folders a kit may be installed into, which programs count as the kit's, and the access
// list of a kit folder setup makes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "manifest.h"

namespace tolvane::kitsetup {

// Setup unpacks the kit into this folder of the kit folder before it puts each file in place.
constexpr wchar_t kStagingFolder[] = L"~setup";

// Paths of this many characters or more fail in programs that do not opt into long paths.
constexpr std::size_t kMaxPath = 260;

enum class FolderVerdict { kUsable, kSystemFolder, kTooLong };

// The launcher keeps its settings beside itself, which a normal start can not write in Program
// Files or the Windows folder, even when setup, run elevated, could.
FolderVerdict JudgeKitFolder(const std::wstring& folder,
                             const std::vector<std::wstring>& system_folders,
                             const Manifest& shipped);

// The longest path setup makes under `folder`: a file unpacked, or put beside the user's as .new.
std::size_t DeepestPath(const std::wstring& folder, const Manifest& shipped);

// Whether `path` is `folder` or lies under it; letters compare without case, as Windows does.
bool IsUnder(const std::wstring& path, const std::wstring& folder);

// The running programs' images that lie under the kit folder, but for `except` (the
// uninstaller, which runs a copy of itself from the temporary folder).
std::vector<std::wstring> KitPrograms(const std::vector<std::wstring>& images,
                                      const std::wstring& folder, const std::wstring& except);

// Full control for the installing user, SYSTEM and Administrators, read and run for Users,
// nothing inherited from the parent folder; what it holds inherits it.
std::wstring KitFolderAccessList(const std::wstring& user_sid);

}  // namespace tolvane::kitsetup
