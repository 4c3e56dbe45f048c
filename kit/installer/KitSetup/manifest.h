// The record of a kit's files: what a setup program ships, and what it installed into a kit
// folder. One line per entry, paths relative to the kit folder with backslashes:
//   <SHA-256 in lower-case hex>  <file>
//   <folder>\   (a folder: its path and a backslash)
// The build writes the list of what it ships; setup keeps the list of what it installed in the
// kit folder, and the next setup and the uninstaller compare the files on disk with it.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

namespace tolvane::kitsetup {

struct Manifest {
  std::map<std::wstring, std::wstring> files;  // relative path -> SHA-256
  std::set<std::wstring> folders;
};

// Nothing when a line is not an entry or names a path outside the kit folder (absolute, a
// drive, "..", "."): a damaged record must not make setup touch other files.
std::optional<Manifest> ParseManifest(const std::wstring& text);
std::wstring FormatManifest(const Manifest& manifest);

// A relative path that stays inside the kit folder and could name a file there.
bool IsKitRelative(const std::wstring& path);

}  // namespace tolvane::kitsetup
