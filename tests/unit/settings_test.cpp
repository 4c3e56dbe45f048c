#include "settings.h"

#include <gtest/gtest.h>

#include <set>

#include "faulty_files.h"
#include "scratch_folder.h"

namespace tolvane {
namespace {

using test::FaultyFileSystem;
using test::ScratchFolder;

TMachineSettings Load(FileSystem& file_system, const std::wstring& path,
                      const std::wstring& java_home = L"") {
  TMachineSettings settings{L"before", java_home};
  LoadSettings(file_system, path, settings);
  return settings;
}

struct LoadCase {
  const char* name;
  std::string bytes;
  std::wstring computer_name;
  std::wstring java_home;
};

TEST(LoadSettings, ReadsTheFirstTwoLinesAsTheyStand) {
  const LoadCase cases[] = {
      {"two lines", "WORKSTATION\r\nC:\\Program Files\\Java\\jre6\r\n", L"WORKSTATION",
       L"C:\\Program Files\\Java\\jre6"},
      {"LF only, no final line end", "pc\nC:\\Java", L"pc", L"C:\\Java"},
      {"later lines ignored", "pc\r\nhome\r\nthird\r\n", L"pc", L"home"},
      {"one line", "Workstation\r\n", L"Workstation", L""},
      {"empty file", "", L"", L""},
      {"empty first line", "\r\nhome\r\n", L"", L"home"},
      {"letter case and blanks kept", " Pc \r\n\"C:\\My Java\" \r\n", L" Pc ", L"\"C:\\My Java\" "},
      {"ANSI code page", "Zo\xEB\r\n\x80\r\n", L"Zo\u00EB", L"\u20AC"},
  };
  ScratchFolder folder;
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.name);
    folder.Write("config.txt", c.bytes);
    const TMachineSettings settings =
        Load(MachineFileSystem(), folder.Path("config.txt"), L"passed in");
    EXPECT_EQ(settings.ComputerName, c.computer_name);
    EXPECT_EQ(settings.JavaHome, c.java_home);
  }
}

TEST(LoadSettings, KeepsUnknownAndTheCallersJavaHomeWithoutAFile) {
  ScratchFolder folder;
  folder.Write("tools/config.txt/inside", "");  // a folder named like the file
  for (const std::wstring& path : {folder.Path("config.txt"), folder.Path("missing/config.txt"),
                                   folder.Path("tools/config.txt")}) {
    const TMachineSettings settings = Load(MachineFileSystem(), path, L"C:\\Java");
    EXPECT_EQ(settings.ComputerName, L"unknown");
    EXPECT_EQ(settings.JavaHome, L"C:\\Java");
  }
}

TEST(LoadSettings, KeepsWhatWasReadBeforeAnError) {
  ScratchFolder folder;
  folder.Write("config.txt", "pc\r\nC:\\Java\r\n");
  FaultyFileSystem file_system;
  file_system.break_after = 4;  // the first line and its line end
  TMachineSettings settings = Load(file_system, folder.Path("config.txt"), L"old home");
  EXPECT_EQ(settings.ComputerName, L"pc");
  EXPECT_EQ(settings.JavaHome, L"old home");

  file_system.break_after = 0;
  settings = Load(file_system, folder.Path("config.txt"), L"old home");
  EXPECT_EQ(settings.ComputerName, L"unknown");
  EXPECT_EQ(settings.JavaHome, L"old home");
}

// Over a temporary file a crash left half written.
TEST(SaveSettings, WritesTwoAnsiLinesWithCrLfOverALeftoverTemporaryFile) {
  ScratchFolder folder;
  folder.Write("config.tx~", "half a save from a crash");
  SaveSettings(MachineFileSystem(), folder.Path("config.txt"),
               {L"Zo\u00EB-\u4E2D", L"C:\\Program Files\\\"My\" Java"});
  EXPECT_EQ(folder.Read("config.txt"), "Zo\xEB-?\r\nC:\\Program Files\\\"My\" Java\r\n");
  SaveSettings(MachineFileSystem(), folder.Path("config.txt"), {L"", L""});
  EXPECT_EQ(folder.Read("config.txt"), "\r\n\r\n");
  EXPECT_EQ(folder.Entries(), std::set<std::string>{"config.txt"});
}

TEST(SaveSettings, RoundTripsThroughLoadSettings) {
  ScratchFolder folder;
  const TMachineSettings saved{L" Work Station ", L"\"C:\\Program Files (x86)\\Java\\jre6\""};
  SaveSettings(MachineFileSystem(), folder.Path("config.txt"), saved);
  const TMachineSettings loaded = Load(MachineFileSystem(), folder.Path("config.txt"));
  EXPECT_EQ(loaded.ComputerName, saved.ComputerName);
  EXPECT_EQ(loaded.JavaHome, saved.JavaHome);
}

TEST(SaveSettings, IsSilentlyLostWithoutTheFolder) {
  ScratchFolder folder;
  SaveSettings(MachineFileSystem(), folder.Path("tools/config.txt"), {L"pc", L"home"});
  EXPECT_FALSE(folder.Has("tools"));
  EXPECT_TRUE(folder.Entries().empty());
}

// A save that fails at any step leaves the old file whole, or the new one, and no temporary file.
TEST(SaveSettings, NeverLeavesATruncatedFile) {
  const std::string old_bytes = "old pc\r\nC:\\old java\r\n";
  const std::string new_bytes = "new pc\r\nC:\\new java\r\n";
  std::set<std::string> failed_steps;
  for (int step = 1;; ++step) {
    SCOPED_TRACE(step);
    ScratchFolder folder;
    folder.Write("config.txt", old_bytes);
    FaultyFileSystem file_system;
    file_system.fail_at = step;
    SaveSettings(file_system, folder.Path("config.txt"), {L"new pc", L"C:\\new java"});
    const std::string bytes = folder.Read("config.txt");
    EXPECT_EQ(folder.Entries(), std::set<std::string>{"config.txt"});
    if (file_system.failed.empty()) {
      EXPECT_EQ(bytes, new_bytes);
      break;
    }
    failed_steps.insert(file_system.failed);
    EXPECT_EQ(bytes, old_bytes) << "failed at " << file_system.failed;
  }
  EXPECT_EQ(failed_steps, (std::set<std::string>{"Create", "Write", "Commit", "Replace"}));
}

}  // namespace
}  // namespace tolvane
