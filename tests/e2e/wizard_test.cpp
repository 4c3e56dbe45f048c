// The first-run wizard by real clicks: the licence pages, the waiting page while the kit's Java
// test script runs, the Java page in green or red, the warning, the settings file and JAVA_HOME,
// and the control page on the next start; and the wizard in a kit the setup program installed.
#include <gtest/gtest.h>
#include <shlobj.h>
// After windows.h:
#include <aclapi.h>
#include <sddl.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "folder_rules.h"
#include "launcher_session.h"
#include "system.h"

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
  const auto unix_file_name =
      SystemFunction<char*(CDECL*)(const wchar_t*)>(L"kernel32.dll", "wine_get_unix_file_name");
  if (!unix_file_name) {
    return CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
  }
  const auto unix_path = [&](const std::wstring& path) {
    char* name = unix_file_name(path.c_str());  // UTF-8
    const std::wstring wide = Wide(name ? name : "");
    HeapFree(GetProcessHeap(), 0, name);
    return L"\"" + wide + L"\"";
  };
  // Wine starts a Unix program but gives no handle to wait for: wait for the link instead.
  StartProgram(L"Z:\\usr\\bin\\ln -s " + unix_path(target) + L" " + unix_path(link));
  return WaitUntil([&] { return GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES; },
                   std::chrono::seconds(5));
}

std::wstring ShortName(const std::wstring& path) {
  wchar_t name[MAX_PATH] = {};
  GetShortPathNameW(path.c_str(), name, MAX_PATH);
  return name;
}

// What setup left to tell in the kit folder.
std::wstring Report(const std::wstring& kit, const wchar_t* name = L"setup-report.txt") {
  return Utf16(ReadBytes(kit + L"\\" + name));
}

