// The native file access the unit tests stand on: the same answers as the Windows build gives,
// except for share modes, which Linux does not have.
#include "files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "scratch_folder.h"

namespace tolvane {
namespace {

using test::ScratchFolder;

int ErrorOf(const std::function<void()>& operation) {
  try {
    operation();
  } catch (const IoError& error) {
    return error.code();
  }
  return 0;
}

TEST(MachineFileSystem, ExistsOnlyForFiles) {
  ScratchFolder folder;
  folder.Write("tools/config.txt", "");
  FileSystem& files = MachineFileSystem();
  EXPECT_TRUE(files.Exists(folder.Path("tools/config.txt")));
  EXPECT_TRUE(files.Exists(folder.Dir() + L"tools\\config.txt"));
  EXPECT_FALSE(files.Exists(folder.Path("tools")));
  EXPECT_FALSE(files.Exists(folder.Path("tools/missing.txt")));
  EXPECT_FALSE(files.Exists(folder.Path("missing/config.txt")));
  EXPECT_FALSE(files.Exists(folder.Path("tools/config.txt/x")));
  EXPECT_FALSE(files.Exists(folder.Path("tools/config.txt") + std::wstring(1, L'\0') + L"x"));
  EXPECT_FALSE(files.Exists(L""));
}

TEST(MachineFileSystem, RefusesPathsOver259Characters) {
  ScratchFolder folder;
  const std::wstring dir = folder.Dir();
  const std::string name259(259 - dir.size(), 'n');
  folder.Write(name259, "x");
  const std::wstring path259 = folder.Path(name259);
  ASSERT_EQ(path259.size(), 259u);
  FileSystem& files = MachineFileSystem();
  EXPECT_TRUE(files.Exists(path259));
  EXPECT_NO_THROW(files.OpenRead(path259));

  const std::wstring path260 = path259 + L"x";
  EXPECT_FALSE(files.Exists(path260));
  EXPECT_EQ(ErrorOf([&] { files.OpenRead(path260); }), ENAMETOOLONG);
  EXPECT_EQ(ErrorOf([&] { files.Create(path260); }), ENAMETOOLONG);
  EXPECT_EQ(ErrorOf([&] { files.Replace(path259, path260); }), ENAMETOOLONG);
  EXPECT_EQ(ErrorOf([&] { files.Remove(path260); }), ENAMETOOLONG);
  EXPECT_EQ(folder.Entries().size(), 1u);
}

TEST(MachineFileSystem, RefusesToReadAFolder) {
  ScratchFolder folder;
  EXPECT_EQ(ErrorOf([&] { MachineFileSystem().OpenRead(folder.Dir()); }), EISDIR);
}

TEST(MachineFileSystem, ReplacePutsTheNewFileInPlace) {
  ScratchFolder folder;
  folder.Write("config.txt", "old");
  folder.Write("config.tx~", "new");
  MachineFileSystem().Replace(folder.Path("config.tx~"), folder.Path("config.txt"));
  EXPECT_EQ(folder.Read("config.txt"), "new");
  EXPECT_FALSE(folder.Has("config.tx~"));

  EXPECT_EQ(ErrorOf([&] {
              MachineFileSystem().Replace(folder.Path("config.tx~"), folder.Path("config.txt"));
            }),
            ENOENT);
  EXPECT_EQ(folder.Read("config.txt"), "new");
}

TEST(MachineFileSystem, ReportsTheSystemsErrorNumber) {
  ScratchFolder folder;
  FileSystem& files = MachineFileSystem();
  EXPECT_EQ(ErrorOf([&] { files.Remove(folder.Path("missing.txt")); }), ENOENT);
  EXPECT_EQ(ErrorOf([&] { files.OpenRead(folder.Path("missing.txt")); }), ENOENT);
  EXPECT_EQ(ErrorOf([&] { files.Create(folder.Path("missing/new.txt")); }), ENOENT);
}

TEST(MachineFileSystem, WriteAfterCommitFails) {
  ScratchFolder folder;
  auto file = MachineFileSystem().Create(folder.Path("out.txt"));
  file->Write("abc", 3);
  file->Commit();
  EXPECT_NE(ErrorOf([&] { file->Write("d", 1); }), 0);
  EXPECT_EQ(folder.Read("out.txt"), "abc");
}

}  // namespace
}  // namespace tolvane
