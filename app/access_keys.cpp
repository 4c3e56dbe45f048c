#include "access_keys.h"

#include <algorithm>

namespace tolvane {
namespace {

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c; }

bool IsAsciiLetterOrDigit(wchar_t c) {
  c = AsciiUpper(c);
  return (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
}

}  // namespace

wchar_t MarkedKey(const std::wstring& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&') continue;
    if (caption[i + 1] != L'&') return caption[i + 1];
    ++i;
  }
  return 0;
}

AccessKeyed WithFreeAccessKey(const std::wstring& caption, std::size_t preferred,
                              const std::vector<wchar_t>& taken) {
  preferred = std::min(preferred, caption.size());
  for (std::size_t step = 0; step < caption.size(); ++step) {
    const std::size_t at = (preferred + step) % caption.size();
    const wchar_t key = AsciiUpper(caption[at]);
    if (!IsAsciiLetterOrDigit(key) || std::count(taken.begin(), taken.end(), key) > 0) continue;
    return {caption.substr(0, at) + L"&" + caption.substr(at), key};
  }
  return {caption, 0};
}

}  // namespace tolvane
