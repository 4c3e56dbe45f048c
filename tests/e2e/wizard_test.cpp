// The first-run wizard by real clicks: the licence pages, the waiting page while the kit's Java
// test script runs, the Java page in green or red, the warning, the settings file and JAVA_HOME,
// and the control page on the next start.
#include <gtest/gtest.h>

#include <string>

#include "launcher_session.h"

namespace tolvane::test {
namespace {

constexpr wchar_t kEnvironmentKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::wstring SystemJavaHome() {
  wchar_t value[1024] = {};
  DWORD size = sizeof(value);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"JAVA_HOME", RRF_RT_REG_SZ, nullptr, value,
                   &size) != ERROR_SUCCESS) {
    return L"<none>";
  }
  return value;
}

void ForgetSystemJavaHome() {
  RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kEnvironmentKey, L"JAVA_HOME");
}

std::string ThisComputer() {
  const std::wstring name = ComputerName();
  return std::string(name.begin(), name.end());
}

// The colour of the screen in the middle of a window's top edge.
COLORREF PixelAtTopOf(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, (r.left + r.right) / 2, r.top);
  ReleaseDC(nullptr, screen);
  return colour;
}

class Wizard : public ::testing::Test {
 protected:
  void SetUp() override { ForgetSystemJavaHome(); }
  void TearDown() override { ForgetSystemJavaHome(); }

  static bool OnlyPage(const LauncherSession& session, const wchar_t* page) {
    for (const wchar_t* p : {L"panel1", L"panel2", L"panel3", L"panel4"}) {
      if (session.Visible(p) != (std::wstring(p) == page)) return false;
    }
    return true;
  }
  // Walks from page 1 to the Java page; true once its result shows.
  static ::testing::AssertionResult ToTheJavaPage(LauncherSession& session, bool screenshots) {
    if (screenshots) session.Screenshot("page1-licence");
    session.Click(L"next1");
    if (!WaitUntil([&] { return OnlyPage(session, L"panel2"); })) {
      return ::testing::AssertionFailure() << "page 2 did not show";
    }
    if (screenshots) session.Screenshot("page2-media-server-licence");
    session.Click(L"next2");
    // Page 3 is made visible before the test script runs, but the window is not repainted until
    // the script is done: the screen keeps the waiting page, where page 3's Next button would be
    // there is nothing but the page's face colour.
    if (!WaitUntil([&] { return OnlyPage(session, L"panel3"); })) {
      return ::testing::AssertionFailure() << "page 3 did not come";
    }
    if (screenshots) {
      session.Screenshot("page5-waiting", 0);
      if (PixelAtTopOf(session.Control(L"next3")) != GetSysColor(COLOR_BTNFACE)) {
        return ::testing::AssertionFailure() << "page 3 was painted during the detection";
      }
    }
    if (!WaitUntil([&] { return !session.Text(L"currentjavaversion").empty(); })) {
      return ::testing::AssertionFailure() << "the Java page did not show its result";
    }
    Sleep(300);
    if (PixelAtTopOf(session.Control(L"next3")) == GetSysColor(COLOR_BTNFACE)) {
      return ::testing::AssertionFailure() << "page 3 was not painted after the detection";
    }
    return ::testing::AssertionSuccess();
  }
};

TEST_F(Wizard, WithJavaItEndsOnTheControlPageAndTheNextStartBeginsThere) {
  {
    LauncherSession session(Machine{.java_startup_ms = 1000});
    ASSERT_TRUE(session.Start());
    EXPECT_TRUE(OnlyPage(session, L"panel1"));
    ASSERT_TRUE(ToTheJavaPage(session, true));
    EXPECT_EQ(session.Text(L"currentjavaversion"),
              L"Java was detected:\r\n"
              L"java version \"1.6.0_45\"\r\n"
              L"Java(TM) SE Runtime Environment (build 1.6.0_45-b06)\r\n"
              L"Java HotSpot(TM) 64-Bit Server VM (build 20.45-b01, mixed mode)\r\n");
    session.Screenshot("page3-java-found");

    session.Click(L"setjavahome");
    ASSERT_TRUE(WaitUntil([&] { return session.State(L"setjavahome").checked; }));
    session.Click(L"next3");
    ASSERT_TRUE(WaitUntil([&] { return OnlyPage(session, L"panel4"); }));
    EXPECT_EQ(session.Text(L"e1"), L"C:\\Program Files\\Java\\jre6");
    EXPECT_EQ(session.ReadKitFile(L"tools\\config.txt"),
              ThisComputer() + "\r\nC:\\Program Files\\Java\\jre6\r\n");
    EXPECT_TRUE(WaitUntil([] { return SystemJavaHome() == L"C:\\Program Files\\Java\\jre6"; }));
    ASSERT_TRUE(session.Close());

    LauncherSession again(Machine{});
    again.WriteKitFile(L"tools\\config.txt", session.ReadKitFile(L"tools\\config.txt"));
    ASSERT_TRUE(again.Start());
    EXPECT_TRUE(OnlyPage(again, L"panel4"));
    EXPECT_EQ(again.Text(L"e1"), L"C:\\Program Files\\Java\\jre6");
  }
}

TEST_F(Wizard, WithoutJavaOnlyYesLeavesTheJavaPage) {
  LauncherSession session(Machine{.java = false});
  ASSERT_TRUE(session.Start());
  ASSERT_TRUE(ToTheJavaPage(session, false));
  EXPECT_EQ(session.Text(L"currentjavaversion"),
            L"Java runtime environment was not detected on this machine.");
  session.Screenshot("page3-no-java");

  session.Click(L"next3");
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = session.MessageBoxWindow(L"Warning")) != nullptr; }));
  EXPECT_EQ(session.MessageBoxText(box),
            L"Java runtime environment was not found. Are you sure that Java (JRE) 1.6.0 or above "
            L"is successfully installed?");
  session.Screenshot("page3-warning");
  session.Answer(box, IDNO);
  ASSERT_TRUE(WaitUntil([&] { return session.MessageBoxWindow(L"Warning") == nullptr; }));
  EXPECT_TRUE(OnlyPage(session, L"panel3"));
  EXPECT_TRUE(WaitUntil([&] { return session.Focused() == L"next3"; }));
  EXPECT_EQ(session.ReadKitFile(L"tools\\config.txt"), "");

  session.Click(L"next3");
  ASSERT_TRUE(WaitUntil([&] { return (box = session.MessageBoxWindow(L"Warning")) != nullptr; }));
  session.Answer(box, IDYES);
  ASSERT_TRUE(WaitUntil([&] { return OnlyPage(session, L"panel4"); }));
  EXPECT_EQ(session.ReadKitFile(L"tools\\config.txt"), ThisComputer() + "\r\n\r\n");
  EXPECT_EQ(SystemJavaHome(), L"<none>");

  // "set JAVA_HOME" hands the edit box's text to the kit's tool as it stands, trailing
  // backslash included, and saves it.
  SendMessageW(session.Control(L"e1"), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(L"D:\\Java\\jdk 6\\"));
  session.Click(L"savejavahome");
  EXPECT_TRUE(WaitUntil([] { return SystemJavaHome() == L"D:\\Java\\jdk 6\\"; }))
      << SystemJavaHome();
  EXPECT_TRUE(WaitUntil([&] {
    return session.ReadKitFile(L"tools\\config.txt") ==
           ThisComputer() + "\r\nD:\\Java\\jdk 6\\\r\n";
  }));
}

}  // namespace
}  // namespace tolvane::test
