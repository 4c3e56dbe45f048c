// The server stack by real clicks: start, the readiness probe and the browser, stop, and the
// stop when the window closes, against the kit's web-server and media-server stand-ins.
#include <gtest/gtest.h>

#include <string>

#include "kit.h"
#include "launcher_session.h"

namespace tolvane::test {
namespace {

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

class ServerStack : public ::testing::Test {
 protected:
  void SetUp() override {
    StoreSettingsOfThisComputer(session, "");
    ASSERT_TRUE(session.Start());
  }
  bool Hidden() { return !IsWindowVisible(session.form()); }
  bool Shown() { return IsWindowVisible(session.form()) != FALSE; }
  std::wstring MediaServer(const std::wstring& action) {
    return kit::MediaServerParameters(session.kit(), action);
  }

  LauncherSession session;
};

TEST_F(ServerStack, StartOpensTheChatOnceItAnswersAndStopEndsEveryWebServer) {
  session.Click(L"startservers");
  ASSERT_TRUE(WaitUntil([&] { return Hidden(); }, std::chrono::seconds(5)));
  ASSERT_TRUE(WaitUntil([&] { return !session.RecordsOf(L"browser").empty(); }));
  ASSERT_TRUE(WaitUntil([&] { return Shown(); }));
  EXPECT_EQ(session.Text(L"startservers"), L"Stop Tolvane Chat Server");
  EXPECT_TRUE(WaitUntil([&] { return session.Focused() == L"startservers"; }));
  session.Screenshot("page4-stack-running");

  // The media server got its exact command line, the web server its own folder, the browser
  // the main page, which answered only after the web server's warm-up.
  const auto java = session.RecordsOf(L"java");
  ASSERT_EQ(java.size(), 1u);
  EXPECT_TRUE(EndsWith(SplitRecord(java[0]).command_line, MediaServer(L"start")));
  const auto httpd = session.RecordsOf(L"httpd");
  ASSERT_EQ(httpd.size(), 1u);
  EXPECT_EQ(_wcsicmp(WithoutTrailingBackslash(SplitRecord(httpd[0]).directory).c_str(),
                     (session.kit() + L"servers\\apache\\bin").c_str()),
            0)
      << SplitRecord(httpd[0]).directory;
  EXPECT_EQ(session.RecordsOf(L"httpd-worker").size(), 1u);
  const auto browser = session.RecordsOf(L"browser");
  ASSERT_EQ(browser.size(), 1u);
  EXPECT_NE(SplitRecord(browser[0]).command_line.find(L"http://127.0.0.1:85/index.php"),
            std::wstring::npos);
  EXPECT_EQ(CountProcesses(L"httpd.exe"), 2);

  session.Click(L"startservers");
  ASSERT_TRUE(WaitUntil([&] { return Hidden(); }, std::chrono::seconds(5)));
  ASSERT_TRUE(WaitUntil([&] { return Shown(); }));
  EXPECT_EQ(session.Text(L"startservers"), L"Start Tolvane Chat Server");
  EXPECT_TRUE(WaitUntil([&] { return session.Focused() == L"startservers"; }));
  const auto stops = session.RecordsOf(L"java");
  ASSERT_EQ(stops.size(), 2u);
  EXPECT_TRUE(EndsWith(SplitRecord(stops[1]).command_line, MediaServer(L"stop")));
  EXPECT_EQ(CountProcesses(L"httpd.exe"), 0);
  EXPECT_EQ(CountProcesses(L"java.exe"), 0);  // the "start" one ended on "stop"

  // Closing the window stops the stack once more, though nothing runs.
  ASSERT_TRUE(session.Close());
  ASSERT_TRUE(WaitUntil([&] { return session.RecordsOf(L"java").size() == 3; }));
  EXPECT_TRUE(
      EndsWith(SplitRecord(session.RecordsOf(L"java")[2]).command_line, MediaServer(L"stop")));
}

TEST_F(ServerStack, WithoutAutoOpenTheWindowComesBackAtOnce) {
  session.Click(L"autoopenmainpage");
  ASSERT_FALSE(session.State(L"autoopenmainpage").checked);
  session.Click(L"startservers");
  ASSERT_TRUE(WaitUntil([&] { return session.RecordsOf(L"httpd").size() == 1; }));
  ASSERT_TRUE(WaitUntil([&] { return Shown(); }, std::chrono::seconds(3)));
  EXPECT_TRUE(session.RecordsOf(L"browser").empty());
  EXPECT_EQ(session.Text(L"startservers"), L"Stop Tolvane Chat Server");

  // Closing while running ends the web server and stops the media server.
  ASSERT_TRUE(session.Close());
  EXPECT_TRUE(WaitUntil([] { return CountProcesses(L"httpd.exe") == 0; }));
  EXPECT_TRUE(WaitUntil([] { return CountProcesses(L"java.exe") == 0; }));
}

}  // namespace
}  // namespace tolvane::test
