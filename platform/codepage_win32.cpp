#include <windows.h>

#include "codepage.h"

namespace tolvane {

std::wstring AnsiToWide(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int count = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  std::wstring text(static_cast<std::size_t>(count), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, text.data(), count);
  return text;
}

std::string WideToAnsi(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  // The default replacement character of CP_ACP is '?', which is what a text file gets for a
  // character the code page can not represent.
  const int count = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(count), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), size, bytes.data(), count, nullptr, nullptr);
  return bytes;
}

}  // namespace tolvane