// Whether the report tells `text`; the whole report when it does not.
::testing::AssertionResult Tells(const std::wstring& kit, const std::wstring& text,
                                 const wchar_t* name = L"setup-report.txt") {
  const std::wstring report = Report(kit, name);
  if (report.find(text) != std::wstring::npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << Utf8(report);
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
}

class Wizard : public ::testing::Test {
 protected:
  void SetUp() override { ForgetSystemJavaHome(); }
  void TearDown() override { ForgetSystemJavaHome(); }

  static bool OnlyPage(const LauncherSession& session, const wchar_t* page) {
    for (const wchar_t* p : {L"panel1", L"panel2", L"panel3", L"panel4", L"panel5"}) {
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
    // Page 3 is made visible to the form before the test script runs, but its window shows once
    // the script is done: meanwhile the window, and what screen readers are told, is the waiting
    // page alone.
    if (screenshots) {  // (the with-Java walk, whose script takes long enough to be seen)
      if (!WaitUntil([&] { return OnlyPage(session, L"panel5"); })) {
        return ::testing::AssertionFailure() << "the waiting page did not come";
      }
      session.Screenshot("page5-waiting", 0);
    }
    if (!WaitUntil([&] {
          return OnlyPage(session, L"panel3") && !session.Text(L"currentjavaversion").empty();
        })) {
      return ::testing::AssertionFailure() << "the Java page did not show its result";
    }
    if (!WaitUntil([&] {
          return PixelAtTopOf(session.Control(L"next3")) != GetSysColor(COLOR_BTNFACE);
        })) {
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

std::wstring UserSid() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  char user[256] = {};
  DWORD size = sizeof(user);
  GetTokenInformation(token, TokenUser, user, size, &size);
  CloseHandle(token);
  wchar_t* sid = nullptr;
  ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid);
  const std::wstring text = sid;
  LocalFree(sid);
  return text;
}

// Whether the system keeps writers from a read-only file (Wine run as root does not).
bool ReadOnlyIsKept(const std::wstring& folder) {
  const std::wstring probe = folder + L"read-only-probe";
  OutputFile(probe);
  SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY);
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  const bool kept = file == INVALID_HANDLE_VALUE;
  if (!kept) CloseHandle(file);
  SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(probe.c_str());
  return kept;
}

// The access list setup asks for a kit folder it makes (Wine keeps none to read back), read as
// Windows will: protected from the parent's, and only the user, SYSTEM and Administrators in it,
// each with full control handed down to files and folders.
::testing::AssertionResult IsTheKitsAccessList(const std::wstring& sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    return ::testing::AssertionFailure() << "no access list: " << Utf8(sddl);
  }
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  const kitsetup::FolderSecurity security = kitsetup::SecurityOf(descriptor);
  LocalFree(descriptor);
  std::set<std::wstring> full;
  for (const kitsetup::AccessEntry& entry : security.entries) {
    if (entry.allow && entry.rights == FILE_ALL_ACCESS &&
        entry.flags == (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) {
      full.insert(entry.sid);
    }
  }
  if ((control & SE_DACL_PROTECTED) && security.entries.size() == 3 &&
      full == std::set<std::wstring>{UserSid(), L"S-1-5-18", L"S-1-5-32-544"}) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "not the kit's access list: " << Utf8(sddl);
}

TEST_F(Wizard, RunsInTheKitTheSetupProgramInstalledAndItsSettingsOutliveTheUninstall) {
  RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);  // what an earlier failed run left
  const MenusInTheBuildFolder menus;
  const std::wstring setup = L"\"" + HostPath(TOLVANE_SETUP) + L"\" /S ";
  ScratchFolder scratch;
  // A folder setup cannot write even as root, one NSIS would put aside for its default, system
  // folders (writable here, as root), also by their short names or behind "\\?\", one where
  // the kit's deepest path would pass 260, one longer than a folder may be, and a drive's root.
  OutputFile(scratch.path() + L"file");
  for (const std::wstring& folder :
       {std::wstring(L"Z:\\proc"), scratch.path() + L"file\\kit",
        std::wstring(L"C:\\Program Files\\Kit"), std::wstring(L"C:\\windows\\Kit"),
        ShortName(L"C:\\Program Files") + L"\\Kit", std::wstring(L"\\\\?\\C:\\windows\\Kit"),
        scratch.path() + std::wstring(230 - scratch.path().size(), L'k'),
        scratch.path() + std::wstring(249 - scratch.path().size(), L'k') + L"\\Kit",
        std::wstring(L"C:\\")}) {
    EXPECT_EQ(RunWithItsChildren(setup + L"/D=" + folder), 3u) << folder;
    EXPECT_EQ(UninstallValue(L"DisplayName"), L"<none>") << folder;
  }
  for (const wchar_t* made : {L"C:\\windows\\Kit", L"C:\\Program Files\\Kit"}) {
    EXPECT_FALSE(Exists(made)) << made;
  }
  // Folders not absolute, which would be taken from whatever folder setup runs in, have no
  // canonical name, which setup's check asks for before anything else (the table test judges
  // them as well).
  for (const wchar_t* relative : {L"RelKit", L"C:RelKit", L"\\RelKit", L"RelKit\\."}) {
    EXPECT_FALSE(kitsetup::CanonicalFolder(relative)) << relative;
  }

  // Quoted, as scripts write it, with blanks and letters outside ASCII.
  const std::wstring kit = scratch.path() + L"Kits\\Zoë Тест", log = scratch.path() + L"setup.log";
  const std::wstring install = setup + L"/LOG=" + log + L" \"/D=" + kit + L"\"";
  ASSERT_EQ(RunWithItsChildren(install), 0u);
  // Only the kit folder gets the kit's access list; "Kits", made on the way, keeps what it
  // inherits.
  const std::string made = "Made " + Utf8(kit) + " with the access list ";
  const std::string logged = ReadBytes(log);
  ASSERT_EQ(logged.rfind(made, 0), 0u) << logged;
  ASSERT_EQ(logged.substr(logged.size() - 2), "\r\n");
  EXPECT_TRUE(
      IsTheKitsAccessList(Wide(logged.substr(made.size(), logged.size() - made.size() - 2))));
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
    EXPECT_EQ(RunWithItsChildren(setup + L"/D=" + ShortName(kit)), 4u) << ShortName(kit);
    // Setup names the programs that use the kit, for the user to close.
    const std::wstring names = scratch.path() + L"programs.txt";
    EXPECT_EQ(RunWithItsChildren(L"\"" + HostPath(TOLVANE_KIT_SETUP) + L"\" running \"" + kit +
                                 L"\" uninstall.exe \"" + names + L"\""),
              4u);
    EXPECT_NE(Utf16(ReadBytes(names)).find(L"TolvaneChat.exe\r\n"), std::wstring::npos);
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
  // Given behind "\\?\", the folder is registered by its canonical name.
  ASSERT_EQ(RunWithItsChildren(setup + L"\"/D=\\\\?\\" + kit + L"\""), 0u);
  EXPECT_EQ(UninstallValue(L"InstallLocation"), kit);
  EXPECT_EQ(ReadBytes(kit + L"\\tools\\config.txt"), settings) << "a reinstall keeps the settings";
  EXPECT_EQ(ReadBytes(conf), edited);
  EXPECT_EQ(ReadBytes(conf + L".new"),
            ReadBytes(HostPath(TOLVANE_DEMO_KIT) + L"\\servers\\apache\\conf\\httpd.conf"));
  EXPECT_TRUE(Tells(kit, L"\n    servers\\apache\\conf\\httpd.conf\r\n"));

  // The quiet uninstaller hands over to a copy of itself, whose exit code nobody gets.
  RunWithItsChildren(UninstallValue(L"QuietUninstallString"));
  EXPECT_EQ(Tree(kit),
            (std::set<std::wstring>{L"uninstall-report.txt", L"standins.log", L"servers\\",
                                    L"servers\\apache\\", L"servers\\apache\\conf\\",
                                    L"servers\\apache\\conf\\httpd.conf", L"tools\\",
                                    L"tools\\config.txt", L"tools\\javaversion.txt"}));
  EXPECT_EQ(ReadBytes(conf), edited);
  EXPECT_FALSE(FileExists(ShortcutPath(CSIDL_PROGRAMS)));
  EXPECT_FALSE(FileExists(ShortcutPath(CSIDL_DESKTOPDIRECTORY)));
  EXPECT_EQ(UninstallValue(L"DisplayName"), L"<none>");
}

// The setup program against kit folders as users leave them: upgraded from a setup that kept no
// record, with a damaged record, a file held open, a link, a read-only file, a folder of the
// user's named like setup's, and two setups at once.
class KitSetup : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey); }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey); }

  static DWORD Install(const std::wstring& kit) {
    return RunWithItsChildren(L"\"" + HostPath(TOLVANE_SETUP) + L"\" /S \"/D=" + kit + L"\"");
  }
  // Run in place, the uninstaller gives its exit code.
  static DWORD Uninstall(const std::wstring& kit) {
    return RunWithItsChildren(L"\"" + kit + L"\\uninstall.exe\" /S _?=" + kit);
  }
  static std::string Shipped(const std::wstring& relative) {
    return ReadBytes(HostPath(TOLVANE_SHIPPED_KIT) + L"\\" + relative);
  }

  const MenusInTheBuildFolder menus_;
  ScratchFolder scratch_;
  const std::wstring kit_ = scratch_.path() + L"Kit";
};

