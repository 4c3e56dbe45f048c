// The record of a kit's files: what a setup program ships, and what it installed into a kit
// folder. One line per entry, paths relative to the kit folder with backslashes:
//   <SHA-256 in lower-case hex>  <file>
//   <folder>\   (a folder: its path and a backslash)
//   end         (last, in the records setup writes: the record is whole)
// The build writes the list of what it ships; setup keeps the list of what it installed in the
// kit folder, and the next setup and the uninstaller compare the files on disk with it. A file
// may be listed with more than one hash: while setup replaces files, its record accepts the old
// version and the new one, and the records of earlier releases list every version shipped.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "names.h"

namespace tolvane::kitsetup {

using Hashes = std::set<std::wstring>;

struct Manifest {
  std::map<std::wstring, Hashes, NameLess> files;  // relative path -> its SHA-256s
  std::set<std::wstring, NameLess> folders;
};

// Nothing when the text is not a record: a line that is not an entry, a path outside the kit
// folder (absolute, a drive, "..", "."), a name Windows cannot hold, two names that differ only
// in letter case, or no entry at all. A damaged record must not make setup touch other files.
// `problem`, when given, then names the line at fault.
std::optional<Manifest> ParseManifest(const std::wstring& text, std::wstring* problem = nullptr);
// The record as stored: UTF-8, with or without a byte-order mark.
std::optional<Manifest> DecodeManifest(const std::string& bytes, std::wstring* problem = nullptr);
// With the end mark, which tells a whole record from one cut short at the end of a line.
std::wstring FormatManifest(const Manifest& manifest);
std::string EncodeManifest(const Manifest& manifest);
std::string EncodeUtf8(const std::wstring& text);

// A relative path that stays inside the kit folder and that Windows can hold as a file name:
// no device name (NUL, aux.php, COM1), no part ending in a dot or a blank.
bool IsKitRelative(const std::wstring& path);

// The hash a shipped file has; the build lists each shipped file once.
const std::wstring& ShippedHash(const Manifest& shipped, const std::wstring& path);

// Whether a file of the kit folder could be read, and its bytes.
enum class Presence { kAbsent, kUnreadable, kThere };

// What reading the record in the kit folder gave: not found, unreadable and damaged differ.
enum class RecordState { kAbsent, kUnreadable, kDamaged, kRead };
struct Record {
  RecordState state = RecordState::kAbsent;
  Manifest manifest;  // empty unless read
};
Record ReadRecord(Presence presence, const std::string& bytes);
// A record that ends with its end mark: all of what setup wrote.
bool IsWholeRecord(const std::string& bytes);

}  // namespace tolvane::kitsetup
