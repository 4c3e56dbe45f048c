#include "manifest.h"

#include <algorithm>
#include <cwctype>
#include <sstream>

namespace tolvane::kitsetup {
namespace {

constexpr std::size_t kHashLength = 64;
constexpr wchar_t kSeparator[] = L"  ";

bool IsHash(const std::wstring& text) {
  if (text.size() != kHashLength) return false;
  for (wchar_t c : text) {
    if (!std::iswdigit(c) && (c < L'a' || c > L'f')) return false;
  }
  return true;
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
    if (part.empty() || part == L"." || part == L"..") return false;
    if (end == std::wstring::npos) return true;
    start = end + 1;
  }
}

std::optional<Manifest> ParseManifest(const std::wstring& text) {
  Manifest manifest;
  // Notepad may have saved the record with a byte-order mark.
  std::wistringstream lines(!text.empty() && text[0] == L'\xFEFF' ? text.substr(1) : text);
  std::wstring line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (line.empty()) continue;
    if (line.back() == L'\\') {
      line.pop_back();
      if (!IsKitRelative(line)) return std::nullopt;
      manifest.folders.insert(line);
      continue;
    }
    const std::wstring hash = line.substr(0, kHashLength);
    const std::wstring path = line.size() > kHashLength + 2 ? line.substr(kHashLength + 2) : L"";
    if (!IsHash(hash) || line.compare(kHashLength, 2, kSeparator) != 0 || !IsKitRelative(path)) {
      return std::nullopt;
    }
    manifest.files[path] = hash;
  }
  return manifest;
}

std::wstring FormatManifest(const Manifest& manifest) {
  std::wstring text;
  for (const std::wstring& folder : manifest.folders) text += folder + L"\\\n";
  for (const auto& [path, hash] : manifest.files) text += hash + kSeparator + path + L"\n";
  return text;
}

}  // namespace tolvane::kitsetup
