// The launcher's Win32 platform for real: kept processes that ending really ends, start-and-wait
// with its exit codes, time limit and current directory, message box answers, the
// computer name.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <thread>

#include "kit_fixtures.h"
#include "platform_win32.h"

namespace tolvane {
namespace {

using test::EnvironmentOverride;
using test::ScratchFolder;

std::wstring Child() {
  return test::HostPath(TOLVANE_BINARY_DIR "/tests/win32/tolvane_test_child.exe");
}

std::wstring CurrentDirectory() {
  wchar_t directory[MAX_PATH + 1] = {};
  GetCurrentDirectoryW(static_cast<DWORD>(std::size(directory)), directory);
  return directory;
}

// The child copied into a folder of the test's own, where its path may hold blanks.
std::wstring CopyChild(const ScratchFolder& folder, const std::wstring& name) {
  const std::wstring path = folder.path() + name;
  CopyFileW(Child().c_str(), path.c_str(), FALSE);
  return path;
}

// "...\\My.exe" beside "...\\My Kit": an unquoted command line would try it first.
TEST(RunAndWait, ReturnsTheExitCodeAndRunsInTheProgramsFolderWhateverLiesBesideIt) {
  ScratchFolder folder;
  CreateDirectoryW((folder.path() + L"My Kit").c_str(), nullptr);
  const std::wstring program = CopyChild(folder, L"My Kit\\child.exe");
  test::OutputFile(folder.path() + L"My.exe");
  const std::wstring report = folder.path() + L"directory.txt";
  const EnvironmentOverride exit_code(L"TOLVANE_CHILD_EXIT", L"3");
  const EnvironmentOverride dir_file(L"TOLVANE_CHILD_DIR_FILE", report.c_str());
  const std::wstring before = CurrentDirectory();

  Win32Platform platform;
  EXPECT_EQ(platform.RunAndWait(program), 3);

  const std::string raw = test::ReadBytes(report);
  const std::wstring inherited(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / 2);
  EXPECT_EQ(inherited, folder.path() + L"My Kit");  // the child ran in the program's folder
  EXPECT_EQ(CurrentDirectory(), before);            // and the launcher's own was put back
}

TEST(RunAndWait, GivesMinusOneForWhatCanNotStart) {
  Win32Platform platform;
  ScratchFolder folder;
  EXPECT_EQ(platform.RunAndWait(folder.path() + L"missing.exe"), -1);
  // The command line holds 512 characters: a longer path is refused, never overrun.
  EXPECT_EQ(platform.RunAndWait(folder.path() + std::wstring(600, L'x') + L".exe"), -1);
}

TEST(RunAndWait, AChildThatOutlivesTheWaitReportsStillActive) {
  ScratchFolder folder;
  const std::wstring program = CopyChild(folder, L"slow child.exe");
  const EnvironmentOverride sleep(L"TOLVANE_CHILD_SLEEP_MS", L"60000");
  Win32Platform platform(1000);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(platform.RunAndWait(program), 259);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(990));
  test::RunProgram(L"taskkill /F /IM \"slow child.exe\"", L"", 10000);
}

TEST(KeptProcess, EndingItEndsTheProcess) {
  ScratchFolder folder;
  const std::wstring program = CopyChild(folder, L"kept.exe");
  const EnvironmentOverride sleep(L"TOLVANE_CHILD_SLEEP_MS", L"60000");
  Win32Platform platform;
  const ProcessHandle kept = platform.ShellOpenKeepingProcess(program, folder.path(), kSwMinimize);
  ASSERT_NE(kept, 0u);
  HANDLE watch = OpenProcess(SYNCHRONIZE, FALSE, GetProcessId(reinterpret_cast<HANDLE>(kept)));
  ASSERT_NE(watch, nullptr);
  EXPECT_EQ(WaitForSingleObject(watch, 200), static_cast<DWORD>(WAIT_TIMEOUT));
  platform.EndProcess(kept);
  EXPECT_EQ(WaitForSingleObject(watch, 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(watch);
  // A missing program gives no handle too, but the shell then shows its own error box.
}

// Presses a button of the message box the platform shows, from another thread as a user would.
void AnswerWhenShown(const wchar_t* caption, int button) {
  for (int i = 0; i < 200; ++i) {
    HWND box = FindWindowW(L"#32770", caption);
    if (box) {
      SendMessageW(GetDlgItem(box, button), BM_CLICK, 0, 0);
      return;
    }
    Sleep(25);
  }
}

TEST(MessageBox, ReturnsTheButtonPressed) {
  Win32Platform platform;
  for (int button : {IDYES, IDNO}) {
    std::thread answer(AnswerWhenShown, L"Warning test", button);
    EXPECT_EQ(platform.ShowMessageBox(L"Go on?", L"Warning test", kMbYesNo | kMbIconWarning),
              button);
    answer.join();
  }
}

// The system sets COMPUTERNAME for every process from the same name.
TEST(ComputerName, IsTheOneTheSystemGivesEveryProcess) {
  Win32Platform platform;
  std::wstring name;
  ASSERT_TRUE(platform.ComputerName(name));
  EXPECT_FALSE(name.empty());
  wchar_t variable[256] = {};
  GetEnvironmentVariableW(L"COMPUTERNAME", variable, static_cast<DWORD>(std::size(variable)));
  EXPECT_EQ(name, variable);
}

}  // namespace
}  // namespace tolvane