TEST_F(KitSetup, UpgradesAFolderWithoutARecordAndOneWhoseRecordIsDamaged) {
  // The kit as an older setup left it: no record, another build of the launcher and of the
  // environment tool, a configuration the user edited, and a folder of the user's own that is
  // named as setup's staging folder once was.
  std::filesystem::copy(std::filesystem::path(HostPath(TOLVANE_SHIPPED_KIT)),
                        std::filesystem::path(kit_), std::filesystem::copy_options::recursive);
  const std::wstring launcher = kit_ + L"\\TolvaneChat.exe",
                     tool =
                         kit_ +
                         L"\\tools\\RegisterEnvironmentVariable\\RegisterEnvironmentVariable.exe",
                     conf = kit_ + L"\\servers\\apache\\conf\\httpd.conf",
                     ideas = kit_ + L"\\~setup\\notes\\ideas.txt";
  const std::string old_launcher = ReadBytes(launcher) + "another build",
                    old_tool = ReadBytes(tool) + "another build",
                    edited = ReadBytes(conf) + "Listen 8085\r\n";
  WriteBytes(launcher, old_launcher);
  WriteBytes(tool, old_tool);
  WriteBytes(conf, edited);
  std::filesystem::create_directories(std::filesystem::path(kit_ + L"\\~setup\\notes"));
  WriteBytes(ideas, "ideas");

  ASSERT_EQ(Install(kit_), 0u) << Report(kit_);
  // The kit's programs are replaced, their old bytes kept where the web server runs nothing; the
  // user's text stays.
  const std::wstring kept = kit_ + L"\\~kept\\TolvaneChat.exe.old",
                     kept_tool = kit_ + L"\\~kept" + tool.substr(kit_.size()) + L".old";
  EXPECT_EQ(ReadBytes(launcher), Shipped(L"TolvaneChat.exe"));
  EXPECT_EQ(ReadBytes(kept), old_launcher);
  EXPECT_EQ(ReadBytes(kept_tool), old_tool);
  EXPECT_EQ(ReadBytes(conf), edited);
  EXPECT_EQ(ReadBytes(conf + L".new"), Shipped(L"servers\\apache\\conf\\httpd.conf"));
  EXPECT_EQ(ReadBytes(ideas), "ideas");
  const std::wstring report = Report(kit_);
  const std::size_t replaced = report.find(L"Setup replaced them"),
                    changed = report.find(L"You had changed these files");
  ASSERT_NE(replaced, std::wstring::npos) << report;
  ASSERT_NE(changed, std::wstring::npos) << report;
  EXPECT_NE(
      report.find(L"\n    TolvaneChat.exe (kept as ~kept\\TolvaneChat.exe.old)\r\n", replaced),
      std::wstring::npos)
      << report;
  EXPECT_NE(report.find(L"\n    servers\\apache\\conf\\httpd.conf\r\n", changed),
            std::wstring::npos)
      << report;
  EXPECT_EQ(report.find(L"TolvaneChat.pdf"), std::wstring::npos) << "unchanged, so not told";

  // One byte appended: the uninstaller keeps every file, the record and the entry.
  const std::wstring record = kit_ + L"\\installed-files.txt";
  const std::string damaged = ReadBytes(record) + "\xFF";
  WriteBytes(record, damaged);
  const std::set<std::wstring> before = Tree(kit_);
  EXPECT_EQ(Uninstall(kit_), 5u);
  std::set<std::wstring> after = Tree(kit_);
  EXPECT_EQ(after.erase(L"uninstall-report.txt"), 1u);
  EXPECT_EQ(after, before);
  EXPECT_EQ(ReadBytes(record), damaged);
  EXPECT_EQ(UninstallValue(L"DisplayName"), L"Tolvane Chat");
  EXPECT_TRUE(Tells(kit_, L"is damaged", L"uninstall-report.txt"));

  // Setup keeps the damaged record aside and takes the folder as one without a record.
  ASSERT_EQ(Install(kit_), 0u) << Report(kit_);
  EXPECT_EQ(ReadBytes(kit_ + L"\\installed-files.damaged.txt"), damaged);
  EXPECT_TRUE(Tells(kit_, L"installed-files.damaged.txt"));
  EXPECT_EQ(ReadBytes(launcher), Shipped(L"TolvaneChat.exe"));
  EXPECT_FALSE(FileExists(kept + L"2")) << "the launcher was setup's this time";

  ASSERT_EQ(Uninstall(kit_), 0u) << Report(kit_, L"uninstall-report.txt");
  EXPECT_FALSE(FileExists(launcher));
  EXPECT_FALSE(FileExists(kit_ + L"\\setup-report.txt")) << "setup's report is setup's";
  for (const std::wstring& kept :
       {kept, kept_tool, conf, ideas, kit_ + L"\\installed-files.damaged.txt"}) {
    EXPECT_TRUE(FileExists(kept)) << kept;
  }
  EXPECT_TRUE(Tells(kit_, L"\n    ~setup\\notes\\ideas.txt\r\n", L"uninstall-report.txt"));
}

