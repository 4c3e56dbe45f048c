// The kit's Java test script, run as the launcher runs it, against the java stand-in.
#include <gtest/gtest.h>

#include "kit_fixtures.h"
#include "platform_win32.h"

namespace tolvane::test {
namespace {

constexpr char kJava6Home[] = "C:\\Program Files\\Java\\jre6";
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

TEST_F(JavaTestScript, ReportsJava6VersionAndItsClassLibrary) {
  EnvironmentOverride path(L"PATH", JavaFirstPath().c_str());
  EnvironmentOverride flavour(L"TOLVANE_JAVA_FLAVOUR", nullptr);
  ASSERT_TRUE(RunScript());

  const std::vector<std::string> report = Lines(ReadBytes(Report()));
  ASSERT_GE(report.size(), 6u);
  EXPECT_EQ(report[0], "[version]");
  EXPECT_EQ(report[1], "java version \"1.6.0_45\"");
  EXPECT_EQ(report[2], "Java(TM) SE Runtime Environment (build 1.6.0_45-b06)");
  EXPECT_EQ(report[3], "Java HotSpot(TM) 64-Bit Server VM (build 20.45-b01, mixed mode)");
  EXPECT_EQ(report[4], "[info]");
  EXPECT_EQ(report[5], std::string("[Opened ") + kJava6Home + "\\lib\\rt.jar]");
  for (std::size_t i = 5; i < report.size(); ++i) {
    EXPECT_NE(report[i].find("rt.jar"), std::string::npos) << report[i];
  }
  EXPECT_FALSE(FileExists(tools_ + L"javaversion.tmp"));

  // Every java run happened in the tools folder.
  const std::vector<std::string> records = Lines(ReadBytes(kit_.path() + L"standins.log"));
  ASSERT_FALSE(records.empty());
  std::wstring tools_without_slash = tools_.substr(0, tools_.size() - 1);
  for (const std::string& record : records) {
    EXPECT_EQ(record.rfind("java|" + Utf8(tools_without_slash) + "|", 0), 0u) << record;
  }
}

TEST_F(JavaTestScript, ReportsJava17VersionWithoutClassLibrary) {
  EnvironmentOverride path(L"PATH", JavaFirstPath().c_str());
  EnvironmentOverride flavour(L"TOLVANE_JAVA_FLAVOUR", L"17");
  ASSERT_TRUE(RunScript());

  const std::vector<std::string> report = Lines(ReadBytes(Report()));
  ASSERT_EQ(report.size(), 5u);
  EXPECT_EQ(report[0], "[version]");
  EXPECT_EQ(report[1], "openjdk version \"17.0.2\" 2022-01-18");
  EXPECT_EQ(report[4], "[info]");
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
