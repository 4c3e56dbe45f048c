// The Windows file access for real: share modes, the ANSI code page, replacing in one step, the
// path limit and what counts as an existing file.
#include "files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <random>
#include <string>

#include "codepage.h"
#include "kit_fixtures.h"
#include "settings.h"
#include "textfile.h"

namespace tolvane {
namespace {

using test::UniqueHandle;

// A scratch folder, and the files in it by name.
struct ScratchFolder : test::ScratchFolder {
  const std::wstring& Dir() const { return path(); }
  std::wstring Path(const std::wstring& name) const { return path() + name; }
  void Write(const std::wstring& name, const std::string& bytes) const {
    std::ofstream(std::filesystem::path(Path(name)), std::ios::binary) << bytes;
  }
  std::string Read(const std::wstring& name) const { return test::ReadBytes(Path(name)); }
};

DWORD ErrorOf(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const IoError& error) {
    return static_cast<DWORD>(error.code());
  }
  return ERROR_SUCCESS;
}

TEST(Win32Files, FileHeldOpenForWritingCanNotBeRead) {
  ScratchFolder folder;
  folder.Write(L"config.txt", "pc\r\nhome\r\n");
  FileSystem& files = MachineFileSystem();
  {
    // The writer shares everything; the reader's read-only sharing still refuses it.
    UniqueHandle writer(CreateFileW(folder.Path(L"config.txt").c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(writer.get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorOf([&] { files.OpenRead(folder.Path(L"config.txt")); }),
              static_cast<DWORD>(ERROR_SHARING_VIOLATION));

    TMachineSettings settings{L"", L"passed in"};
    LoadSettings(files, folder.Path(L"config.txt"), settings);
    EXPECT_EQ(settings.ComputerName, L"unknown");
    EXPECT_EQ(settings.JavaHome, L"passed in");
  }
  // Readers share with each other.
  auto first = files.OpenRead(folder.Path(L"config.txt"));
  TextReader second(files, folder.Path(L"config.txt"));
  EXPECT_EQ(second.ReadLine(), L"pc");
}

TEST(Win32Files, WritesTheAnsiCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "expects code page 1252, Wine's default, not " << GetACP();
  EXPECT_EQ(WideToAnsi(L"\u4E2D"), "?");
  EXPECT_EQ(AnsiToWide("\x80\xEB"), L"\u20AC\u00EB");

  ScratchFolder folder;
  SaveSettings(MachineFileSystem(), folder.Path(L"config.txt"), {L"Zo\u00EB", L"C:\\\u4E2D"});
  EXPECT_EQ(folder.Read(L"config.txt"), "Zo\xEB\r\nC:\\?\r\n");
  TMachineSettings settings;
  LoadSettings(MachineFileSystem(), folder.Path(L"config.txt"), settings);
  EXPECT_EQ(settings.ComputerName, L"Zo\u00EB");
  EXPECT_EQ(settings.JavaHome, L"C:\\?");
}

TEST(Win32Files, ReplacePutsTheNewFileInPlace) {
  ScratchFolder folder;
  folder.Write(L"config.txt", "old");
  folder.Write(L"config.new", "new");
  MachineFileSystem().Replace(folder.Path(L"config.new"), folder.Path(L"config.txt"));
  EXPECT_EQ(folder.Read(L"config.txt"), "new");
  EXPECT_FALSE(MachineFileSystem().Exists(folder.Path(L"config.new")));

  // The settings file is saved the same way, over the old one, leaving no temporary file.
  SaveSettings(MachineFileSystem(), folder.Path(L"config.txt"), {L"pc", L"C:\\Java"});
  EXPECT_EQ(folder.Read(L"config.txt"), "pc\r\nC:\\Java\r\n");
  EXPECT_FALSE(MachineFileSystem().Exists(folder.Path(L"config.tx~")));
}

TEST(Win32Files, SaveKeepsTheOldFileWhenItCanNotBeReplaced) {
  ScratchFolder folder;
  folder.Write(L"config.txt", "old\r\n");
  UniqueHandle reader(CreateFileW(folder.Path(L"config.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_NE(reader.get(), INVALID_HANDLE_VALUE);
  SaveSettings(MachineFileSystem(), folder.Path(L"config.txt"), {L"pc", L"home"});
  EXPECT_EQ(folder.Read(L"config.txt"), "old\r\n");
  EXPECT_FALSE(MachineFileSystem().Exists(folder.Path(L"config.tx~")));
}

// A process that saves the settings over and over is ended at random moments, mid-save more often
// than not: the settings file always holds one whole save, and what a killed save leaves behind
// never stops the next one.
TEST(Win32Files, ASaveKilledHalfWayLeavesTheOldOrTheNewFile) {
  const std::string old_file = "OLD-PC\r\nC:\\Java\\old\r\n";
  const std::string new_file = "NEW-PC\r\nC:\\Program Files\\Java\\new\r\n";
  ScratchFolder folder;
  folder.Write(L"config.txt", old_file);
  UniqueHandle saving(CreateEventW(nullptr, TRUE, FALSE, L"TOLVANE_CHILD_SAVING"));
  SetEnvironmentVariableW(L"TOLVANE_CHILD_SAVE_LOOP", folder.Path(L"config.txt").c_str());
  std::wstring child = test::HostPath(TOLVANE_BINARY_DIR "/tests/win32/tolvane_test_child.exe");
  std::mt19937 random(20261207);
  constexpr int kKills = 25;
  int leftovers = 0;
  for (int kill = 0; kill < kKills; ++kill) {
    ResetEvent(saving.get());
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, child.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    const UniqueHandle owner(process.hProcess);
    CloseHandle(process.hThread);
    ASSERT_EQ(WaitForSingleObject(saving.get(), 10000), WAIT_OBJECT_0);
    Sleep(std::uniform_int_distribution<DWORD>(0, 8)(random));
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
    const std::string now = folder.Read(L"config.txt");
    ASSERT_TRUE(now == old_file || now == new_file) << "kill " << kill << " left: " << now;
    leftovers += MachineFileSystem().Exists(folder.Path(L"config.tx~"));
  }
  SetEnvironmentVariableW(L"TOLVANE_CHILD_SAVE_LOOP", nullptr);
  SaveSettings(MachineFileSystem(), folder.Path(L"config.txt"), {L"pc", L"home"});
  EXPECT_EQ(folder.Read(L"config.txt"), "pc\r\nhome\r\n");
  EXPECT_FALSE(MachineFileSystem().Exists(folder.Path(L"config.tx~")));
  std::printf("%d of %d kills left a half-made save behind\n", leftovers, kKills);
}

TEST(Win32Files, RefusesPathsOver259Characters) {
  ScratchFolder folder;
  const std::wstring path259 = folder.Path(std::wstring(259 - folder.Dir().size(), L'n'));
  ASSERT_EQ(path259.size(), 259u);
  FileSystem& files = MachineFileSystem();
  files.Create(path259)->Commit();
  EXPECT_TRUE(files.Exists(path259));
  EXPECT_NO_THROW(files.OpenRead(path259));

  const std::wstring path260 = path259 + L"x";
  const DWORD too_long = ERROR_FILENAME_EXCED_RANGE;
  EXPECT_FALSE(files.Exists(path260));
  EXPECT_EQ(ErrorOf([&] { files.Create(path260); }), too_long);
  EXPECT_EQ(ErrorOf([&] { files.OpenRead(path260); }), too_long);
  EXPECT_EQ(ErrorOf([&] { files.Replace(path259, path260); }), too_long);
  EXPECT_EQ(ErrorOf([&] { files.Remove(path260); }), too_long);
  EXPECT_EQ(ErrorOf([&] { files.OpenRead(path259 + std::wstring(300, L'y')); }), too_long);
  EXPECT_TRUE(files.Exists(path259));
}

TEST(Win32Files, ExistsOnlyForFiles) {
  ScratchFolder folder;
  folder.Write(L"config.txt", "");
  FileSystem& files = MachineFileSystem();
  EXPECT_TRUE(files.Exists(folder.Path(L"config.txt")));
  EXPECT_FALSE(files.Exists(folder.Dir()));
  EXPECT_FALSE(files.Exists(folder.Path(L"missing.txt")));
  EXPECT_FALSE(files.Exists(folder.Path(L"missing\\config.txt")));
  EXPECT_FALSE(files.Exists(folder.Path(L"con<fig>.txt")));
  EXPECT_FALSE(files.Exists(folder.Path(L"config.txt") + std::wstring(1, L'\0') + L"x"));
  EXPECT_FALSE(files.Exists(L""));
}

TEST(Win32Files, FailuresCarryTheSystemsErrorNumber) {
  ScratchFolder folder;
  FileSystem& files = MachineFileSystem();
  EXPECT_EQ(ErrorOf([&] { files.Remove(folder.Path(L"missing.txt")); }),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ErrorOf([&] { files.OpenRead(folder.Path(L"missing\\config.txt")); }),
            static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(ErrorOf([&] { files.Create(folder.Path(L"missing\\config.txt")); }),
            static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_NE(ErrorOf([&] { files.OpenRead(folder.Dir()); }), static_cast<DWORD>(ERROR_SUCCESS));
}

}  // namespace
}  // namespace tolvane
