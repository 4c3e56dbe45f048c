// The first-run wizard by real clicks: the licence pages, the waiting page while the kit's Java
// test script runs, the Java page in green or red, the warning, the settings file and JAVA_HOME,
// and the control page on the next start; and the wizard in a kit the setup program installed.
#include <gtest/gtest.h>
#include <shlobj.h>
// After windows.h:
#include <sddl.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "launcher_session.h"

namespace tolvane::test {
namespace {

constexpr wchar_t kEnvironmentKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::wstring SystemJavaHome() {
  wchar_t value[1024] = {};
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"JAVA_HOME", RRF_RT_REG_SZ, nullptr, value,
                   &size) != ERROR_SUCCESS) {
    return L"<none>";
  }
  return value;
}

void ForgetSystemJavaHome() {
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"JAVA_HOME");
}

std::string ThisComputer() {
  const std::wstring name = ComputerName();
  return std::string(name.begin(), name.end());
}

// The colour of the screen in the middle of a window's top edge.
COLORREF PixelAtTopOf(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, (r.left + r.right) / 2, r.top);
  ReleaseDC(nullptr, screen);
  return colour;
}

constexpr wchar_t kUninstallKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TolvaneChat";

std::wstring UninstallValue(const wchar_t* name) {
  wchar_t value[1024] = L"<none>";
  DWORD size = sizeof(value);
  RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size);
  return value;
}

std::wstring ShortcutPath(int folder) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path);
  return std::wstring(path) + L"\\Tolvane Chat.lnk";
}

// A shortcut's target and working folder, read as the shell reads them.
std::pair<std::wstring, std::wstring> ReadShortcut(const std::wstring& path) {
  wchar_t target[MAX_PATH] = {}, folder[MAX_PATH] = {};
  CoInitialize(nullptr);
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
    // The target as the shell resolves it, from the shortcut's item list: Wine writes the
    // shortcut's plain copy of the path in the ANSI code page, which has no letters for a
    // folder such as "Zoë Тест".
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(link->GetIDList(&items))) SHGetPathFromIDListW(items, target);
    CoTaskMemFree(items);
    link->GetWorkingDirectory(folder, MAX_PATH);
  }
  if (file) file->Release();
  if (link) link->Release();
  return {target, folder};
}

// The files and folders (with a trailing backslash) under `root`, relative to it.
std::set<std::wstring> Tree(const std::wstring& root, const std::wstring& under = L"") {
  std::set<std::wstring> tree;
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW((root + L"\\" + under + L"*").c_str(), &entry);
  for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &entry)) {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    const bool folder = entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    tree.insert(under + name + (folder ? L"\\" : L""));
    if (folder) tree.merge(Tree(root, under + name + L"\\"));
  }
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  return tree;
}

// Runs a command line until it and every program it started have ended, and gives its exit
// code: the uninstaller hands over to a copy of itself in the temporary folder and ends at once.
DWORD RunWithItsChildren(std::wstring command_line) {
  const UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  DWORD code = STILL_ACTIVE;
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                      nullptr, nullptr, &startup, &process)) {
    return code;
  }
  const UniqueHandle own(process.hProcess), thread(process.hThread);
  AssignProcessToJobObject(job.get(), process.hProcess);
  ResumeThread(process.hThread);
  WaitUntil([&] {
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info = {};
    QueryInformationJobObject(job.get(), JobObjectBasicAccountingInformation, &info, sizeof(info),
                              nullptr);
    return info.ActiveProcesses == 0;
  });
  GetExitCodeProcess(process.hProcess, &code);
  return code;
}

// Makes `link` a link to the folder `target`. Wine 8 makes no link through CreateSymbolicLinkW
// (it answers success and makes nothing), so there the link is a Unix one, which Wine's files
// show as a link.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
  using UnixFileName = char*(CDECL*)(const wchar_t*);
  const auto unix_file_name = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unix_file_name) {
    return CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
  }
  const auto unix_path = [&](const std::wstring& path) {
    char* name = unix_file_name(path.c_str());  // UTF-8
    std::wstring wide(name ? std::strlen(name) : 0, L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, name, static_cast<int>(wide.size()), wide.data(),
                            static_cast<int>(wide.size()))));
    HeapFree(GetProcessHeap(), 0, name);
    return L"\"" + wide + L"\"";
  };
  std::wstring command = L"ln -s " + unix_path(target) + L" " + unix_path(link);
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  // Wine starts a Unix program but gives no handle to wait for: wait for the link instead.
  CreateProcessW(L"Z:\\usr\\bin\\ln", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                 &startup, &process);
  return WaitUntil([&] { return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; },
                   std::chrono::seconds(5));
}

