// A DLL that another account put in the kit folder, named like the system library the launcher
// loads when a screen reader first asks for its window, is never loaded: the system's is.
#include <gtest/gtest.h>

#include "launcher_session.h"

namespace tolvane::test {
namespace {

constexpr wchar_t kLauncherSettings[] = L"Software\\Wine\\AppDefaults\\TolvaneChat.exe";

// Wine takes its own libraries whatever lies beside a program. Told to prefer a file for the
// launcher, it searches for one as Windows searches for a library that is not one of its known
// ones. (Windows has no such setting. Wine's window system loads the visual styles' library
// itself, before the launcher runs, so only the screen reader's is the launcher's to find.)
class FilesFirst {
 public:
  FilesFirst() {
    RegSetKeyValueW(HKEY_CURRENT_USER,
                    (std::wstring(kLauncherSettings) + L"\\DllOverrides").c_str(), L"oleacc",
                    REG_SZ, L"native,builtin", sizeof(L"native,builtin"));
  }
  ~FilesFirst() { RegDeleteTreeW(HKEY_CURRENT_USER, kLauncherSettings); }
  FilesFirst(const FilesFirst&) = delete;
  FilesFirst& operator=(const FilesFirst&) = delete;
};

TEST(ForeignLibraries, BesideTheLauncherAreNeverLoaded) {
  LauncherSession session;
  StoreSettingsOfThisComputer(session, "");
  ASSERT_TRUE(CopyFileW(HostPath(TOLVANE_MARKER_DLL).c_str(),
                        (session.kit() + L"oleacc.dll").c_str(), FALSE));
  const FilesFirst files_first;
  ASSERT_TRUE(session.Start());
  DWORD_PTR object = 0;
  ASSERT_TRUE(SendMessageTimeoutW(session.form(), WM_GETOBJECT, 0, OBJID_CLIENT, SMTO_ABORTIFHUNG,
                                  5000, &object));
  EXPECT_NE(object, 0u);
  EXPECT_FALSE(FileExists(session.kit() + L"oleacc.dll.loaded"));
}

}  // namespace
}  // namespace tolvane::test
