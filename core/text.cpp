#include "text.h"

namespace tolvane {

std::wstring LowerCase(const std::wstring& text) {
  std::wstring lower = text;
  for (wchar_t& ch : lower) {
    if (ch >= L'A' && ch <= L'Z') ch = static_cast<wchar_t>(ch - L'A' + L'a');
  }
  return lower;
}

int Pos(const std::wstring& needle, const std::wstring& haystack) {
  if (needle.empty() || haystack.empty()) return 0;
  const std::size_t found = haystack.find(needle);
  return found == std::wstring::npos ? 0 : static_cast<int>(found) + 1;
}

std::wstring Copy(const std::wstring& text, int start, int count) {
  if (count < 0) return {};
  const std::size_t first = start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
  if (first >= text.size()) return {};
  return text.substr(first, static_cast<std::size_t>(count));
}

std::wstring ExtractFilePath(const std::wstring& path) {
  const std::size_t last = path.find_last_of(L"\\:");
  return last == std::wstring::npos ? std::wstring() : path.substr(0, last + 1);
}

}  // namespace tolvane