class Wizard : public ::testing::Test {
 protected:
  void SetUp() override { ForgetSystemJavaHome(); }
  void TearDown() override { ForgetSystemJavaHome(); }

  static bool OnlyPage(const LauncherSession& session, const wchar_t* page) {
    for (const wchar_t* p : {L"panel1", L"panel2", L"panel3", L"panel4"}) {
      if (session.Visible(p) != (std::wstring(p) == page)) return false;
    }
    return true;
  }
  // Walks from page 1 to the Java page; true once its result shows.
  static ::testing::AssertionResult ToTheJavaPage(LauncherSession& session, bool screenshots) {
    if (screenshots) session.Screenshot("page1-licence");
    session.Click(L"next1");
    if (!WaitUntil([&] { return OnlyPage(session, L"panel2"); })) {
      return ::testing::AssertionFailure() << "page 2 did not show";
    }
    if (screenshots) session.Screenshot("page2-media-server-licence");
    session.Click(L"next2");
    // Page 3 is made visible before the test script runs, but the window is not repainted until
    // the script is done: the screen keeps the waiting page, where page 3's Next button would be
    // there is nothing but the page's face colour.
    if (!WaitUntil([&] { return OnlyPage(session, L"panel3"); })) {
      return ::testing::AssertionFailure() << "page 3 did not come";
    }
    if (screenshots) {
      session.Screenshot("page5-waiting", 0);
      if (PixelAtTopOf(session.Control(L"next3")) != GetSysColor(COLOR_BTNFACE)) {
        return ::testing::AssertionFailure() << "page 3 was painted during the detection";
      }
    }
    if (!WaitUntil([&] { return !session.Text(L"currentjavaversion").empty(); })) {
      return ::testing::AssertionFailure() << "the Java page did not show its result";
    }
    Sleep(300);
    if (PixelAtTopOf(session.Control(L"next3")) == GetSysColor(COLOR_BTNFACE)) {
      return ::testing::AssertionFailure() << "page 3 was not painted after the detection";
    }
    return ::testing::AssertionSuccess();
  }
};

TEST_F(Wizard, WithJavaItEndsOnTheControlPageAndTheNextStartBeginsThere) {
  {
    LauncherSession session(Machine{.java_startup_ms = 1000});
    ASSERT_TRUE(session.Start());
    EXPECT_TRUE(OnlyPage(session, L"panel1"));
    ASSERT_TRUE(ToTheJavaPage(session, true));
    EXPECT_EQ(session.Text(L"currentjavaversion"),
              L"Java was detected:\r\n"
              L"java version \"1.6.0_45\"\r\n"
              L"Java(TM) SE Runtime Environment (build 1.6.0_45-b06)\r\n"
              L"Java HotSpot(TM) 64-Bit Server VM (build 20.45-b01, mixed mode)\r\n");
    session.Screenshot("page3-java-found");

    session.Click(L"setjavahome");
    ASSERT_TRUE(WaitUntil([&] { return session.State(L"setjavahome").checked; }));
    session.Click(L"next3");
    ASSERT_TRUE(WaitUntil([&] { return OnlyPage(session, L"panel4"); }));
    EXPECT_EQ(session.Text(L"e1"), L"C:\\Program Files\\Java\\jre6");
    EXPECT_EQ(session.ReadKitFile(L"tools\\config.txt"),
              ThisComputer() + "\r\nC:\\Program Files\\Java\\jre6\r\n");
    EXPECT_TRUE(WaitUntil([] { return SystemJavaHome() == L"C:\\Program Files\\Java\\jre6"; }));
    ASSERT_TRUE(session.Close());

    LauncherSession again(Machine{});
    again.WriteKitFile(L"tools\\config.txt", session.ReadKitFile(L"tools\\config.txt"));
    ASSERT_TRUE(again.Start());
    EXPECT_TRUE(OnlyPage(again, L"panel4"));
    EXPECT_EQ(again.Text(L"e1"), L"C:\\Program Files\\Java\\jre6");
  }
}

