// A DLL that another account put beside one of the kit's programs, named like a system library the
// program loads as it runs, is never loaded: the system's is. The launcher loads the screen
// reader's library when one first asks for its window; KitSetup, which setup runs to put the kit's
// files in place, loads the system's hashing library to check them; the setup program (NSIS) loads
// system libraries by name as it starts and as it writes shortcuts.
#include <gtest/gtest.h>

#include <filesystem>

#include "launcher_session.h"

namespace tolvane::test {
namespace {

// Wine takes its own libraries whatever lies beside a program. Told to prefer a file for one
// program ("native,builtin"), it searches for the file as Windows searches for a library that is
// not one of its known ones. (Windows has no such setting. Wine's window system loads the visual
// styles' library itself before a program runs, so that one can not be tried here.)
struct FilesFirst : WineLibraries {
  FilesFirst(const std::wstring& program, std::initializer_list<const wchar_t*> libraries)
      : WineLibraries(program, libraries, L"native,builtin") {}
};

bool CopyMarker(const std::wstring& to) {
  return CopyFileW(HostPath(TOLVANE_MARKER_DLL).c_str(), to.c_str(), FALSE) != FALSE;
}

TEST(ForeignLibraries, BesideTheLauncherAreNeverLoaded) {
  LauncherSession session;
  StoreSettingsOfThisComputer(session, "");
  ASSERT_TRUE(CopyMarker(session.kit() + L"oleacc.dll"));
  const FilesFirst files_first(L"TolvaneChat.exe", {L"oleacc"});
  ASSERT_TRUE(session.Start());
  DWORD_PTR object = 0;
  ASSERT_TRUE(SendMessageTimeoutW(session.form(), WM_GETOBJECT, 0, OBJID_CLIENT, SMTO_ABORTIFHUNG,
                                  5000, &object));
  EXPECT_NE(object, 0u);
  EXPECT_FALSE(FileExists(session.kit() + L"oleacc.dll.loaded"));
}

TEST(ForeignLibraries, BesideKitSetupAreNeverLoaded) {
  const ScratchFolder folder;
  const std::wstring tool = folder.path() + L"KitSetup.exe", kit = folder.path() + L"kit";
  ASSERT_TRUE(CopyFileW(HostPath(TOLVANE_KIT_SETUP).c_str(), tool.c_str(), FALSE));
  ASSERT_TRUE(CopyMarker(folder.path() + L"bcrypt.dll"));
  const FilesFirst files_first(L"KitSetup.exe", {L"bcrypt"});
  // Setup's steps: a staging folder in the kit folder, the kit's files unpacked into it, and
  // each put in place once its SHA-256 is the one the build recorded.
  const std::wstring staging = Staged(tool, kit, HostPath(TOLVANE_SHIPPED_KIT));
  ASSERT_FALSE(staging.empty());
  EXPECT_EQ(InstallStaged(tool, kit, staging, HostPath(TOLVANE_SHIPPED_KIT)), 0u);
  EXPECT_TRUE(FileExists(kit + L"\\TolvaneChat.exe"));
  EXPECT_FALSE(FileExists(folder.path() + L"bcrypt.dll.loaded"));
}

// NSIS calls SetDefaultDllDirectories itself as it starts, and loads these by name: its own list
// (a setup's folder is often Downloads, where any site may have put a DLL) and SHFOLDER for the
// profile folder setup judges the account by. (Not version.dll: Wine's own comctl32 imports it,
// and Wine's loader takes it from the program's folder before any code of setup runs, which no
// program can change; this test found that under Wine.)
TEST(ForeignLibraries, BesideTheSetupProgramAreNeverLoaded) {
  const ScratchFolder folder;
  const std::wstring setup = folder.path() + L"setup.exe", kit = folder.path() + L"kit";
  ASSERT_TRUE(CopyFileW(HostPath(TOLVANE_SETUP).c_str(), setup.c_str(), FALSE));
  const auto libraries = {L"shfolder", L"userenv", L"setupapi", L"apphelp",
                          L"propsys",  L"dwmapi",  L"oleacc"};
  for (const wchar_t* library : libraries) {
    ASSERT_TRUE(CopyMarker(folder.path() + library + L".dll"));
  }
  const FilesFirst files_first(L"setup.exe", libraries);
  const MenusInTheBuildFolder menus;
  EXPECT_EQ(RunProgram(L"\"" + setup + L"\" /S \"/D=" + kit + L"\"", L"", 60000).exit_code, 0u);
  for (const wchar_t* library : libraries) {
    EXPECT_FALSE(FileExists(folder.path() + library + L".dll.loaded")) << Utf8(library);
  }
  EXPECT_EQ(RunProgram(L"\"" + kit + L"\\uninstall.exe\" /S _?=" + kit, L"", 60000).exit_code, 0u);
}

}  // namespace
}  // namespace tolvane::test
