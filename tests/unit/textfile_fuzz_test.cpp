// Thousands of pseudo-random files (fixed seed, so a failure repeats) through the readers of
// outside input: the text reader, the settings file and the Java report. None may crash, and no
// line may keep a CR or an LF.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "codepage.h"
#include "faulty_files.h"
#include "javareport.h"
#include "scratch_folder.h"
#include "settings.h"
#include "text.h"
#include "textfile.h"

namespace tolvane {
namespace {

using test::FaultyFileSystem;
using test::ScratchFolder;

constexpr int kFiles = 3000;

// Random files built mostly from the pieces the readers look for, so that the interesting paths
// (line ends, Ctrl-Z, report sections) are reached often.
class FileMaker {
 public:
  std::string Next() {
    // One piece a line is what clang-format would make of this list.
    // clang-format off
    static const char* const kPieces[] = {
        "\r", "\n", "\r\n", "\x1A", " ", "x", "\\", "\xEF\xBB\xBF", "[version]", "[info]",
        "\r\n[info]\r\n", "java version", "c:\\program files", "\\lib\\rt.jar",
        "C:\\Program Files\\Java\\jre6\\lib\\rt.jar"};
    // clang-format on
    std::string bytes;
    const int count = Number(0, 24);
    for (int i = 0; i < count; ++i) {
      if (Number(0, 4) == 0) {
        bytes.push_back(static_cast<char>(Number(0, 255)));
      } else {
        bytes += kPieces[Number(0, std::size(kPieces) - 1)];
      }
    }
    return bytes;
  }

  std::size_t ReadLimit() { return Number(0, 3) == 0 ? 4096 : Number(1, 7); }

 private:
  int Number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  std::mt19937 random_{20240601};
};

// The lines of `bytes` by the reading rules, worked out another way: the text ends at the first
// Ctrl-Z, CRs vanish, LFs split it, and a final LF opens no further line.
std::vector<std::wstring> ExpectedLines(const std::string& bytes) {
  std::string text = bytes.substr(0, bytes.find('\x1A'));
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  std::vector<std::wstring> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(AnsiToWide(text.substr(start, end - start)));
    start = end + 1;
  }
  return lines;
}

bool HasLineBreak(const std::wstring& text) { return text.find_first_of(L"\r\n") != text.npos; }

TEST(TextFileFuzz, ReaderAgreesWithTheLineRules) {
  ScratchFolder folder;
  FileMaker maker;
  for (int i = 0; i < kFiles; ++i) {
    const std::string bytes = maker.Next();
    folder.Write("file.txt", bytes);
    FaultyFileSystem file_system;
    file_system.read_limit = maker.ReadLimit();
    TextReader reader(file_system, folder.Path("file.txt"));
    std::vector<std::wstring> lines;
    while (!reader.AtEnd() && lines.size() <= bytes.size()) lines.push_back(reader.ReadLine());
    ASSERT_EQ(lines, ExpectedLines(bytes)) << "file " << i << ": " << testing::PrintToString(bytes);
    ASSERT_EQ(reader.ReadLine(), L"");
  }
}

TEST(TextFileFuzz, SettingsAndReportKeepLinesWhole) {
  ScratchFolder folder;
  FileMaker maker;
  for (int i = 0; i < kFiles; ++i) {
    const std::string bytes = maker.Next();
    SCOPED_TRACE(testing::PrintToString(bytes));
    folder.Write("config.txt", bytes);
    TMachineSettings settings;
    LoadSettings(MachineFileSystem(), folder.Path("config.txt"), settings);
    ASSERT_FALSE(HasLineBreak(settings.ComputerName));
    ASSERT_FALSE(HasLineBreak(settings.JavaHome));

    FaultyFileSystem file_system;
    file_system.read_limit = maker.ReadLimit();
    // Every other report begins as a real one, so that its later sections are reached.
    const std::string report = (i % 2 == 0 ? "[version]\r\njava version" : "") + bytes;
    JavaDetection java;
    DetectJava(
        file_system,
        [&](const std::wstring&) {
          folder.Write("tools/javaversion.txt", report);
          return 0;
        },
        folder.Dir(), java);
    ASSERT_FALSE(HasLineBreak(java.DetectedJavaHome));
    if (!java.DetectedJavaHome.empty()) {
      ASSERT_EQ(Pos(L"c:\\program files", LowerCase(java.DetectedJavaHome)), 1);
    }
    // Version lines each end with CR LF and hold no other line break.
    std::wstring info = java.JavaInfo;
    if (!info.empty()) {
      ASSERT_EQ(Pos(L"java version", info), 1);
    }
    for (std::size_t end; (end = info.find(L"\r\n")) != info.npos; info.erase(0, end + 2)) {
      ASSERT_FALSE(HasLineBreak(info.substr(0, end)));
    }
    ASSERT_EQ(info, L"");
  }
}

}  // namespace
}  // namespace tolvane