TEST_F(Wizard, WithoutJavaOnlyYesLeavesTheJavaPage) {
  LauncherSession session(Machine{.java = false});
  ASSERT_TRUE(session.Start());
  ASSERT_TRUE(ToTheJavaPage(session, false));
  EXPECT_EQ(session.Text(L"currentjavaversion"),
            L"Java runtime environment was not detected on this machine.");
  session.Screenshot("page3-no-java");

  session.Click(L"next3");
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = session.MessageBoxWindow(L"Warning")) != nullptr; }));
  EXPECT_EQ(session.MessageBoxText(box),
            L"Java runtime environment was not found. Are you sure that Java (JRE) 1.6.0 or above "
            L"is successfully installed?");
  session.Screenshot("page3-warning");
  session.Answer(box, IDNO);
  ASSERT_TRUE(WaitUntil([&] { return session.MessageBoxWindow(L"Warning") == nullptr; }));
  EXPECT_TRUE(OnlyPage(session, L"panel3"));
  EXPECT_TRUE(WaitUntil([&] { return session.Focused() == L"next3"; }));
  EXPECT_EQ(session.ReadKitFile(L"tools\\config.txt"), "");

  session.Click(L"next3");
  ASSERT_TRUE(WaitUntil([&] { return (box = session.MessageBoxWindow(L"Warning")) != nullptr; }));
  session.Answer(box, IDYES);
  ASSERT_TRUE(WaitUntil([&] { return OnlyPage(session, L"panel4"); }));
  EXPECT_EQ(session.ReadKitFile(L"tools\\config.txt"), ThisComputer() + "\r\n\r\n");
  EXPECT_EQ(SystemJavaHome(), L"<none>");

  // "set JAVA_HOME" hands the edit box's text to the kit's tool as it stands, trailing
  // backslash included, and saves it.
  SendMessageW(session.Control(L"e1"), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(L"D:\\Java\\jdk 6\\"));
  session.Click(L"savejavahome");
  EXPECT_TRUE(WaitUntil([] { return SystemJavaHome() == L"D:\\Java\\jdk 6\\"; }))
      << SystemJavaHome();
  EXPECT_TRUE(WaitUntil([&] {
    return session.ReadKitFile(L"tools\\config.txt") ==
           ThisComputer() + "\r\nD:\\Java\\jdk 6\\\r\n";
  }));
}

// The access list setup asks for a kit folder it makes: Wine keeps none to read back.
std::string KitFolderAccessList() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  char user[256] = {};
  DWORD size = sizeof(user);
  GetTokenInformation(token, TokenUser, user, size, &size);
  CloseHandle(token);
  wchar_t* sid = nullptr;
  ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid);
  const std::string text =
      "D:P(A;OICI;FA;;;" + Utf8(sid) + ")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
  LocalFree(sid);
  return text;
}

