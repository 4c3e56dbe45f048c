#include "manifest.h"

#include <algorithm>
#include <array>
#include <sstream>
#include <type_traits>

#include "utf8.h"

namespace tolvane::kitsetup {
namespace {

constexpr std::size_t kHashLength = 64;
constexpr wchar_t kSeparator[] = L"  ";
constexpr wchar_t kEndMark[] = L"end";

bool IsHash(const std::wstring& text) {
  return text.size() == kHashLength && std::all_of(text.begin(), text.end(), [](wchar_t c) {
           return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f');
         });
}

std::wstring AsciiUpper(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  return text;
}

// Windows opens a device for these names, whatever extension follows ("aux.php" is AUX).
bool IsDeviceName(const std::wstring& part) {
  std::wstring base = part.substr(0, part.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  base = AsciiUpper(base);
  if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" || base == L"CONIN$" ||
      base == L"CONOUT$") {
    return true;
  }
  if (base.size() != 4 || (base.compare(0, 3, L"COM") != 0 && base.compare(0, 3, L"LPT") != 0)) {
    return false;
  }
  const wchar_t n = base[3];
  return (n >= L'0' && n <= L'9') || n == L'\x00B9' || n == L'\x00B2' || n == L'\x00B3';
}

// A path already listed in other letters is a second file Windows cannot hold beside the first.
template <typename Listed>
bool ListedInOtherLetters(const Listed& listed, const std::wstring& path) {
  const auto entry = listed.find(path);
  if constexpr (std::is_same_v<Listed, std::set<std::wstring, NameLess>>) {
    return entry != listed.end() && *entry != path;
  } else {
    return entry != listed.end() && entry->first != path;
  }
}

}  // namespace

bool IsKitRelative(const std::wstring& path) {
  // Characters no Windows file name holds: a drive, another separator, wildcards, controls.
  if (path.empty() || path.find_first_of(L":/*?\"<>|") != std::wstring::npos ||
      std::any_of(path.begin(), path.end(), [](wchar_t c) { return c < L' '; })) {
    return false;
  }
  std::size_t start = 0;
  while (true) {
    const std::size_t end = path.find(L'\\', start);
    const std::wstring part = path.substr(start, end - start);
    if (part.empty() || part.back() == L'.' || part.back() == L' ' || IsDeviceName(part)) {
      return false;
    }
    if (end == std::wstring::npos) return true;
    start = end + 1;
  }
}

std::optional<Manifest> ParseManifest(const std::wstring& text, std::wstring* problem) {
  const auto refuse = [problem](const std::wstring& why) -> std::optional<Manifest> {
    if (problem) *problem = why;
    return std::nullopt;
  };
  Manifest manifest;
  // Notepad may have saved the record with a byte-order mark.
  std::wistringstream lines(!text.empty() && text[0] == L'\xFEFF' ? text.substr(1) : text);
  std::wstring line;
  bool ended = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (line.empty()) continue;
    if (ended) return refuse(L"after the end: " + line);
    if (line == kEndMark) {
      ended = true;
      continue;
    }
    if (line.back() == L'\\') {
      line.pop_back();
      if (!IsKitRelative(line)) return refuse(L"not a folder Windows can hold: " + line);
      if (ListedInOtherLetters(manifest.folders, line)) {
        return refuse(L"listed twice in other letters: " + line);
      }
      manifest.folders.insert(line);
      continue;
    }
    const std::wstring hash = line.substr(0, kHashLength);
    const std::wstring path = line.size() > kHashLength + 2 ? line.substr(kHashLength + 2) : L"";
    if (!IsHash(hash) || line.compare(kHashLength, 2, kSeparator) != 0) {
      return refuse(L"not an entry: " + line);
    }
    if (!IsKitRelative(path)) return refuse(L"not a file Windows can hold: " + path);
    if (ListedInOtherLetters(manifest.files, path)) {
      return refuse(L"listed twice in other letters: " + path);
    }
    manifest.files[path].insert(hash);
  }
  for (const auto& [path, hashes] : manifest.files) {
    if (manifest.folders.count(path)) return refuse(L"both a file and a folder: " + path);
  }
  if (manifest.files.empty() && manifest.folders.empty()) return refuse(L"no entry");
  return manifest;
}

std::optional<Manifest> DecodeManifest(const std::string& bytes, std::wstring* problem) {
  const std::optional<std::wstring> text = utf8::Decode(bytes);
  if (!text) {
    if (problem) *problem = L"not UTF-8 text";
    return std::nullopt;
  }
  return ParseManifest(*text, problem);
}

std::wstring FormatManifest(const Manifest& manifest) {
  std::wstring text;
  for (const std::wstring& folder : manifest.folders) text += folder + L"\\\n";
  for (const auto& [path, hashes] : manifest.files) {
    for (const std::wstring& hash : hashes) text += hash + kSeparator + path + L"\n";
  }
  return text + kEndMark + L"\n";
}

std::string EncodeUtf8(const std::wstring& text) { return utf8::Encode(text); }

std::string EncodeManifest(const Manifest& manifest) {
  return EncodeUtf8(FormatManifest(manifest));
}

const std::wstring& ShippedHash(const Manifest& shipped, const std::wstring& path) {
  return *shipped.files.at(path).begin();
}

bool IsWholeRecord(const std::string& bytes) {
  const std::string end = EncodeUtf8(kEndMark) + "\n";
  return bytes.size() >= end.size() &&
         bytes.compare(bytes.size() - end.size(), end.size(), end) == 0 &&
         DecodeManifest(bytes).has_value();
}

Record ReadRecord(Presence presence, const std::string& bytes) {
  if (presence == Presence::kAbsent) return {RecordState::kAbsent, {}};
  if (presence == Presence::kUnreadable) return {RecordState::kUnreadable, {}};
  std::optional<Manifest> manifest = DecodeManifest(bytes);
  if (!manifest) return {RecordState::kDamaged, {}};
  return {RecordState::kRead, std::move(*manifest)};
}

}  // namespace tolvane::kitsetup
