// The setup program's decisions: its record of the kit's files, which files it replaces, keeps,
// puts beside or removes, which folders it refuses, and which programs count as the kit's.
#include <gtest/gtest.h>

#include <map>

#include "folder_rules.h"
#include "manifest.h"
#include "plan.h"

namespace tolvane::kitsetup {
namespace {

using Paths = std::vector<std::wstring>;
const std::wstring kA(64, L'a'), kB(64, L'b'), kC(64, L'c');

HashOnDisk Disk(std::map<std::wstring, std::wstring> files) {
  return [files](const std::wstring& path) -> std::optional<std::wstring> {
    const auto entry = files.find(path);
    if (entry == files.end()) return std::nullopt;
    return entry->second;
  };
}

TEST(KitManifest, ReadsWhatItWritesAndRefusesPathsOutsideTheKit) {
  const Manifest manifest{{{L"servers\\apache\\conf\\httpd.conf", kA}, {L"Zoë Тест.txt", kB}},
                          {L"servers", L"servers\\apache"}};
  const std::optional<Manifest> read = ParseManifest(FormatManifest(manifest));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->files, manifest.files);
  EXPECT_EQ(read->folders, manifest.folders);
  EXPECT_TRUE(ParseManifest(L"servers\\\r\n" + kA + L"  a b.txt\r\n"));
  EXPECT_TRUE(ParseManifest(L"\xFEFF" + kA + L"  a.txt\r\n"));  // saved by Notepad
  for (const std::wstring& bad : std::vector<std::wstring>{
           kA + L"  ..\\windows\\x.dll", kA + L"  C:\\x", kA + L"  \\x", kA + L"  a\\\\b",
           kA + L" a", std::wstring(63, L'a') + L"  a", L"..\\", kA.substr(0, 60) + L"XXXX  a",
           kA + L"  a\rb", kA + L"  a*"}) {
    EXPECT_FALSE(ParseManifest(bad)) << bad;
  }
}

TEST(KitInstallPlan, KeepsWhatTheUserChangedAndRemovesOnlyUnchangedFilesNoLongerShipped) {
  const Manifest previous{{{L"same", kA},
                           {L"edited", kA},
                           {L"dropped", kA},
                           {L"dropped-edited", kA},
                           {L"conf.new", kA},
                           {L"deleted", kA},
                           {L"Same", kA}},
                          {L"old", L"old\\deep", L"kept"}};
  const Manifest shipped{{{L"same", kB},
                          {L"edited", kB},
                          {L"conf", kB},
                          {L"deleted", kB},
                          {L"unknown", kB},
                          {L"unknown-equal", kB}},
                         {L"kept"}};
  const auto disk = Disk({{L"same", kA},
                          {L"Same", kA},
                          {L"edited", kC},
                          {L"dropped", kA},
                          {L"dropped-edited", kC},
                          {L"conf", kC},
                          {L"conf.new", kA},
                          {L"unknown", kC},
                          {L"unknown.new", kC},  // the user's own: the new version goes to .new2
                          {L"unknown-equal", kB}});
  const InstallPlan plan = PlanInstall(previous, shipped, disk);
  EXPECT_EQ(plan.put, (Paths{L"deleted", L"same", L"unknown-equal"}));
  EXPECT_EQ(plan.beside, (std::vector<Beside>{{L"conf", L"conf.new"},
                                              {L"edited", L"edited.new"},
                                              {L"unknown", L"unknown.new2"}}));
  EXPECT_EQ(plan.remove, (Paths{L"dropped"}));  // not "Same", which is "same" to Windows
  EXPECT_EQ(plan.stale_folders, (Paths{L"old\\deep", L"old"}));

  // A file that could not be put keeps its earlier record; the user's file keeps the shipped
  // hash, so that it stays the user's on the next run.
  const Manifest installed = Installed(previous, shipped, plan, {L"same", L"dropped"});
  EXPECT_EQ(installed.files, (std::map<std::wstring, std::wstring>{{L"same", kA},
                                                                   {L"dropped", kA},
                                                                   {L"deleted", kB},
                                                                   {L"unknown-equal", kB},
                                                                   {L"conf", kB},
                                                                   {L"conf.new", kB},
                                                                   {L"edited", kB},
                                                                   {L"edited.new", kB},
                                                                   {L"unknown", kB},
                                                                   {L"unknown.new2", kB}}));
  // Run again, the user's files are still theirs.
  const auto paths = [](const std::vector<Beside>& beside) {
    Paths paths;
    for (const Beside& b : beside) paths.push_back(b.path);
    return paths;
  };
  EXPECT_EQ(paths(PlanInstall(installed, shipped, disk).beside), paths(plan.beside));
}

TEST(KitUninstallPlan, RemovesOnlyFilesStillAsInstalled) {
  const UninstallPlan plan =
      PlanUninstall({{{L"a", kA}, {L"b", kA}, {L"gone", kA}}, {L"x", L"x\\y", L"x y"}},
                    Disk({{L"a", kA}, {L"b", kB}}));
  EXPECT_EQ(plan.remove, (Paths{L"a"}));
  EXPECT_EQ(plan.changed, (Paths{L"b"}));
  EXPECT_EQ(plan.folders, (Paths{L"x\\y", L"x y", L"x"}));
}

TEST(KitFolder, RefusesSystemFoldersAndPathsPastTheLimit) {
  const std::vector<std::wstring> system{L"C:\\Program Files", L"C:\\windows"};
  const Manifest shipped{{{L"tools\\a.txt", kA}}, {L"tools"}};
  EXPECT_EQ(JudgeKitFolder(L"c:\\PROGRAM FILES\\Kit", system, shipped),
            FolderVerdict::kSystemFolder);
  EXPECT_EQ(JudgeKitFolder(L"C:\\Windows", system, shipped), FolderVerdict::kSystemFolder);
  EXPECT_EQ(JudgeKitFolder(L"C:\\Program Files Kit", system, shipped), FolderVerdict::kUsable);
  EXPECT_EQ(JudgeKitFolder(L"C:\\Kits\\Zoë Тест", system, shipped), FolderVerdict::kUsable);
  // "C:\K...\" + "~setup\" + "tools\a.txt": 260 characters are one too many.
  const std::wstring base = L"C:\\" + std::wstring(259 - 3 - 1 - 7 - 11, L'k');
  EXPECT_EQ(DeepestPath(base, shipped), 259u);
  EXPECT_EQ(JudgeKitFolder(base, system, shipped), FolderVerdict::kUsable);
  EXPECT_EQ(JudgeKitFolder(base + L"k", system, shipped), FolderVerdict::kTooLong);
}

TEST(KitFolder, CountsTheProgramsUnderItButTheUninstaller) {
  EXPECT_EQ(KitPrograms({L"C:\\Kit\\TolvaneChat.exe", L"c:\\kit\\servers\\apache\\bin\\httpd.exe",
                         L"C:\\Kit2\\TolvaneChat.exe", L"C:\\Kit\\uninstall.exe",
                         L"C:\\windows\\explorer.exe"},
                        L"C:\\Kit\\", L"C:\\KIT\\uninstall.exe"),
            (Paths{L"C:\\Kit\\TolvaneChat.exe", L"c:\\kit\\servers\\apache\\bin\\httpd.exe"}));
  EXPECT_EQ(KitFolderAccessList(L"S-1-5-21-1-2-3-1000"),
            L"D:P(A;OICI;FA;;;S-1-5-21-1-2-3-1000)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)"
            L"(A;OICI;FRFX;;;BU)");
}

}  // namespace
}  // namespace tolvane::kitsetup