TEST_F(Wizard, RunsInTheKitTheSetupProgramInstalledAndItsSettingsOutliveTheUninstall) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);  // what an earlier failed run left
  // Wine copies Start-menu shortcuts into the host's menus: into the build folder here.
  const wchar_t* menus = L"" TOLVANE_BINARY_DIR "/installer-test-menus";
  const EnvironmentOverride data(L"XDG_DATA_HOME", menus), config(L"XDG_CONFIG_HOME", menus);
  const std::wstring setup = L"\"" + HostPath(TOLVANE_SETUP) + L"\" /S ";
  ScratchFolder scratch;
  // A folder setup cannot write even as root, one NSIS would put aside for its default, system
  // folders (writable here, as root), and one where the kit's deepest path would pass 260.
  OutputFile(scratch.path() + L"file");
  for (const std::wstring& folder :
       {std::wstring(L"Z:\\proc"), scratch.path() + L"file\\kit",
        std::wstring(L"C:\\Program Files\\Kit"), std::wstring(L"C:\\windows\\Kit"),
        scratch.path() + std::wstring(230 - scratch.path().size(), L'k')}) {
    EXPECT_EQ(RunWithItsChildren(setup + L"/D=" + folder), 3u) << folder;
    EXPECT_EQ(UninstallValue(L"DisplayName"), L"<none>") << folder;
  }

  // Quoted, as scripts write it, with blanks and letters outside ASCII.
  const std::wstring kit = scratch.path() + L"Kits\\Zoë Тест", log = scratch.path() + L"setup.log";
  const std::wstring install = setup + L"/LOG=" + log + L" \"/D=" + kit + L"\"";
  ASSERT_EQ(RunWithItsChildren(install), 0u);
  EXPECT_EQ(ReadBytes(log), "Made " + Utf8(scratch.path()) + "Kits with the access list " +
                                KitFolderAccessList() + "\r\n");
  std::set<std::wstring> installed = Tree(HostPath(TOLVANE_DEMO_KIT));
  installed.insert({L"uninstall.exe", L"installed-files.txt"});
  EXPECT_EQ(Tree(kit), installed);
  const auto [target, folder] = ReadShortcut(ShortcutPath(CSIDL_PROGRAMS));
  ASSERT_EQ(target, kit + L"\\TolvaneChat.exe");
  EXPECT_EQ(folder, kit);
  EXPECT_TRUE(FileExists(ShortcutPath(CSIDL_DESKTOPDIRECTORY)));
  for (const auto& [name, value] :
       {std::pair<const wchar_t*, std::wstring>{L"DisplayName", L"Tolvane Chat"},
        {L"DisplayVersion", L"1.0.0.1445"},
        {L"Publisher", L"Tolvane Chat team"},
        {L"DisplayIcon", kit + L"\\TolvaneChat.exe,0"}}) {
    EXPECT_EQ(UninstallValue(name), value);
  }

  {
    LauncherSession session(Machine{}, folder + L"\\");
    ASSERT_TRUE(session.Start());
    EXPECT_TRUE(OnlyPage(session, L"panel1"));
    // While the launcher runs from the kit, neither setup nor the uninstaller changes a file.
    const std::string record = ReadBytes(kit + L"\\installed-files.txt");
    EXPECT_EQ(RunWithItsChildren(install), 4u);
    // Only an uninstaller run in place (_?=) gives its exit code to its caller.
    EXPECT_EQ(RunWithItsChildren(L"\"" + kit + L"\\uninstall.exe\" /S _?=" + kit), 4u);
    EXPECT_EQ(Tree(kit), installed);
    EXPECT_EQ(ReadBytes(kit + L"\\installed-files.txt"), record);
    EXPECT_EQ(UninstallValue(L"DisplayName"), L"Tolvane Chat");
    ASSERT_TRUE(ToTheJavaPage(session, false));
    session.Click(L"next3");
    ASSERT_TRUE(WaitUntil([&] { return OnlyPage(session, L"panel4"); }));
    ASSERT_TRUE(session.Close());
  }
  const std::string settings = ReadBytes(kit + L"\\tools\\config.txt");
  EXPECT_EQ(settings.rfind(ThisComputer() + "\r\n", 0), 0u) << settings;
  const std::wstring conf = kit + L"\\servers\\apache\\conf\\httpd.conf";
  const std::string edited = ReadBytes(conf) + "Listen 8085\r\n";
  { std::ofstream(std::filesystem::path(conf), std::ios::binary) << edited; }
  ASSERT_EQ(RunWithItsChildren(setup + L"/D=" + kit), 0u);
  EXPECT_EQ(ReadBytes(kit + L"\\tools\\config.txt"), settings) << "a reinstall keeps the settings";
  EXPECT_EQ(ReadBytes(conf), edited);
  EXPECT_EQ(ReadBytes(conf + L".new"),
            ReadBytes(HostPath(TOLVANE_DEMO_KIT) + L"\\servers\\apache\\conf\\httpd.conf"));
  const std::string report = ReadBytes(kit + L"\\setup-report.txt");  // UTF-16, as Notepad reads it
  EXPECT_NE(std::wstring(reinterpret_cast<const wchar_t*>(report.data()), report.size() / 2)
                .find(L"\n    servers\\apache\\conf\\httpd.conf\r\n"),
            std::wstring::npos);

  ASSERT_EQ(RunWithItsChildren(UninstallValue(L"QuietUninstallString")), 0u);
  EXPECT_EQ(Tree(kit), (std::set<std::wstring>{L"setup-report.txt", L"standins.log", L"servers\\",
                                               L"servers\\apache\\", L"servers\\apache\\conf\\",
                                               L"servers\\apache\\conf\\httpd.conf", L"tools\\",
                                               L"tools\\config.txt", L"tools\\javaversion.txt"}));
  EXPECT_EQ(ReadBytes(conf), edited);
  EXPECT_FALSE(FileExists(ShortcutPath(CSIDL_PROGRAMS)));
  EXPECT_FALSE(FileExists(ShortcutPath(CSIDL_DESKTOPDIRECTORY)));
  EXPECT_EQ(UninstallValue(L"DisplayName"), L"<none>");

  // A link where setup unpacks (another account could make one in a kit folder an older setup
  // made) never leads it out of the kit: the files it points to stay.
  const std::wstring documents = scratch.path() + L"Documents";
  CreateDirectoryW(documents.c_str(), nullptr);
  OutputFile(documents + L"\\letter.txt");
  ASSERT_TRUE(MakeFolderLink(kit + L"\\~setup", documents));
  RunWithItsChildren(setup + L"/D=" + kit);
  EXPECT_TRUE(FileExists(documents + L"\\letter.txt"));
}

}  // namespace
}  // namespace tolvane::test
