// The setup program's decisions: its record of the kit's files, which files it replaces, keeps,
// puts beside, keeps aside or removes, which folders it refuses, and which programs count as the
// kit's.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "carried_settings.h"
#include "folder_rules.h"
#include "manifest.h"
#include "plan.h"
#include "report.h"

namespace tolvane::kitsetup {
namespace {

using Paths = std::vector<std::wstring>;
using Files = std::map<std::wstring, Hashes, NameLess>;
const std::wstring kA(64, L'a'), kB(64, L'b'), kC(64, L'c');

// The kit folder as Windows shows it to setup: one file whatever the letter case of its name.
struct DiskDouble {
  std::map<std::wstring, FileOnDisk, NameLess> files;
  DiskDouble& With(const std::wstring& path, const std::wstring& hash, bool read_only = false) {
    files[path] = {Presence::kThere, hash, read_only};
    return *this;
  }
  DiskDouble& Unreadable(const std::wstring& path,
                         kitsetup::Unreadable why = kitsetup::Unreadable::kHeld) {
    files[path] = {Presence::kUnreadable, L"", false, why};
    return *this;
  }
  operator Disk() const {
    return [files = files](const std::wstring& path) {
      const auto entry = files.find(path);
      return entry == files.end() ? FileOnDisk{} : entry->second;
    };
  }
};

constexpr std::uint8_t kOicI = kObjectInherit | kContainerInherit;

// C:\ and C:\ProgramData as Windows 10 and 11 set them up.
FolderSecurity Root() {
  return {L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
          true,
          {{true, L"S-1-5-32-544", 0x1f01ff, kOicI},
           {true, L"S-1-5-18", 0x1f01ff, kOicI},
           {true, L"S-1-5-32-545", 0x1200a9, kOicI},
           {true, L"S-1-5-11", 0xe0010000, kOicI | kInheritOnly},  // Modify, for what it holds
           {true, L"S-1-5-11", 0x0004, 0}}};                       // make folders in C:\ itself
}

FolderSecurity ProgramData() {
  return {L"S-1-5-18",
          true,
          {{true, L"S-1-5-18", 0x1f01ff, kOicI},
           {true, L"S-1-5-32-544", 0x1f01ff, kOicI},
           {true, L"S-1-3-0", 0x10000000, kOicI | kInheritOnly},
           {true, L"S-1-5-32-545", 0x1200a9, kOicI},
           {true, L"S-1-5-32-545", 0x0116, kContainerInherit}}};  // write and make folders
}

Manifest Listing(std::initializer_list<std::pair<const std::wstring, std::wstring>> files,
                 std::initializer_list<std::wstring> folders = {}) {
  Manifest manifest;
  for (const auto& [path, hash] : files) manifest.files[path].insert(hash);
  manifest.folders.insert(folders.begin(), folders.end());
  return manifest;
}

TEST(KitManifest, ReadsWhatItWritesAndRefusesPathsOutsideTheKit) {
  Manifest manifest = Listing({{L"servers\\apache\\conf\\httpd.conf", kA}, {L"Zoë Тест 😀.txt", kB}},
                              {L"servers", L"servers\\apache"});
  manifest.files[L"Zoë Тест 😀.txt"].insert(kC);  // a pending record accepts two versions
  const std::optional<Manifest> read = DecodeManifest(EncodeManifest(manifest));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->files, manifest.files);
  EXPECT_EQ(read->folders, manifest.folders);
  EXPECT_TRUE(ParseManifest(L"servers\\\r\n" + kA + L"  a b.txt\r\n"));
  EXPECT_TRUE(ParseManifest(L"\xFEFF" + kA + L"  a.txt\r\n"));  // saved by Notepad
  EXPECT_TRUE(ParseManifest(kA + L"  console.txt\n" + kA + L"  com10\n" + kA + L"  .htaccess\n"));
  for (const std::wstring& bad : std::vector<std::wstring>{
           kA + L"  ..\\windows\\x.dll", kA + L"  C:\\x", kA + L"  \\x", kA + L"  a\\\\b",
           kA + L" a", std::wstring(63, L'a') + L"  a", L"..\\", kA.substr(0, 60) + L"XXXX  a",
           kA + L"  a\rb", kA + L"  a*",
           // Names Windows cannot hold: devices, whatever their extension, and trailing dots
           // and blanks, which Windows strips.
           kA + L"  NUL", kA + L"  www\\aux.php", kA + L"  tools\\COM1", kA + L"  lpt\x00B9.txt",
           kA + L"  con .txt", L"CONOUT$\\", kA + L"  a.", kA + L"  a \\b", L"docs.\\",
           // Two names Windows takes for one, and a file where a folder is.
           kA + L"  docs\\Übersicht.txt\n" + kB + L"  DOCS\\übersicht.txt", L"tools\\\nTOOLS\\",
           L"tools\\\n" + kA + L"  Tools",
           // Nothing: a record always lists the kit's files.
           L"", L"\r\n\r\n"}) {
    EXPECT_FALSE(ParseManifest(bad)) << bad;
  }
}

TEST(KitManifest, TellsAMissingRecordFromAnUnreadableAndADamagedOne) {
  const std::string good = "tools\\\n" + std::string(64, 'a') + "  tools\\x.txt\n";
  EXPECT_EQ(ReadRecord(Presence::kThere, good).state, RecordState::kRead);
  EXPECT_EQ(ReadRecord(Presence::kThere, "\xEF\xBB\xBF" + good).state, RecordState::kRead);
  EXPECT_EQ(ReadRecord(Presence::kAbsent, "").state, RecordState::kAbsent);
  EXPECT_EQ(ReadRecord(Presence::kUnreadable, "").state, RecordState::kUnreadable);
  std::string utf16 = "\xFF\xFE";
  for (char c : good) utf16 += std::string{c, '\0'};
  for (const std::string& damaged :
       {std::string(), good + "\xFF", std::string(4096, '\0'), good + std::string(512, '\0'), utf16,
        std::string("\xC0\xAF"), std::string("tools\\\xED\xA0\x80\\"),  // overlong, surrogate
        good.substr(0, good.size() - 20), good + "end\n" + good}) {
    const Record record = ReadRecord(Presence::kThere, damaged);
    EXPECT_EQ(record.state, RecordState::kDamaged) << damaged.size();
    EXPECT_TRUE(record.manifest.files.empty());
  }
  // A record setup wrote ends with its mark: one cut short, even at the end of a line (a power
  // cut while it was written), is not whole, and is not taken for the record it was to replace.
  const std::string whole = EncodeManifest(*DecodeManifest(good));
  EXPECT_TRUE(IsWholeRecord(whole));
  EXPECT_EQ(ReadRecord(Presence::kThere, whole).state, RecordState::kRead);
  for (const std::string& cut : {good, whole.substr(0, whole.size() - 4), whole.substr(0, 7)}) {
    EXPECT_FALSE(IsWholeRecord(cut)) << cut;
  }
}

TEST(KitInstallPlan, KeepsWhatTheUserChangedAndRemovesOnlyUnchangedFilesNoLongerShipped) {
  const Manifest previous = Listing({{L"same", kA},
                                     {L"edited", kA},
                                     {L"dropped", kA},
                                     {L"dropped-edited", kA},
                                     {L"conf.new", kA},
                                     {L"deleted", kA},
                                     {L"docs\\Übersicht.txt", kA}},
                                    {L"old", L"old\\deep", L"kept"});
  const Manifest shipped = Listing({{L"same", kB},
                                    {L"edited", kB},
                                    {L"conf", kB},
                                    {L"deleted", kB},
                                    {L"unknown", kB},
                                    {L"unknown-equal", kB},
                                    {L"docs\\übersicht.txt", kB}},
                                   {L"kept"});
  const DiskDouble disk =
      DiskDouble()
          .With(L"same", kA)
          .With(L"edited", kC)
          .With(L"dropped", kA)
          .With(L"dropped-edited", kC)
          .With(L"conf", kC)
          .With(L"conf.new", kA)
          .With(L"unknown", kC)
          .With(L"unknown.new", kC)  // the user's own: the new version goes to .new2
          .With(L"unknown-equal", kB)
          .With(L"DOCS\\ÜBERSICHT.TXT", kA);  // renamed by the user: still setup's
  const InstallPlan plan = PlanInstall(previous, shipped, {}, disk);
  EXPECT_EQ(plan.put, (Paths{L"deleted", L"docs\\übersicht.txt", L"same", L"unknown-equal"}));
  EXPECT_EQ(plan.beside, (std::vector<Aside>{{L"conf", L"conf.new"},
                                             {L"edited", L"edited.new"},
                                             {L"unknown", L"unknown.new2"}}));
  EXPECT_TRUE(plan.replace.empty());
  // Not "docs\Übersicht.txt", which is "docs\übersicht.txt" to Windows.
  EXPECT_EQ(plan.remove, (Paths{L"dropped"}));
  EXPECT_EQ(plan.stale_folders, (Paths{L"old\\deep", L"old"}));

  // A file that could not be put keeps its earlier record; the user's file keeps the shipped
  // hash, so that it stays the user's on the next run.
  const Manifest installed = Installed(previous, shipped, plan, {L"same", L"dropped"});
  EXPECT_EQ(installed.files, (Files{{L"same", {kA}},
                                    {L"dropped", {kA}},
                                    {L"deleted", {kB}},
                                    {L"unknown-equal", {kB}},
                                    {L"docs\\übersicht.txt", {kB}},
                                    {L"conf", {kB}},
                                    {L"conf.new", {kB}},
                                    {L"edited", {kB}},
                                    {L"edited.new", {kB}},
                                    {L"unknown", {kB}},
                                    {L"unknown.new2", {kB}}}));
  // Run again, the user's files are still theirs.
  const auto paths = [](const std::vector<Aside>& beside) {
    Paths paths;
    for (const Aside& b : beside) paths.push_back(b.path);
    return paths;
  };
  DiskDouble after = disk;
  after.With(L"docs\\übersicht.txt", kB);
  EXPECT_EQ(paths(PlanInstall(installed, shipped, {}, after).beside), paths(plan.beside));

  // While the plan runs, the record accepts each file it puts in its old and its new version.
  const Manifest pending = Pending(previous, shipped, plan);
  EXPECT_EQ(pending.files.at(L"same"), (Hashes{kA, kB}));
  EXPECT_EQ(pending.files.at(L"unknown.new2"), (Hashes{kB}));
  EXPECT_EQ(pending.files.at(L"dropped"), (Hashes{kA}));
  EXPECT_EQ(pending.files.at(L"edited"), (Hashes{kA}));
  EXPECT_TRUE(pending.folders.count(L"old\\deep") && pending.folders.count(L"kept"));
}

TEST(KitInstallPlan, WithoutARecordReplacesTheKitsProgramsAndKeepsTheirOldBytesAside) {
  // An older setup left no record, and the kit maker kept the records of earlier releases.
  KitRules rules{Listing({{L"servers\\apache\\conf\\httpd.conf", kA}, {L"tools\\old.txt", kA}}),
                 {L"*.exe", L"*.DLL", L"www\\lib\\*", L"TolvaneChat.p?f"}};
  rules.earlier.files[L"servers\\apache\\conf\\httpd.conf"].insert(kC);
  const Manifest shipped = Listing({{L"TolvaneChat.exe", kB},
                                    {L"servers\\apache\\bin\\libapr.dll", kB},
                                    {L"servers\\apache\\bin\\httpd.exe", kB},
                                    {L"servers\\apache\\conf\\httpd.conf", kB},
                                    {L"servers\\php\\php.ini", kB},
                                    {L"www\\lib\\chat.js", kB},
                                    {L"TolvaneChat.pdf", kB},
                                    {L"tools\\settings.exe.txt", kB}});
  const Disk disk = DiskDouble()
                        .With(L"TolvaneChat.exe", kA)
                        .With(L"~kept\\TolvaneChat.exe.old", kC)  // kept by an earlier upgrade
                        .With(L"TolvaneChat.pdf.old", kC)         // the user's own, beside
                        .With(L"servers\\apache\\bin\\libapr.dll", kA)
                        .With(L"servers\\apache\\bin\\httpd.exe", kB)
                        .With(L"servers\\apache\\conf\\httpd.conf", kC)  // as an earlier release
                        .With(L"servers\\php\\php.ini", kA)              // edited by the user
                        .With(L"www\\lib\\chat.js", kA)
                        .With(L"TolvaneChat.pdf", kA)
                        .With(L"tools\\settings.exe.txt", kA)
                        .With(L"tools\\old.txt", kA);
  const InstallPlan plan = PlanInstall({}, shipped, rules, disk);
  EXPECT_EQ(plan.put,
            (Paths{L"servers\\apache\\bin\\httpd.exe", L"servers\\apache\\conf\\httpd.conf"}));
  // Their old bytes go where the web server runs none of them ("www\lib\chat.js.old" could).
  EXPECT_EQ(plan.replace,
            (std::vector<Aside>{{L"servers\\apache\\bin\\libapr.dll",
                                 L"~kept\\servers\\apache\\bin\\libapr.dll.old"},
                                {L"TolvaneChat.exe", L"~kept\\TolvaneChat.exe.old2"},
                                {L"TolvaneChat.pdf", L"~kept\\TolvaneChat.pdf.old"},
                                {L"www\\lib\\chat.js", L"~kept\\www\\lib\\chat.js.old"}}));
  EXPECT_EQ(plan.beside,
            (std::vector<Aside>{{L"servers\\php\\php.ini", L"servers\\php\\php.ini.new"},
                                {L"tools\\settings.exe.txt", L"tools\\settings.exe.txt.new"}}));
  // An earlier release's file that this one no longer ships is removed only on the record's word.
  EXPECT_TRUE(plan.remove.empty());

  // In a folder other accounts could change, a changed file may be theirs (a LoadModule in
  // httpd.conf, an extension in php.ini): setup's own goes in its place, the other bytes aside.
  const InstallPlan open = PlanInstall({}, shipped, rules, disk, true);
  EXPECT_TRUE(open.beside.empty());
  EXPECT_EQ(open.replace.size(), plan.replace.size() + plan.beside.size());
  EXPECT_NE(std::find(open.replace.begin(), open.replace.end(),
                      Aside{L"servers\\php\\php.ini", L"~kept\\servers\\php\\php.ini.old"}),
            open.replace.end());

  const Manifest installed = Installed({}, shipped, plan, {L"TolvaneChat.pdf"});
  EXPECT_EQ(installed.files.at(L"TolvaneChat.exe"), (Hashes{kB}));
  EXPECT_FALSE(installed.files.count(L"TolvaneChat.pdf"));  // its old bytes are not setup's
  EXPECT_FALSE(installed.files.count(L"~kept\\TolvaneChat.exe.old2"));
}

TEST(KitInstallPlan, LeavesUnreadableFilesAloneAndMakesOnlyItsOwnFilesWritable) {
  const Manifest previous = Listing({{L"locked", kA},
                                     {L"gone", kA},
                                     {L"ro", kA},
                                     {L"ro-old", kA},
                                     {L"ro-edited", kA},
                                     {L"x.new", kA}});
  const Manifest shipped = Listing({{L"locked", kB}, {L"ro", kB}, {L"ro-edited", kB}, {L"x", kB}});
  const Disk disk = DiskDouble()
                        .Unreadable(L"locked")  // held open without sharing
                        .Unreadable(L"gone", Unreadable::kOnlineOnly)
                        .With(L"ro", kA, true)
                        .With(L"ro-old", kA, true)
                        .With(L"ro-edited", kC, true)
                        .With(L"x", kC)
                        .With(L"x.new", kA, true);
  const InstallPlan plan = PlanInstall(previous, shipped, {}, disk);
  EXPECT_EQ(plan.unreadable, (std::vector<Unread>{{L"locked", Unreadable::kHeld},
                                                  {L"gone", Unreadable::kOnlineOnly}}));
  EXPECT_EQ(plan.put, (Paths{L"ro"}));
  EXPECT_EQ(plan.remove, (Paths{L"ro-old"}));
  EXPECT_EQ(plan.beside, (std::vector<Aside>{{L"ro-edited", L"ro-edited.new"}, {L"x", L"x.new"}}));
  EXPECT_EQ(plan.read_only, (std::set<std::wstring, NameLess>{L"ro", L"ro-old", L"x.new"}));
  // A user who has a hundred files of the names setup would put its version under: no room.
  DiskDouble crowded = DiskDouble().With(L"x", kC);
  for (int n = 1; n <= 100; ++n) {
    crowded.With(L"x.new" + (n == 1 ? std::wstring() : std::to_wstring(n)), kC);
  }
  EXPECT_EQ(PlanInstall(previous, shipped, {}, crowded).no_room, (Paths{L"x"}));
  // What could not be read stays on record as it was, for the next run to judge.
  const Manifest installed = Installed(previous, shipped, plan, {});
  EXPECT_EQ(installed.files.at(L"locked"), (Hashes{kA}));
  EXPECT_EQ(installed.files.at(L"gone"), (Hashes{kA}));
}

TEST(KitUninstallPlan, RemovesOnlyFilesStillAsInstalled) {
  Manifest installed = Listing(
      {{L"a", kA}, {L"b", kA}, {L"gone", kA}, {L"locked", kA}, {L"ro", kA}, {L"Pending", kA}},
      {L"x", L"x\\y", L"x y"});
  installed.files[L"Pending"].insert(kB);  // a setup cut off half way: either version is setup's
  const UninstallPlan plan =
      PlanUninstall(installed, DiskDouble()
                                   .With(L"a", kA)
                                   .With(L"b", kB)
                                   .Unreadable(L"locked", Unreadable::kDenied)
                                   .With(L"ro", kA, true)
                                   .With(L"PENDING", kB));
  EXPECT_EQ(plan.remove, (Paths{L"a", L"Pending", L"ro"}));
  EXPECT_EQ(plan.changed, (Paths{L"b"}));
  EXPECT_EQ(plan.unreadable, (std::vector<Unread>{{L"locked", Unreadable::kDenied}}));
  EXPECT_EQ(plan.read_only, (std::set<std::wstring, NameLess>{L"ro"}));
  EXPECT_EQ(plan.folders, (Paths{L"x\\y", L"x y", L"x"}));
}

TEST(KitFolder, RefusesSystemFoldersAndPathsPastTheLimit) {
  const std::vector<std::wstring> system{L"C:\\Program Files", L"C:\\windows"};
  const Manifest shipped = Listing({{L"tools\\a.txt", kA}}, {L"tools"});
  EXPECT_EQ(JudgeKitFolder(L"c:\\PROGRAM FILES\\Kit", system, shipped),
            FolderVerdict::kSystemFolder);
  EXPECT_EQ(JudgeKitFolder(L"C:\\Windows", system, shipped), FolderVerdict::kSystemFolder);
  EXPECT_EQ(JudgeKitFolder(L"C:\\Program Files Kit", system, shipped), FolderVerdict::kUsable);
  EXPECT_EQ(JudgeKitFolder(L"C:\\Kits\\Zoë Тест", system, shipped), FolderVerdict::kUsable);
  // "C:\K...\" + "~setup.0123456789abcdef\" + a name of 30: 260 characters are one too many.
  const Manifest named = Listing({{std::wstring(30, L'n'), kA}});
  const std::wstring base = L"C:\\" + std::wstring(259 - 3 - 1 - 24 - 30, L'k');
  EXPECT_EQ(DeepestPath(base, named), 259u);
  EXPECT_EQ(JudgeKitFolder(base, system, named), FolderVerdict::kUsable);
  EXPECT_EQ(JudgeKitFolder(base + L"k", system, named), FolderVerdict::kTooLong);
  // CreateDirectoryW makes no folder of more than 248 characters: one unpacked into the staging
  // folder neither.
  const Manifest deep = Listing({{std::wstring(200, L'd') + L"\\a", kA}});
  EXPECT_EQ(DeepestFolder(L"C:\\Kit", deep), 6u + 24u + 1u + 200u);
  EXPECT_EQ(JudgeKitFolder(L"C:\\" + std::wstring(20, L'k'), system, deep), FolderVerdict::kUsable);
  EXPECT_EQ(JudgeKitFolder(L"C:\\" + std::wstring(21, L'k'), system, deep),
            FolderVerdict::kTooLong);
  // A name taken from whatever folder or drive setup runs in, and a root the uninstaller could
  // never remove, are refused before anything else.
  for (const wchar_t* relative :
       {L"RelKit", L"C:RelKit", L"\\RelKit", L"..\\Kit", L"", L"\\\\?\\C:\\Kit"}) {
    EXPECT_EQ(JudgeKitFolder(relative, system, shipped), FolderVerdict::kNotAbsolute) << relative;
  }
  for (const wchar_t* root : {L"C:\\", L"e:\\", L"\\\\server\\share", L"\\\\server\\share\\"}) {
    EXPECT_EQ(JudgeKitFolder(root, system, shipped), FolderVerdict::kRoot) << root;
  }
  EXPECT_EQ(JudgeKitFolder(L"\\\\server\\share\\Kit", system, shipped), FolderVerdict::kUsable);
  EXPECT_EQ(WithoutVerbatimPrefix(L"\\\\?\\C:\\Kit"), L"C:\\Kit");
  EXPECT_EQ(WithoutVerbatimPrefix(L"\\\\?\\UNC\\server\\share\\Kit"), L"\\\\server\\share\\Kit");
  EXPECT_EQ(WithoutVerbatimPrefix(L"\\\\.\\C:\\Kit"), L"\\\\.\\C:\\Kit");
  EXPECT_FALSE(IsAbsolute(L"\\\\.\\C:\\Kit"));  // a device path
}

TEST(KitFolder, TrustsOnlyFoldersNoOtherAccountCanChange) {
  const std::wstring user = L"S-1-5-21-1-2-3-1000", other = L"S-1-5-21-1-2-3-1001";
  const AccessEntry full_user{true, user, 0x1f01ff}, full_system{true, L"S-1-5-18", 0x1f01ff},
      full_admins{true, L"S-1-5-32-544", 0x1f01ff}, read_users{true, L"S-1-5-32-545", 0x1200a9},
      creator{true, L"S-1-3-0", 0x10000000};
  const std::vector<AccessEntry> kit{full_user, full_system, full_admins, read_users};
  const auto with = [&](AccessEntry entry) {
    std::vector<AccessEntry> entries = kit;
    entries.push_back(entry);
    return entries;
  };
  const struct {
    FolderSecurity security;
    FolderTrust trust;
  } rows[] = {
      {{user, true, kit}, FolderTrust::kTrusted},
      {{L"S-1-5-32-544", true, with(creator)}, FolderTrust::kTrusted},
      {{L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", true, kit},
       FolderTrust::kTrusted},
      // Another account made it: it owns it, whatever the list says today.
      {{other, true, kit}, FolderTrust::kForeignOwner},
      // The user's, but others may write, make folders, delete or take it over.
      {{user, true, with({true, L"S-1-1-0", 0x0002})}, FolderTrust::kProtect},
      {{user, true, with({true, L"S-1-5-11", 0x1301bf})},
       FolderTrust::kProtect},  // inherited from C:
      {{user, true, with({true, other, 0x00040000})}, FolderTrust::kProtect},
      {{user, true, with({true, L"S-1-5-32-545", 0x40000000})}, FolderTrust::kProtect},
      {{user, false, {}}, FolderTrust::kProtect},  // no access list: open to all
      // Reading, or a right denied, changes nothing.
      {{user, true, with({true, other, 0x1200a9})}, FolderTrust::kTrusted},
      {{user, true, with({false, other, 0x1f01ff})}, FolderTrust::kTrusted},
      // Open to others and the Administrators' (made elevated): not the user's to mend.
      {{L"S-1-5-32-544", true, with({true, L"S-1-5-11", 0x1301bf})}, FolderTrust::kOpenToOthers},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(JudgeFolderSecurity(row.security, user), row.trust)
        << row.security.owner << " " << row.security.entries.size();
  }
  // An earlier setup let every user read the kit and run its servers: setup takes that away.
  EXPECT_TRUE(OthersMayRead({user, true, kit}, user));
  EXPECT_FALSE(OthersMayRead({user, true, {full_user, full_system, full_admins, creator}}, user));
}

TEST(KitFolder, RefusesRunAsAdministratorFromADesktopThatIsNot) {
  const std::optional<bool> same = true, other = false, unknown;
  EXPECT_TRUE(RefusesElevation(Elevation::kFull, Elevation::kLimited, same));
  EXPECT_TRUE(RefusesElevation(Elevation::kFull, Elevation::kDefault, same));
  // Another account's password typed into the prompt, or "Run as different user".
  EXPECT_TRUE(RefusesElevation(Elevation::kFull, std::nullopt, other));
  EXPECT_TRUE(RefusesElevation(Elevation::kDefault, Elevation::kDefault, other));
  EXPECT_FALSE(RefusesElevation(Elevation::kFull, Elevation::kFull, same));  // shell elevated too
  EXPECT_FALSE(RefusesElevation(Elevation::kFull, std::nullopt, same));      // no shell to ask
  EXPECT_FALSE(RefusesElevation(Elevation::kLimited, Elevation::kLimited, same));
  EXPECT_FALSE(RefusesElevation(Elevation::kDefault, Elevation::kDefault, unknown));  // UAC off
  // A deployment tool's service accounts: the kit, its settings and its entry would be theirs.
  for (const wchar_t* service : {L"S-1-5-18", L"S-1-5-19", L"S-1-5-20"}) {
    EXPECT_NE(WhyAccountRefused(service, Elevation::kDefault, std::nullopt, unknown)
                  .find(L"service account"),
              std::wstring::npos)
        << service;
  }
  EXPECT_EQ(WhyAccountRefused(L"S-1-5-21-1-2-3-1000", Elevation::kDefault, std::nullopt, unknown),
            L"");
}

TEST(KitFolder, RefusesAParentOtherAccountsCouldRenameOrReplace) {
  const std::wstring user = L"S-1-5-21-1-2-3-1000";
  const FolderSecurity mine{
      user, true, {{true, user, 0x1f01ff}, {true, L"S-1-5-32-545", 0x1200a9}}};
  const FolderSecurity root{L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
                            true,
                            {{true, L"S-1-5-18", 0x1f01ff},
                             {true, L"S-1-5-11", 0x0004},  // make folders on C:\ itself
                             {true, L"S-1-5-11", 0x1301bf}}};
  EXPECT_FALSE(OthersCanReplace(mine, root, user));
  // A folder made under a drive's root inherits Authenticated Users' Modify: they may delete it.
  FolderSecurity inherited = mine;
  inherited.entries.push_back({true, L"S-1-5-11", 0x1301bf});
  EXPECT_TRUE(OthersCanReplace(inherited, root, user));
  EXPECT_TRUE(OthersCanReplace({L"S-1-5-21-1-2-3-1001", true, mine.entries}, root, user));
  FolderSecurity emptied = root;
  emptied.entries.push_back({true, L"S-1-1-0", 0x0040});  // Everyone may delete what it holds
  EXPECT_TRUE(OthersCanReplace(mine, emptied, user));
  EXPECT_FALSE(OthersCanReplace(mine, {user, true, {{false, L"S-1-1-0", 0x1f01ff}}}, user));
}

// Who may change the kit, judged from the rights setup finds on the way to it and in it. A kit
// folder open to others, or anything in it, is never protected in place: a new folder would do.
TEST(KitFolder, JudgesEveryFolderAboveTheKitAndEveryEntryInIt) {
  const std::wstring user = L"S-1-5-21-1-2-3-1000", other = L"S-1-5-21-1-2-3-1001";
  const FolderSecurity profile{user,
                               true,
                               {{true, L"S-1-5-18", 0x1f01ff, kOicI},
                                {true, L"S-1-5-32-544", 0x1f01ff, kOicI},
                                {true, user, 0x1f01ff, kOicI}}};
  const Found root{L"C:\\", true, false, Root()},
      data{L"C:\\ProgramData", true, false, ProgramData()};
  const auto missing = [](const std::wstring& path) { return Found{path, false, false, {}}; };
  const auto made_in = [&](const std::wstring& path, const FolderSecurity& parent) {
    return Found{path, true, false, MadeIn(parent, user)};
  };
  const Found kit{L"C:\\Kit", true, false, profile};
  const auto entry = [&](const std::wstring& path, const std::wstring& owner,
                         std::vector<AccessEntry> entries) {
    return Found{L"C:\\Kit\\" + path, true, false, FolderSecurity{owner, true, std::move(entries)}};
  };
  const AccessEntry inherited_modify{true, L"S-1-5-11", 0x1301bf, kInherited};
  const struct {
    std::vector<Found> chain;
    const wchar_t* refusal;  // a part of the reason; empty when trusted
    bool in_the_kit;
    std::vector<Found> tree = {};
  } rows[] = {
      {{missing(L"C:\\Kit"), root}, L"", false},
      // C:\ hands Authenticated Users the right to delete a folder made in it.
      {{missing(L"C:\\Tools\\Kit"), missing(L"C:\\Tools"), root},
       L"would have to make the folder C:\\Tools,",
       false},
      {{made_in(L"C:\\Tools\\Kit", Root()), made_in(L"C:\\Tools", Root()), root},
       L"could rename or delete C:\\Tools ",
       false},
      {{missing(L"C:\\ProgramData\\Maker\\Kit"), missing(L"C:\\ProgramData\\Maker"), data, root},
       L"",
       false},
      // A kit folder an older setup made under C:\ or in ProgramData: others may write in it.
      {{made_in(L"C:\\Kit", Root()), root}, L"may change:\r\n    C:\\Kit\r\n", true},
      {{made_in(L"C:\\ProgramData\\Kit", ProgramData()), data, root}, L"may change:", true},
      // One another account made holds what it put there: no new folder with its settings.
      {{Found{L"C:\\Kit", true, false, FolderSecurity{other, true, profile.entries}}, root},
       L"Another account owns:",
       false},
      // An owner can always read its own rights: a folder whose rights can not be read is not.
      {{missing(L"C:\\Users\\u\\Kit"), Found{L"C:\\Users\\u", true, false, std::nullopt}, root},
       L"can not read who may change C:\\Users\\u,",
       false},
      {{missing(L"D:\\Data\\Kit"), Found{L"D:\\Data", true, true, profile},
        Found{L"D:\\", true, false, profile}},
       L"D:\\Data is a link",
       false},
      // In the kit, every entry counts, by whatever right: a file moved in keeps the entries it
      // had, marked as inherited or not.
      {{kit, root},
       L"",
       false,
       {entry(L"www", user, profile.entries), entry(L"www\\x.dll", L"S-1-5-32-544", {})}},
      {{kit, root},
       L"Another account owns:\r\n    www\\a.php\r\n\r\nOther accounts may change:\r\n    "
       L"php.ini\r\n    tools\r\n\r\nSetup can not read who may change:\r\n    up\r\n",
       true,
       {entry(L"www\\a.php", other, {}), entry(L"php.ini", user, {inherited_modify}),
        entry(L"tools", user, {{true, L"S-1-5-11", 0x00040000, kContainerInherit | kInheritOnly}}),
        Found{L"C:\\Kit\\up", true, false, std::nullopt}}},
  };
  for (const auto& row : rows) {
    const Distrust distrust = WhyUntrusted(row.chain, row.tree, user);
    const std::string why = EncodeUtf8(distrust.why);
    EXPECT_EQ(distrust.why.empty(), *row.refusal == L'\0') << why;
    EXPECT_NE(distrust.why.find(row.refusal), std::wstring::npos) << why;
    EXPECT_EQ(distrust.in_the_kit, row.in_the_kit) << why;
  }
  // Every entry at fault is named, up to twenty.
  std::vector<Found> planted;
  for (int n = 0; n < 25; ++n) planted.push_back(entry(std::to_wstring(n) + L".php", other, {}));
  const std::wstring why = WhyUntrusted({kit, root}, planted, user).why;
  EXPECT_NE(why.find(L"    19.php\r\n    ... and 5 more\r\n"), std::wstring::npos)
      << EncodeUtf8(why);

  EXPECT_EQ(WhyUnprotectable(true), L"");
  EXPECT_NE(WhyUnprotectable(false).find(L"keeps no access lists"), std::wstring::npos);
  EXPECT_NE(WhyUnprotectable(std::nullopt).find(L"could not ask"), std::wstring::npos);
}

TEST(KitFolder, CountsTheProgramsUnderItButTheUninstaller) {
  EXPECT_EQ(KitPrograms({L"C:\\Kit\\TolvaneChat.exe", L"c:\\kit\\servers\\apache\\bin\\httpd.exe",
                         L"C:\\Kit2\\TolvaneChat.exe", L"C:\\Kit\\uninstall.exe",
                         L"C:\\Kits\\Zoë\\java.exe", L"C:\\windows\\explorer.exe"},
                        L"C:\\Kit\\", L"C:\\KIT\\uninstall.exe"),
            (Paths{L"C:\\Kit\\TolvaneChat.exe", L"c:\\kit\\servers\\apache\\bin\\httpd.exe"}));
  EXPECT_TRUE(IsUnder(L"C:\\KITS\\ZOË\\java.exe", L"c:\\kits\\zoë"));
}

TEST(KitFolder, ChecksEveryFolderOnTheWayAndStagesOnlyInAFolderOfItsOwn) {
  const Manifest shipped = Listing({{L"tools\\Project\\a.php", kA}, {L"top.txt", kA}}, {L"www"});
  const Manifest record =
      Listing({{L"TOOLS\\b.txt", kA}, {L"servers\\apache\\bin\\httpd.exe", kA}});
  EXPECT_EQ(FoldersOnTheWay({&shipped, &record}),
            (Paths{L"servers", L"servers\\apache", L"servers\\apache\\bin", L"tools",
                   L"tools\\Project", L"www"}));
  EXPECT_EQ(StagingName(0x0123456789abcdefULL), L"~setup.0123456789abcdef");
  EXPECT_TRUE(IsStagingName(StagingName(~0ULL)));
  for (const wchar_t* other :
       {L"~setup", L"~setup.", L"~setup.0123456789abcde", L"~setup.0123456789ABCDEF",
        L"~setup.0123456789abcdef0", L"~setup\\0123456789abcdef", L"~setup.01234567\\89abcdef"}) {
    EXPECT_FALSE(IsStagingName(other)) << other;
  }
}

TEST(KitFolder, TakesOverOnlyTheTwoLinesOfTheLaunchersSettings) {
  EXPECT_EQ(CarriedSettings("PC1\r\nc:\\Program Files\\Java\\jre6\r\n"),
            "PC1\r\nc:\\Program Files\\Java\\jre6\r\n");
  // A Java home outside C:\Program Files, where any account may make folders, is left out: the
  // user may register it for every program.
  EXPECT_EQ(CarriedSettings("PC1\nD:\\J\nLoadModule x\n"), "PC1\r\n\r\n");
  EXPECT_EQ(CarriedSettings("PC1"), "PC1\r\n\r\n");
  for (const std::string& refused :
       {std::string(), std::string("\r\nC:\\Java\r\n"), std::string("PC1\r\nC:\\J\x1b[2J\r\n"),
        std::string("PC1\0\r\n", 6), "PC1\r\n" + std::string(300, 'j')}) {
    EXPECT_FALSE(CarriedSettings(refused)) << refused;
  }
}

TEST(KitReport, GroupsUnreadFilesByWhatTheUserCanDo) {
  const std::wstring text = ListedUnread({{L"a.pdf", Unreadable::kOnlineOnly},
                                          {L"b.exe", Unreadable::kHeld},
                                          {L"c.ini", Unreadable::kOnlineOnly}},
                                         {L"the uninstaller", L"uninstall again"});
  const std::size_t held = text.find(L"holds these files open"),
                    online = text.find(L"Make them available offline");
  EXPECT_LT(held, online) << EncodeUtf8(text);
  EXPECT_NE(text.find(L"    a.pdf\r\n    c.ini\r\n", online), std::wstring::npos);
  EXPECT_EQ(text.find(L"Give yourself access"), std::wstring::npos) << "no heading without files";
}

}  // namespace
}  // namespace tolvane::kitsetup
