// The kit's Java test script, run as the launcher runs it, against the java stand-in.
#include <gtest/gtest.h>

#include "kit_fixtures.h"
#include "platform_win32.h"

namespace tolvane::test {
namespace {

constexpr wchar_t kSystemPath[] = L"C:\\windows\\system32;C:\\windows";

class JavaTestScript : public ::testing::Test {
 protected:
  // The script sits in a tools folder of its own, here one whose path holds blanks as an
  // installation under "Program Files" would.
  JavaTestScript() : tools_(kit_.path() + L"Tolvane Chat\\tools\\") {
    std::filesystem::create_directories(tools_);
    CopyFileW(KitSource(L"javatest.bat").c_str(), (tools_ + L"javatest.bat").c_str(), FALSE);
  }

  // As the launcher runs it, through its own platform: a new minimised console in the script's
  // folder, at most 15 s. True when the script ended in time; its exit code means nothing to the
  // launcher.
  bool RunScript() {
    const int code = Win32Platform().RunAndWait(tools_ + L"javatest.bat");
    return code != -1 && code != STILL_ACTIVE;
  }

  std::wstring Report() const { return tools_ + L"javaversion.txt"; }

  static std::wstring JavaFirstPath() { return KitBinary(L"standins\\java") + L";" + kSystemPath; }

  ScratchFolder kit_;
  std::wstring tools_;
  EnvironmentOverride log_{L"TOLVANE_STANDIN_LOG", (kit_.path() + L"standins.log").c_str()};
};

// Java 6 names the class library it opened; Java 9 and later have none.
TEST_F(JavaTestScript, ReportsTheVersionOfTheJavaItFindsAndItsClassLibrary) {
  EnvironmentOverride path(L"PATH", JavaFirstPath().c_str());
  const struct {
    const wchar_t* flavour;
    std::string report;  // Java 6: its beginning, when further lines name rt.jar
  } rows[] = {
      {nullptr,
       "[version]\r\njava version \"1.6.0_45\"\r\n"
       "Java(TM) SE Runtime Environment (build 1.6.0_45-b06)\r\n"
       "Java HotSpot(TM) 64-Bit Server VM (build 20.45-b01, mixed mode)\r\n[info]\r\n"
       "[Opened C:\\Program Files\\Java\\jre6\\lib\\rt.jar]\r\n"},
      {L"17",
       "[version]\r\nopenjdk version \"17.0.2\" 2022-01-18\r\n"
       "OpenJDK Runtime Environment (build 17.0.2+8-86)\r\n"
       "OpenJDK 64-Bit Server VM (build 17.0.2+8-86, mixed mode, sharing)\r\n[info]\r\n"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.report);
    EnvironmentOverride flavour(L"TOLVANE_JAVA_FLAVOUR", row.flavour);
    ASSERT_TRUE(RunScript());
    const std::string report = ReadBytes(Report());
    ASSERT_EQ(report.substr(0, row.report.size()), row.report);
    if (row.flavour) {
      EXPECT_EQ(report, row.report);
    }
    for (const std::string& line : Lines(report.substr(row.report.size()))) {
      EXPECT_NE(line.find("rt.jar"), std::string::npos) << line;
    }
    EXPECT_FALSE(FileExists(tools_ + L"javaversion.tmp"));
  }
  // Every java run happened in the tools folder.
  const std::vector<std::string> records = Lines(ReadBytes(kit_.path() + L"standins.log"));
  ASSERT_FALSE(records.empty());
  for (const std::string& record : records) {
    EXPECT_EQ(record.rfind("java|" + Utf8(tools_.substr(0, tools_.size() - 1)) + "|", 0), 0u)
        << record;
  }
}

TEST_F(JavaTestScript, LeavesNoReportWithoutJava) {
  EnvironmentOverride path(L"PATH", kSystemPath);
  // A report from an earlier run must not survive as if it were this run's.
  std::ofstream(std::filesystem::path(Report()), std::ios::binary) << "[version]\r\n";

  EXPECT_TRUE(RunScript());
  EXPECT_FALSE(FileExists(Report()));
  EXPECT_FALSE(FileExists(kit_.path() + L"standins.log"));
}

}  // namespace
}  // namespace tolvane::test
