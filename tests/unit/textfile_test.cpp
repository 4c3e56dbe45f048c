#include "textfile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <vector>

#include "faulty_files.h"
#include "scratch_folder.h"

namespace tolvane {
namespace {

using test::FaultyFileSystem;
using test::ScratchFolder;

// Reads every line as the launcher's callers do (asking for the end first), then checks that
// reading on past the end gives empty text and keeps reporting the end.
std::vector<std::wstring> ReadAll(FileSystem& file_system, const std::wstring& path,
                                  std::size_t byte_count) {
  TextReader reader(file_system, path);
  std::vector<std::wstring> lines;
  while (!reader.AtEnd()) {
    lines.push_back(reader.ReadLine());
    if (lines.size() > byte_count + 1) {
      ADD_FAILURE() << "the end of the file is never reported";
      break;
    }
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(reader.ReadLine(), L"");
    EXPECT_TRUE(reader.AtEnd());
  }
  return lines;
}

struct ReadCase {
  const char* name;
  std::string bytes;
  std::vector<std::wstring> lines;
};

const ReadCase kReadCases[] = {
    {"CR LF", "one\r\ntwo\r\n", {L"one", L"two"}},
    {"LF only", "one\ntwo\n", {L"one", L"two"}},
    {"CR only", "one\rtwo\r", {L"onetwo"}},
    {"no final line end", "A\r\nB", {L"A", L"B"}},
    {"trailing empty line", "A\r\nB\r\n\r\n", {L"A", L"B", L""}},
    {"empty lines first", "\n\r\nA", {L"", L"", L"A"}},
    {"empty file", "", {}},
    {"one line end", "\r\n", {L""}},
    {"lone CR before CR LF", "A\r\r\nB\r", {L"A", L"B"}},
    {"only CRs after the last line", "A\n\r\r", {L"A"}},
    {"text unchanged", "  Mixed Case \t\r\n", {L"  Mixed Case \t"}},
    {"NUL kept", std::string("A\0B\n", 4), {std::wstring(L"A\0B", 3)}},
    {"ANSI code page", "\x80 \xE9\xFF\r\n", {L"\u20AC \u00E9\u00FF"}},
    {"UTF-8 byte-order mark", "\xEF\xBB\xBF[version]\r\n", {L"\u00EF\u00BB\u00BF[version]"}},
    {"Ctrl-Z starts a line", "A\r\n\x1A\r\nB\r\n", {L"A"}},
    {"Ctrl-Z after CR", "A\n\r\x1A", {L"A"}},
    {"Ctrl-Z in a line",
     "AB\x1A"
     "CD\r\nE\r\n",
     {L"AB"}},
    {"Ctrl-Z first",
     "\x1A"
     "A\r\n",
     {}},
};

TEST(TextReader, FollowsTheLineRulesWhateverTheReadSize) {
  ScratchFolder folder;
  for (const ReadCase& c : kReadCases) {
    folder.Write("file.txt", c.bytes);
    for (std::size_t limit : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{4096}}) {
      SCOPED_TRACE(std::string(c.name) + ", reads of " + std::to_string(limit) + " bytes");
      FaultyFileSystem file_system;
      file_system.read_limit = limit;
      EXPECT_EQ(ReadAll(file_system, folder.Path("file.txt"), c.bytes.size()), c.lines);
    }
  }
}

TEST(TextReader, ReportsTheEndOnlyWhenNoLineRemains) {
  ScratchFolder folder;
  folder.Write("file.txt", "A\r\n\r\n");
  TextReader reader(MachineFileSystem(), folder.Path("file.txt"));
  EXPECT_FALSE(reader.AtEnd());
  EXPECT_EQ(reader.ReadLine(), L"A");
  EXPECT_FALSE(reader.AtEnd());
  EXPECT_EQ(reader.ReadLine(), L"");
  EXPECT_TRUE(reader.AtEnd());
}

TEST(TextReader, ReadsWithoutAskingForTheEnd) {
  ScratchFolder folder;
  folder.Write("empty.txt", "");
  TextReader reader(MachineFileSystem(), folder.Path("empty.txt"));
  EXPECT_EQ(reader.ReadLine(), L"");
  EXPECT_EQ(reader.ReadLine(), L"");
  EXPECT_TRUE(reader.AtEnd());
}

TEST(TextReader, ReadsLinesLongerThanItsChunks) {
  ScratchFolder folder;
  // Around the reader's 4096-byte chunks: the CR and the LF of the first line end on either side
  // of a boundary for some of these lengths.
  for (std::size_t length : {4094, 4095, 4096, 4097, 8191, 8192, 100000}) {
    SCOPED_TRACE(length);
    const std::string line(length, 'x');
    folder.Write("long.txt", line + "\r\n" + line + "y\r\nz");
    const std::wstring wide(line.begin(), line.end());
    EXPECT_EQ(ReadAll(MachineFileSystem(), folder.Path("long.txt"), 2 * length + 5),
              (std::vector<std::wstring>{wide, wide + L"y", L"z"}));
  }
}

TEST(TextReader, ThrowsIoErrorForAFileThatCanNotBeOpened) {
  ScratchFolder folder;
  try {
    TextReader reader(MachineFileSystem(), folder.Path("missing.txt"));
    ADD_FAILURE() << "a missing file was opened";
  } catch (const IoError& error) {
    EXPECT_EQ(error.code(), ENOENT);
  }
  EXPECT_THROW(TextReader(MachineFileSystem(), folder.Dir()), IoError);
}

TEST(TextWriter, EmptiesTheFileAndWritesAnsiTextAndCrLfAfterEveryLine) {
  ScratchFolder folder;
  folder.Write("out.txt", "a much longer old content, longer than the new one\r\n");
  TextWriter writer(MachineFileSystem(), folder.Path("out.txt"));
  writer.WriteLine(L"Zo\u00EB");
  writer.WriteLine(L"");
  writer.WriteLine(L"\u4E2D\u20AC");
  writer.Commit();
  EXPECT_EQ(folder.Read("out.txt"), "Zo\xEB\r\n\r\n?\x80\r\n");
}

TEST(TextWriter, ThrowsIoErrorInAMissingFolder) {
  ScratchFolder folder;
  EXPECT_THROW(TextWriter(MachineFileSystem(), folder.Path("tools/config.txt")), IoError);
  EXPECT_FALSE(folder.Has("tools"));
}

}  // namespace
}  // namespace tolvane
