#include <windows.h>

#include "names.h"

namespace tolvane::kitsetup {

// The comparison the file system makes: each UTF-16 unit upper-cased by the system's table.
int CompareNames(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) -
         CSTR_EQUAL;
}

}  // namespace tolvane::kitsetup
