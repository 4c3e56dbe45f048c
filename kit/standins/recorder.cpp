// Stand-in for the kit's programs that the launcher only opens: the browser, the PDF viewer, the
// IDE, the Java installer. Copied under each one's name (browser.exe, netbeans.exe, jre.exe); it
// records its name as its role and ends at once.
#include <windows.h>

#include <string>

#include "record.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::wstring name = tolvane::standin::ModulePath();
  name.erase(0, name.find_last_of(L'\\') + 1);
  const std::size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  tolvane::standin::Record(name);
  return 0;
}