TEST_F(KitSetup, NeverGoesThroughALinkNorOverAFileItCanNotRead) {
  ASSERT_EQ(Install(kit_), 0u);
  const std::wstring pdf = kit_ + L"\\TolvaneChat.pdf", ini = kit_ + L"\\servers\\php\\php.ini";

  // A file held open without sharing can be neither read nor replaced: it is not taken for
  // absent, and a setup that could not put every file in place is no new version.
  RegDeleteTreeW(HKEY_CURRENT_USER, kUninstallKey);
  {
    const UniqueHandle held(CreateFileW(pdf.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Install(kit_), 5u);
    EXPECT_TRUE(Tells(kit_, L"A program holds these files open"));
    EXPECT_TRUE(Tells(kit_, L"\n    TolvaneChat.pdf\r\n"));
    EXPECT_EQ(UninstallValue(L"DisplayVersion"), L"<none>");
    EXPECT_EQ(UninstallValue(L"DisplayName"), L"Tolvane Chat");
    EXPECT_EQ(Uninstall(kit_), 5u);
    EXPECT_NE(ReadBytes(kit_ + L"\\installed-files.txt").find("  TolvaneChat.pdf\n"),
              std::string::npos);
    EXPECT_TRUE(FileExists(kit_ + L"\\uninstall.exe"));
  }
  EXPECT_EQ(ReadBytes(pdf), Shipped(L"TolvaneChat.pdf"));
  ASSERT_EQ(Install(kit_), 0u) << Report(kit_);

  // A file a user or a tool made read-only is still setup's to replace and remove. Wine run as
  // root ignores the attribute, so there the case proves nothing: it is told as skipped, and the
  // decision is covered by its table test.
  if (!ReadOnlyIsKept(scratch_.path())) {
    std::printf("[ UNCHECKED ] read-only files: Wine run as root ignores the attribute\n");
  } else {
    ASSERT_TRUE(SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Install(kit_), 0u) << Report(kit_);
    EXPECT_EQ(UninstallValue(L"DisplayVersion"), L"1.0.0.1445");
    ASSERT_TRUE(SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(Uninstall(kit_), 0u) << Report(kit_, L"uninstall-report.txt");
    EXPECT_FALSE(FileExists(ini));
  }

  // A link in the kit to a folder elsewhere: nothing is written or deleted through it.
  ASSERT_EQ(Install(kit_), 0u);
  const std::wstring elsewhere = scratch_.path() + L"Elsewhere";
  std::filesystem::rename(std::filesystem::path(kit_ + L"\\tools"),
                          std::filesystem::path(elsewhere));
  ASSERT_TRUE(MakeFolderLink(kit_ + L"\\tools", elsewhere));
  const std::set<std::wstring> outside = Tree(elsewhere);
  EXPECT_EQ(Install(kit_), 3u);
  EXPECT_EQ(Tree(elsewhere), outside);
  EXPECT_EQ(Uninstall(kit_), 3u);
  EXPECT_EQ(Tree(elsewhere), outside);
  EXPECT_TRUE(FileExists(kit_ + L"\\TolvaneChat.exe"));

  // A file of the kit that lets every account change it (Wine keeps that entry as the file's
  // mode): the folder is never adopted, and nothing changes.
  const std::wstring open = scratch_.path() + L"Open";
  ASSERT_EQ(Install(open), 0u) << Report(open);
  PSECURITY_DESCRIPTOR everyone = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  PACL list = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:(A;;FA;;;WD)", SDDL_REVISION_1, &everyone, nullptr));
  GetSecurityDescriptorDacl(everyone, &present, &list, &defaulted);
  ASSERT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>((open + L"\\TolvaneChat.pdf").c_str()),
                                  SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, list,
                                  nullptr),
            0u);
  LocalFree(everyone);
  const std::set<std::wstring> before = Tree(open);
  EXPECT_EQ(Install(open), 3u);
  EXPECT_EQ(Tree(open), before);
}

