// The control page's other buttons and links by real clicks: each opens its program or document
// as the kit expects, and the C# choice explains itself and returns to PHP; the focus comes back
// where it was after either, and after a minimise and restore.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "launcher_session.h"

namespace tolvane::test {
namespace {

class Launchers : public ::testing::Test {
 protected:
  void SetUp() override {
    StoreSettingsOfThisComputer(session, "");
    ASSERT_TRUE(session.Start());
  }
  // The one record of `role` once it arrives.
  Record Only(const std::wstring& role) {
    EXPECT_TRUE(WaitUntil([&] { return session.RecordsOf(role).size() == 1; }))
        << ::testing::PrintToString(session.Records());
    const auto records = session.RecordsOf(role);
    return records.empty() ? Record{} : SplitRecord(records[0]);
  }
  static bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
  }

  LauncherSession session;
};

// Install Java starts the installer, View log files opens the log viewer in the browser, and the
// documentation opens the manual in the PDF viewer.
TEST_F(Launchers, InstallJavaLogViewerAndManualOpenInTheirPrograms) {
  const std::tuple<const wchar_t*, const wchar_t*, std::wstring> cases[] = {
      {L"back3", L"jre", session.kit() + L"tools\\jre.exe"},
      {L"viewlog", L"browser", L"http://127.0.0.1:85/service/logs/"},
      {L"documentationbutton", L"viewer", session.kit() + L"TolvaneChat.pdf"}};
  for (const auto& [button, role, opened] : cases) {
    session.Click(button);
    EXPECT_TRUE(Contains(Only(role).command_line, opened)) << button;
  }
}

TEST_F(Launchers, DevelopmentMinimisesTheLauncherAndOpensTheProjectInTheIde) {
  session.Click(L"startdevelopment");
  const Record ide = Only(L"netbeans");
  EXPECT_TRUE(Contains(ide.command_line,
                       L" --userdir .\\tools\\Project\\nbproject\\settings\\ .\\tools\\Project\\ "
                       L".\\www\\config.xml .\\www\\service\\service.php"));
  EXPECT_EQ(_wcsicmp((ide.directory + (ide.directory.back() == L'\\' ? L"" : L"\\")).c_str(),
                     session.kit().c_str()),
            0);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(session.form()) != FALSE; }));
  // Restored from the task bar, the focus is back on the button the user pressed.
  session.Restore();
  EXPECT_TRUE(WaitUntil([&] { return session.Focused() == L"startdevelopment"; }));
}

// The links are no tab stops: the keyboard alone opens them too, from the window's system menu
// (Alt+Space and then H or P), as screen readers tell of them.
TEST_F(Launchers, TheLinksOpenTheConfigurationFilesInNotepadByMouseOrKeyboard) {
  // Notepad, maximised, covers the launcher: end it before the next click.
  const auto end_notepad = [&] {
    RunQuietly(L"taskkill /F /IM notepad.exe");
    ASSERT_TRUE(WaitUntil([] { return !FindWindowW(L"Notepad", nullptr); }));
    SetForegroundWindow(session.form());  // back to the launcher, as its task bar button would
  };
  // Pressed on one link and released on the other is no click of either: no Notepad runs once
  // the key pressed after it has moved the focus, nor beside the next click's.
  session.Click(L"Label15", L"Label16");
  session.Key(VK_TAB);  // the focus on "Wowza", to come back there from Notepad
  ASSERT_TRUE(WaitUntil([&] { return session.Focused() == L"wowzacb"; }));
  EXPECT_EQ(CountProcesses(L"notepad.exe"), 0);
  for (const auto& [link, letter, title] : {std::tuple{L"Label15", L'H', L"httpd.conf - Notepad"},
                                            std::tuple{L"Label16", L'P', L"php.ini - Notepad"}}) {
    session.Click(link);
    HWND notepad = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (notepad = FindWindowW(L"Notepad", title)) != nullptr; }));
    EXPECT_EQ(CountProcesses(L"notepad.exe"), 1);
    EXPECT_TRUE(WaitUntil([&] { return IsZoomed(notepad) != FALSE; }));
    end_notepad();
    EXPECT_TRUE(WaitUntil([&] { return session.Focused() == L"wowzacb"; }));

    session.AltKey(VK_SPACE);
    session.Key(static_cast<WORD>(letter));
    EXPECT_TRUE(WaitUntil([&] { return FindWindowW(L"Notepad", title) != nullptr; }))
        << "Alt+Space, " << static_cast<char>(letter);
    end_notepad();
  }
}

TEST_F(Launchers, CSharpShowsTheNoticeAndReturnsToPhp) {
  session.Click(L"csharpcb");
  HWND box = nullptr;
  ASSERT_TRUE(
      WaitUntil([&] { return (box = session.MessageBoxWindow(L"Information")) != nullptr; }));
  EXPECT_EQ(session.MessageBoxText(box),
            L"If you want to use csharp as the Tolvane Chat scripting language then you have to "
            L"use some other web server (probably IIS).Please take a look on our web pages or send "
            L"us an email - we will send you back instruction how to port Tolvane Chat framework "
            L"to IIS and ASP.NET.");
  session.Screenshot("page4-csharp-notice");
  session.Answer(box, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return session.State(L"phpcb").checked; }));
  EXPECT_FALSE(session.State(L"csharpcb").checked);
  EXPECT_TRUE(session.State(L"phpcb").tab_stop);
  EXPECT_FALSE(session.State(L"csharpcb").tab_stop);
  EXPECT_TRUE(WaitUntil([&] { return session.Focused() == L"csharpcb"; }));  // back where it was
  // Left and come back to (here by a minimise and restore), the window gives the focus to the
  // ticked button of the group, as the dialog manager does: on Windows an unticked C# taking the
  // focus would click itself and bring the notice back.
  session.Minimise();
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(session.form()) != FALSE; }));
  session.Restore();
  EXPECT_TRUE(WaitUntil([&] { return session.Focused() == L"phpcb"; }));
  EXPECT_EQ(session.MessageBoxWindow(L"Information"), nullptr);
}

}  // namespace
}  // namespace tolvane::test
