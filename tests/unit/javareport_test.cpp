#include "javareport.h"

#include <gtest/gtest.h>

#include <optional>

#include "faulty_files.h"
#include "scratch_folder.h"

namespace tolvane {
namespace {

using test::FaultyFileSystem;
using test::ScratchFolder;

constexpr char kReport[] = "tools/javaversion.txt";

// Runs the detection in `folder` as the kit's AppDir with a test script that writes `report`
// (nothing when it has no value).
JavaDetection Detect(FileSystem& file_system, const ScratchFolder& folder,
                     const std::optional<std::string>& report) {
  JavaDetection result{L"stale info", L"stale home"};
  DetectJava(
      file_system,
      [&](const std::wstring&) {
        if (report) folder.Write(kReport, *report);
        return 0;
      },
      folder.Dir(), result);
  return result;
}

struct ReportCase {
  const char* name;
  std::optional<std::string> report;
  std::wstring java_info;
  std::wstring java_home;
};

const std::string kVersionLines =
    "java version \"1.6.0_20\"\r\n"
    "Java(TM) SE Runtime Environment (build 1.6.0_20-b02)\r\n"
    "Java HotSpot(TM) Client VM (build 16.3-b01, mixed mode, sharing)\r\n";
const std::wstring kJavaInfo =
    L"java version \"1.6.0_20\"\r\n"
    L"Java(TM) SE Runtime Environment (build 1.6.0_20-b02)\r\n"
    L"Java HotSpot(TM) Client VM (build 16.3-b01, mixed mode, sharing)\r\n";
const std::string kOpened = "[Opened C:\\Program Files\\Java\\jre6\\lib\\rt.jar]\r\n";
const std::wstring kHome = L"C:\\Program Files\\Java\\jre6";

const ReportCase kReportCases[] = {
    {"expected shape", "[version]\r\n" + kVersionLines + "[info]\r\n" + kOpened, kJavaInfo, kHome},
    {"LF only", "[version]\njava version 1\nv2\n[info]\nC:\\Program Files\\J\\lib\\rt.jar\n",
     L"java version 1\r\nv2\r\n", L"C:\\Program Files\\J"},
    {"info line without line end",
     "[version]\r\n" + kVersionLines +
         "[info]\r\n[Opened C:\\Program Files\\Java\\jre6\\lib\\rt.jar]",
     kJavaInfo, kHome},

    // The end of the file is tested before a version line is appended.
    {"no [info] line", "[version]\r\n" + kVersionLines,
     L"java version \"1.6.0_20\"\r\nJava(TM) SE Runtime Environment (build 1.6.0_20-b02)\r\n", L""},
    {"only header and java version", "[version]\r\njava version \"1.6.0_20\"\r\n", L"", L""},
    {"[info] last without line end", "[version]\r\njava version 1\r\nv2\r\n[info]",
     L"java version 1\r\nv2\r\n", L""},
    {"[info] with a blank is a version line",
     "[version]\njava version\n[info] \n[info]\nC:\\Program Files\\J\\lib\\rt.jar\n",
     L"java version\r\n[info] \r\n", L"C:\\Program Files\\J"},

    {"no report", std::nullopt, L"", L""},
    {"empty report", "", L"", L""},
    {"byte-order mark", "\xEF\xBB\xBF[version]\r\n" + kVersionLines + "[info]\r\n" + kOpened, L"",
     L""},
    {"header in other letter case", "[Version]\r\n" + kVersionLines + "[info]\r\n" + kOpened, L"",
     L""},
    {"blank line before the header", "\r\n[version]\r\n" + kVersionLines + "[info]\r\n" + kOpened,
     L"", L""},
    {"capital J", "[version]\r\nJava version \"1.6.0_20\"\r\n[info]\r\n" + kOpened, L"", L""},
    {"blanks before java version", "[version]\r\n  java version \"1.6\"\r\n[info]\r\n" + kOpened,
     L"", L""},
    {"java version later in the line", "[version]\r\nopenjdk java version\r\n[info]\r\n" + kOpened,
     L"", L""},

    {"home in the report's letter case",
     "[version]\r\njava version 1\r\n[info]\r\nc:\\PROGRAM FILES "
     "(x86)\\Java\\JRE6\\LIB\\RT.JAR\r\n",
     L"java version 1\r\n", L"c:\\PROGRAM FILES (x86)\\Java\\JRE6"},
    {"Java elsewhere", "[version]\r\njava version 1\r\n[info]\r\nD:\\Java\\jre6\\lib\\rt.jar\r\n",
     L"java version 1\r\n", L""},
    {"lines lacking either text skipped",
     "[version]\r\njava version 1\r\n[info]\r\nC:\\Program Files\\Java\r\nD:\\j\\lib\\rt.jar\r\n" +
         kOpened,
     L"java version 1\r\n", kHome},
    {"first qualifying line wins",
     "[version]\r\njava version 1\r\n[info]\r\n" + kOpened +
         "C:\\Program Files\\Other\\lib\\rt.jar\r\n",
     L"java version 1\r\n", kHome},
    {"rt.jar before the home ends the search",
     "[version]\r\njava version 1\r\n[info]\r\nD:\\lib\\rt.jar in C:\\Program Files\r\n" + kOpened,
     L"java version 1\r\n", L""},
    {"home and rt.jar first occurrences",
     "[version]\r\njava version 1\r\n[info]\r\nc:\\program files\\a\\lib\\rt.jar;C:\\Program "
     "Files\\b\\lib\\rt.jar\r\n",
     L"java version 1\r\n", L"c:\\program files\\a"},
};

TEST(DetectJava, ReadsTheReportOfTheTestScript) {
  for (const ReportCase& c : kReportCases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    const JavaDetection result = Detect(MachineFileSystem(), folder, c.report);
    EXPECT_EQ(result.JavaInfo, c.java_info);
    EXPECT_EQ(result.DetectedJavaHome, c.java_home);
  }
}

TEST(DetectJava, DeletesAnOldReportBeforeRunningTheScript) {
  ScratchFolder folder;
  folder.Write(kReport, "[version]\r\n" + kVersionLines + "[info]\r\n" + kOpened);
  std::wstring script;
  bool old_report_seen = true;
  JavaDetection result;
  DetectJava(
      MachineFileSystem(),
      [&](const std::wstring& path) {
        script = path;
        old_report_seen = folder.Has(kReport);
        return 1;
      },
      folder.Dir(), result);
  EXPECT_EQ(script, folder.Dir() + L"tools\\javatest.bat");
  EXPECT_FALSE(old_report_seen);
  EXPECT_EQ(result.JavaInfo, L"");
  EXPECT_EQ(result.DetectedJavaHome, L"");
}

TEST(DetectJava, KeepsWhatWasGatheredBeforeAReadError) {
  ScratchFolder folder;
  const std::string head = "[version]\r\njava version 1\r\nv2\r\n";
  FaultyFileSystem file_system;
  file_system.break_after = head.size();
  const JavaDetection result = Detect(file_system, folder, head + "v3\r\n[info]\r\n" + kOpened);
  EXPECT_EQ(result.JavaInfo, L"java version 1\r\n");
  EXPECT_EQ(result.DetectedJavaHome, L"");
}

}  // namespace
}  // namespace tolvane