// The mutex another setup of the user holds, made as setup makes it: in a private namespace whose
// boundary holds the user's SID, or, where there is none (Wine makes no boundary), by its global
// name.
class SetupMutex {
 public:
  SetupMutex() {
    PSID sid = nullptr;
    ConvertStringSidToSidW(UserSid().c_str(), &sid);
    HANDLE boundary = CreateBoundaryDescriptorW(L"TolvaneChat", 0);
    if (boundary && AddSIDToBoundaryDescriptor(&boundary, sid)) {
      namespace_ = CreatePrivateNamespaceW(nullptr, boundary, L"TolvaneChat");
    }
    if (boundary) DeleteBoundaryDescriptor(boundary);
    LocalFree(sid);
    mutex_.reset(CreateMutexW(nullptr, TRUE,
                              namespace_ ? L"TolvaneChat\\TolvaneChatSetup"
                                         : (L"Global\\TolvaneChatSetup-" + UserSid()).c_str()));
  }
  ~SetupMutex() {
    mutex_.reset();
    if (namespace_) ClosePrivateNamespace(namespace_, 0);
  }
  SetupMutex(const SetupMutex&) = delete;
  SetupMutex& operator=(const SetupMutex&) = delete;
  bool held() const { return mutex_ != nullptr; }

 private:
  HANDLE namespace_ = nullptr;
  UniqueHandle mutex_;
};

