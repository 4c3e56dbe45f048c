// Paths of the build machine as a Windows program under Wine sees them: /a/b is Z:\a\b.
#pragma once

#include <string>

namespace tolvane::test {

inline std::wstring HostPath(const std::string& unix_path) {
  std::wstring path = L"Z:";
  for (char ch : unix_path) path.push_back(ch == '/' ? L'\\' : static_cast<wchar_t>(ch));
  return path;
}

}  // namespace tolvane::test
