// The native build's stand-in for the system's case table, for the unit tests: Unicode's simple
// upper-case mapping of each character, as the C.UTF-8 locale has it.
#include <clocale>
#include <cwctype>

#include "names.h"

namespace tolvane::kitsetup {
namespace {

wchar_t Upper(wchar_t c) {
  static const locale_t kUnicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
  return kUnicode ? static_cast<wchar_t>(towupper_l(c, kUnicode))
                  : static_cast<wchar_t>(towupper(c));
}

}  // namespace

int CompareNames(const std::wstring& a, const std::wstring& b) {
  const std::size_t common = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < common; ++i) {
    const wchar_t x = Upper(a[i]), y = Upper(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace tolvane::kitsetup