TEST_F(KitSetup, OneSetupAtATime) {
  // Another setup or uninstaller, of this session or another, holds the kit folder's lock.
  CreateDirectoryW(kit_.c_str(), nullptr);
  {
    const UniqueHandle lock(CreateFileW((kit_ + L"\\~setup.lock").c_str(), GENERIC_READ, 0, nullptr,
                                        CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    ASSERT_NE(lock.get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Install(kit_), 4u);
    EXPECT_EQ(Tree(kit_), (std::set<std::wstring>{L"~setup.lock"}));
  }
  // A lock file setup can not open is no other setup's: it may be another account's, which made
  // it while it could write in the folder (Wine has no second account: a folder of the name
  // stands for it here). The folder is not the user's alone.
  ASSERT_TRUE(CreateDirectoryW((kit_ + L"\\~setup.lock").c_str(), nullptr));
  EXPECT_EQ(Install(kit_), 3u);
  EXPECT_EQ(Tree(kit_), (std::set<std::wstring>{L"~setup.lock\\"}));
  ASSERT_TRUE(RemoveDirectoryW((kit_ + L"\\~setup.lock").c_str()));
  // Made by setup itself, the folder has the kit's access list (one made here would let others
  // read it under Wine, which setup would mend and tell).
  ASSERT_TRUE(RemoveDirectoryW(kit_.c_str()));
  // Another setup or uninstaller of this user runs, in this session or another: it holds the
  // user's mutex, and this one ends at once, touching nothing.
  {
    const SetupMutex running;
    ASSERT_TRUE(running.held());
    EXPECT_EQ(Install(kit_), 4u);
    EXPECT_FALSE(Exists(kit_));
  }
  // Once it ends, setup installs (the whole kit, as RunsInTheKitTheSetupProgramInstalled... shows).
  EXPECT_EQ(Install(kit_), 0u) << Report(kit_);
}

TEST_F(KitSetup, PutsInPlaceOnlyWhatTheBuildShippedAndRefusesNamesWindowsCannotHold) {
  const std::wstring shipped = HostPath(TOLVANE_SHIPPED_KIT), data = shipped + L"-data",
                     tool = L"\"" + HostPath(TOLVANE_KIT_SETUP) + L"\" ";
  const std::wstring staging = Staged(HostPath(TOLVANE_KIT_SETUP), kit_, shipped);
  ASSERT_EQ(staging.rfind(L"~setup.", 0), 0u) << staging;
  // An unpacked file that is not what the build shipped (a disk error, a program that changed
  // it) is not put in place, and the report says why.
  WriteBytes(kit_ + L"\\" + staging + L"\\TolvaneChat.pdf", "not the manual");
  EXPECT_EQ(InstallStaged(HostPath(TOLVANE_KIT_SETUP), kit_, staging, shipped), 5u);
  EXPECT_FALSE(FileExists(kit_ + L"\\TolvaneChat.pdf"));
  EXPECT_EQ(ReadBytes(kit_ + L"\\TolvaneChat.exe"), Shipped(L"TolvaneChat.exe"));
  EXPECT_FALSE(Exists(kit_ + L"\\" + staging));
  EXPECT_TRUE(Tells(kit_, L"quarantine, then run setup again:\r\n    TolvaneChat.pdf\r\n"));
  EXPECT_EQ(ReadBytes(kit_ + L"\\installed-files.txt").find("TolvaneChat.pdf"), std::string::npos);

  // The settings of a kit folder setup did not trust go, as data only, into the new one the user
  // chose instead, unless it has its own.
  const std::wstring refused = scratch_.path() + L"Refused", settings = L"\\tools\\config.txt";
  std::filesystem::create_directories(std::filesystem::path(refused + L"\\tools"));
  for (const char* theirs : {"PC1\nC:\\Program Files\\Java\nextension=evil.dll\n", "PC2\r\n"}) {
    WriteBytes(refused + settings, theirs);
    EXPECT_EQ(RunWithItsChildren(tool + L"settings \"" + kit_ + L"\" \"" + refused + L"\""), 0u);
    EXPECT_EQ(ReadBytes(kit_ + settings), "PC1\r\nC:\\Program Files\\Java\r\n");
  }

  // The build refuses a kit with a file Windows cannot hold, as setup would.
  const std::wstring bad = scratch_.path() + L"data";
  std::filesystem::copy(std::filesystem::path(data), std::filesystem::path(bad),
                        std::filesystem::copy_options::recursive);
  for (const auto& [line, problem] :
       {std::pair<std::string, std::wstring>{"www\\aux.php",
                                             L"not a file Windows can hold: www\\aux.php"},
        {"tools\\Javatest.bat", L"listed twice in other letters: tools\\Javatest.bat"},
        {"docs.\\", L"not a folder Windows can hold: docs."}}) {
    WriteBytes(bad + L"\\shipped.txt",
               ReadBytes(data + L"\\shipped.txt") +
                   (line.back() == '\\' ? line : std::string(64, 'a') + "  " + line) + "\n");
    EXPECT_EQ(RunWithItsChildren(tool + L"verify \"" + bad + L"\" \"" + bad + L"\\problem.txt\""),
              2u);
    EXPECT_EQ(ReadBytes(bad + L"\\problem.txt"), "shipped.txt: " + Utf8(problem));
  }
}

// A copy of the kit that a setup cut off after unpacking left (a staging folder with setup's mark)
// goes with the next setup and with the uninstaller, and is never called the user's; a record
// setup can not write names itself.
TEST_F(KitSetup, RemovesLeftCopiesOfTheKitAndNamesTheRecordItCouldNotWrite) {
  const auto left_staging = [&](const std::wstring& name) {
    const std::wstring staging = kit_ + L"\\" + name;
    std::filesystem::create_directories(std::filesystem::path(staging + L"\\servers\\apache\\bin"));
    WriteBytes(staging + L"\\~setup.id", Utf8(name));
    WriteBytes(staging + L"\\servers\\apache\\bin\\httpd.exe",
               Shipped(L"servers\\apache\\bin\\httpd.exe"));
    return staging;
  };
  const std::wstring before_setup = left_staging(L"~setup.0123456789abcdef");
  // The user's folder of a like name has no mark: it stays, and stays the user's.
  const std::wstring mine = kit_ + L"\\~setup.fedcba9876543210\\mine.txt";
  std::filesystem::create_directories(std::filesystem::path(kit_ + L"\\~setup.fedcba9876543210"));
  WriteBytes(mine, "mine");
  ASSERT_EQ(Install(kit_), 0u) << Report(kit_);
  EXPECT_FALSE(Exists(before_setup));

  const std::wstring record = kit_ + L"\\installed-files.txt";
  std::set<std::wstring> before = Tree(kit_);
  // A folder where setup writes its record before it moves it in place: no record can be
  // written, so no file is changed.
  ASSERT_TRUE(CreateDirectoryW((record + L".part").c_str(), nullptr));
  before.insert({L"installed-files.txt.part\\", L"setup-report.txt"});
  EXPECT_EQ(Install(kit_), 5u);
  EXPECT_EQ(Tree(kit_), before);
  EXPECT_TRUE(Tells(kit_,
                    L"could not write its record of the files it installs "
                    L"(installed-files.txt)"));
  RemoveDirectoryW((record + L".part").c_str());

  // A damaged record that can not be put aside (a program holds it) stays, and says so.
  const std::string damaged = ReadBytes(record) + "\xFF";
  WriteBytes(record, damaged);
  {
    const UniqueHandle held(CreateFileW(record.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Install(kit_), 5u);
  }
  EXPECT_EQ(ReadBytes(record), damaged);
  EXPECT_TRUE(Tells(kit_, L"could not keep it aside"));
  EXPECT_EQ(Install(kit_), 0u) << Utf8(Report(kit_));

  // A power cut on a FAT drive between removing the record and renaming the new one in leaves
  // the whole new record under its writing name: it is the record.
  ASSERT_TRUE(MoveFileW(record.c_str(), (record + L".part").c_str()));
  const std::wstring before_uninstall = left_staging(L"~setup.00000000000000ff");
  EXPECT_EQ(Uninstall(kit_), 0u) << Utf8(Report(kit_, L"uninstall-report.txt"));
  EXPECT_FALSE(Exists(before_uninstall));
  EXPECT_FALSE(FileExists(kit_ + L"\\TolvaneChat.exe"));
  EXPECT_FALSE(Exists(record + L".part"));
  const std::wstring told = Report(kit_, L"uninstall-report.txt");
  EXPECT_EQ(told.find(L"~setup.0"), std::wstring::npos) << Utf8(told);
  EXPECT_NE(told.find(L"\n    ~setup.fedcba9876543210\\mine.txt\r\n"), std::wstring::npos)
      << Utf8(told);
  EXPECT_EQ(ReadBytes(mine), "mine");
}

// Wine's way of refusing to start one program: its C runtime disabled for it alone (as on
// Windows a rule against programs in the temporary folder, or a virus scanner's quarantine,
// refuses setup's helper).
struct HelperRefused : WineLibraries {
  HelperRefused() : WineLibraries(L"KitSetup.exe", {L"msvcrt"}, L"disabled") {}
};

// The texts of a window's controls, read as another process reads them.
std::wstring TextsIn(HWND window) {
  std::wstring texts;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM data) {
        wchar_t text[1024] = {};
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(child, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, 2000, &ignored);
        *reinterpret_cast<std::wstring*>(data) += std::wstring(text) + L"\n";
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texts));
  return texts;
}

// The visible dialog of process `id` with a text that holds `part`.
HWND DialogSaying(DWORD id, const std::wstring& part) {
  HWND box = nullptr;
  while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(box, &owner);
    if (owner == id && IsWindowVisible(box) && TextsIn(box).find(part) != std::wstring::npos) {
      return box;
    }
  }
  return nullptr;
}

