// Byte-level helpers for the ASCII texts of the HTTP protocol (header names, tokens, dates):
// letter case is ignored for A to Z only, and blanks are spaces and tabs.
#pragma once

#include <string>
#include <string_view>

namespace tolvane::ascii {

inline char Lower(char ch) {
  return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

inline std::string ToLower(std::string_view text) {
  std::string lower(text);
  for (char& ch : lower) ch = Lower(ch);
  return lower;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

inline bool ContainsNoCase(std::string_view text, std::string_view part) {
  return ToLower(text).find(ToLower(part)) != std::string::npos;
}

inline bool IsBlank(char ch) { return ch == ' ' || ch == '\t'; }

inline std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

inline bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

}  // namespace tolvane::ascii
