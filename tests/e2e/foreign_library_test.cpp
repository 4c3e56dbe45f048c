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
// program, it searches for the file as Windows searches for a library that is not one of its known
// ones. (Windows has no such setting. Wine's window system loads the visual styles' library itself
// before a program runs, so that one can not be tried here.)
class FilesFirst {
 public:
  FilesFirst(const std::wstring& program, std::initializer_list<const wchar_t*> libraries)
      : settings_(L"Software\\Wine\\AppDefaults\\" + program) {
    for (const wchar_t* library : libraries) {
      RegSetKeyValueW(HKEY_CURRENT_USER, (settings_ + L"\\DllOverrides").c_str(), library, REG_SZ,
                      L"native,builtin", sizeof(L"native,builtin"));
    }
  }
  ~FilesFirst() { RegDeleteTreeW(HKEY_CURRENT_USER, settings_.c_str()); }
  FilesFirst(const FilesFirst&) = delete;
  FilesFirst& operator=(const FilesFirst&) = delete;

 private:
  std::wstring settings_;
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
  const std::wstring tool = folder.path() + L"KitSetup.exe", kit = folder.path() + L"kit",
                     data = HostPath(TOLVANE_SHIPPED_KIT "-data");
  ASSERT_TRUE(CopyFileW(HostPath(TOLVANE_KIT_SETUP).c_str(), tool.c_str(), FALSE));
  ASSERT_TRUE(CopyMarker(folder.path() + L"bcrypt.dll"));
  const FilesFirst files_first(L"KitSetup.exe", {L"bcrypt"});
  const auto run = [&](const std::wstring& arguments) {
    return RunProgram(L"\"" + tool + L"\" " + arguments, L"", 60000).exit_code;
  };
  // Setup's steps: a staging folder in the kit folder, the kit's files unpacked into it, and
  // each put in place once its SHA-256 is the one the build recorded.
  ASSERT_EQ(run(L"makefolder \"" + kit + L"\" \"" + data + L"\" \"" + folder.path() + L"staging\""),
            0u);
  const std::string name = ReadBytes(folder.path() + L"staging");  // UTF-16, byte-order mark first
  const std::wstring staging(reinterpret_cast<const wchar_t*>(name.data()) + 1,
                             name.size() / 2 - 1);
  std::filesystem::copy(std::filesystem::path(HostPath(TOLVANE_SHIPPED_KIT)),
                        std::filesystem::path(kit + L"\\" + staging),
                        std::filesystem::copy_options::recursive);
  EXPECT_EQ(run(L"install \"" + kit + L"\" " + staging + L" \"" + data + L"\" \"" + kit +
                L"\\setup-report.txt\""),
            0u);
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
  // Wine copies Start-menu shortcuts into the host's menus: into the build folder here.
  const wchar_t* menus = L"" TOLVANE_BINARY_DIR "/installer-test-menus";
  const EnvironmentOverride data(L"XDG_DATA_HOME", menus), config(L"XDG_CONFIG_HOME", menus);
  EXPECT_EQ(RunProgram(L"\"" + setup + L"\" /S \"/D=" + kit + L"\"", L"", 60000).exit_code, 0u);
  for (const wchar_t* library : libraries) {
    EXPECT_FALSE(FileExists(folder.path() + library + L".dll.loaded")) << Utf8(library);
  }
  EXPECT_EQ(RunProgram(L"\"" + kit + L"\\uninstall.exe\" /S _?=" + kit, L"", 60000).exit_code, 0u);
}

}  // namespace
}  // namespace tolvane::test