// Wine's way of making this account's profile folder one in the Windows folder, as a service
// account's is (Wine puts it under ProfilesDirectory).
class ServiceProfile {
 public:
  ServiceProfile() { Set(L"C:\\windows\\ServiceProfiles"); }
  ~ServiceProfile() { Set(L"C:\\users"); }  // Wine's own
  ServiceProfile(const ServiceProfile&) = delete;
  ServiceProfile& operator=(const ServiceProfile&) = delete;

 private:
  static void Set(const std::wstring& folder) {
    RegSetKeyValueW(HKEY_LOCAL_MACHINE,
                    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList",
                    L"ProfilesDirectory", REG_EXPAND_SZ, folder.c_str(),
                    static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
  }
};

// A helper that can not start is told apart from a refused folder, a refused account and programs
// in use, silently by its exit code, and in the window by a message said once.
TEST_F(KitSetup, EndsWithItsOwnCodeWhenItsHelperCanNotRun) {
  ASSERT_EQ(Install(kit_), 0u) << Report(kit_);
  const std::set<std::wstring> installed = Tree(kit_);
  const HelperRefused refused;
  const std::wstring other = scratch_.path() + L"Other";
  EXPECT_EQ(Install(other), 6u);
  EXPECT_FALSE(Exists(other));
  // Run as a service account (a deployment tool's SYSTEM), setup ends before it unpacks anything
  // into that account's temporary folder in the Windows folder: before its helper runs.
  {
    const ServiceProfile profile;
    EXPECT_EQ(Install(other), 3u);
    EXPECT_FALSE(Exists(other));
  }
  EXPECT_EQ(Uninstall(kit_), 6u);

  const StartedProgram uninstaller = StartProgram(L"\"" + kit_ + L"\\uninstall.exe\" _?=" + kit_);
  ASSERT_TRUE(uninstaller.process);
  // The uninstaller asks its helper first of all (whether it runs as the user): it says so at once.
  HWND box = nullptr;
  EXPECT_TRUE(WaitUntil([&] {
    return (box = DialogSaying(uninstaller.id, L"could not run its helper program")) != nullptr;
  }));
  if (box) PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(ExitCodeWithin(uninstaller.process.get(), 20000), 6u) << "asked again?";
  EXPECT_EQ(Tree(kit_), installed);
  EXPECT_EQ(UninstallValue(L"DisplayName"), L"Tolvane Chat");
}

// Who may change an existing folder, as setup reads it from its security descriptor: built here
// from SDDL, since Wine keeps no access lists on its files.
TEST_F(KitSetup, TrustsAnExistingFolderOnlyWhenNoOtherAccountCanChangeIt) {
  const std::wstring user = UserSid(), other = L"S-1-5-21-1-2-3-1001";
  const std::wstring kit_entries = L"(A;OICI;FA;;;" + user + L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
  const struct {
    std::wstring sddl;
    kitsetup::FolderTrust trust;
  } rows[] = {
      {L"O:" + other + L"D:(A;OICI;FA;;;" + other + L")", kitsetup::FolderTrust::kForeignOwner},
      // A folder made under C:\, inheriting its entries: Authenticated Users may change it.
      {L"O:" + user +
           L"D:AI(A;ID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIID;0x1200a9;;;BU)"
           L"(A;OICIIOID;SDGXGWGR;;;AU)(A;ID;0x1301bf;;;AU)(A;OICIIOID;GA;;;CO)",
       kitsetup::FolderTrust::kProtect},
      {L"O:" + user + L"D:P" + kit_entries + L"(A;OICI;FRFX;;;BU)",
       kitsetup::FolderTrust::kTrusted},
      {L"O:BAD:AI(A;OICIID;FA;;;SY)(A;OICIID;FA;;;BA)(A;OICIIOID;GA;;;CO)",
       kitsetup::FolderTrust::kTrusted},
  };
  for (const auto& row : rows) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        row.sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        << Utf8(row.sddl);
    EXPECT_EQ(kitsetup::JudgeFolderSecurity(kitsetup::SecurityOf(descriptor), user), row.trust)
        << Utf8(row.sddl);
    LocalFree(descriptor);
  }
}

}  // namespace
}  // namespace tolvane::test
