// The form's handlers run headless against a recording platform, a scratch kit folder and a
// scripted web server: pages, the Java page, the settings file, the server stack and launchers.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "recording_platform.h"
#include "scratch_folder.h"
#include "socket.h"
#include "startu.h"

namespace tolvane {
namespace {

using Calls = std::vector<std::wstring>;

// Answers every connection with the same canned response, or refuses when there is none.
class CannedServer : public Connector {
 public:
  std::string response;
  int connections = 0;

  std::unique_ptr<Connection> Connect(const std::string&, std::uint16_t,
                                      std::chrono::milliseconds) override {
    if (response.empty()) return nullptr;
    ++connections;
    return std::make_unique<Canned>(response);
  }

 private:
  class Canned : public Connection {
   public:
    explicit Canned(std::string bytes) : bytes_(std::move(bytes)) {}
    bool SendAll(std::string_view, std::chrono::milliseconds) override { return true; }
    Received Receive(char* buffer, std::size_t capacity, std::chrono::milliseconds) override {
      if (bytes_.empty()) return {SocketStatus::kClosed, 0};
      const std::size_t size = std::min(capacity, bytes_.size());
      bytes_.copy(buffer, size);
      bytes_.erase(0, size);
      return {SocketStatus::kOk, size};
    }
    bool PeerClosed() override { return bytes_.empty(); }

   private:
    std::string bytes_;
  };
};

constexpr char kJava6Report[] =
    "[version]\r\n"
    "java version \"1.6.0_45\"\r\n"
    "Java(TM) SE Runtime Environment (build 1.6.0_45-b06)\r\n"
    "Java HotSpot(TM) 64-Bit Server VM (build 20.45-b01, mixed mode)\r\n"
    "[info]\r\n"
    "[Opened C:\\Program Files\\Java\\jre6\\lib\\rt.jar]\r\n";
constexpr wchar_t kJava6Lines[] =
    L"java version \"1.6.0_45\"\r\n"
    L"Java(TM) SE Runtime Environment (build 1.6.0_45-b06)\r\n"
    L"Java HotSpot(TM) 64-Bit Server VM (build 20.45-b01, mixed mode)\r\n";

class FormHandlers : public ::testing::Test {
 protected:
  FormHandlers() {
    // The kit's paths use backslashes; the native file layer takes them as separators.
    const std::wstring dir = kit.Dir();
    app_dir = dir.substr(0, dir.size() - 1) + L"\\";
    kit.Write("tools/javatest.bat", "");
  }

  TForm1& Start() {
    JavaInfo.clear();
    DetectedJavaHome.clear();
    Settings = {};
    form = std::make_unique<TForm1>(platform, MachineFileSystem(), server,
                                    app_dir + L"TolvaneChat.exe",
                                    [](Asset) { return std::wstring(L"text"); });
    form->FormCreate();
    platform.calls.clear();
    return *form;
  }

  // The Java test script leaves this report (nothing for an empty one).
  void JavaReports(const std::string& report) {
    platform.on_run = [this, report](const std::wstring&) {
      if (!report.empty()) kit.Write("tools/javaversion.txt", report);
      return 0;
    };
  }

  std::wstring Seen() { return form->controls().SeenPage()->name(); }

  test::ScratchFolder kit;
  std::wstring app_dir;
  test::RecordingPlatform platform;
  CannedServer server;
  std::unique_ptr<TForm1> form;
};

// A first start shows the wizard and writes nothing; only the settings of this computer, its
// name compared exactly, open the control page.
TEST_F(FormHandlers, OnlyThisComputersSettingsOpenTheControlPage) {
  Start();
  EXPECT_EQ(Seen(), L"panel1");
  EXPECT_EQ(AppDir, app_dir);
  EXPECT_EQ(Settings.ComputerName, L"WORKSTATION");
  EXPECT_FALSE(kit.Has("tools/config.txt"));

  kit.Write("tools/config.txt", "workstation\r\n");
  Start();
  EXPECT_EQ(Seen(), L"panel1");

  kit.Write("tools/config.txt", "WORKSTATION\r\nC:\\Java \"6\"\r\n");
  Start();
  EXPECT_EQ(Seen(), L"panel4");
  EXPECT_EQ(form->e1.Text(), L"C:\\Java \"6\"");

  // An empty file matches only a computer whose name could not be read.
  kit.Write("tools/config.txt", "");
  platform.computer_name_fails = true;
  Start();
  EXPECT_EQ(Seen(), L"panel4");
}

TEST_F(FormHandlers, TheWizardPagesFollowEachOther) {
  Start();
  form->next1.Click();
  EXPECT_EQ(Seen(), L"panel2");
  form->back1.Click();
  EXPECT_EQ(Seen(), L"panel1");
  form->next1.Click();
  JavaReports(kJava6Report);
  form->next2.Click();
  EXPECT_EQ(Seen(), L"panel3");
  form->back2.Click();
  EXPECT_EQ(Seen(), L"panel2");
}

TEST_F(FormHandlers, TheWaitingPageIsPaintedBeforeTheJavaScriptRuns) {
  Start();
  JavaReports(kJava6Report);
  bool waiting_page_seen = false;
  platform.on_messages = [&] { waiting_page_seen = Seen() == L"panel5"; };
  form->next2.Click();
  EXPECT_TRUE(waiting_page_seen);
  // The window is painted with the waiting page before the script blocks it.
  const auto run = std::find(platform.calls.begin(), platform.calls.end(),
                             L"run " + app_dir + L"tools\\javatest.bat");
  ASSERT_NE(run, platform.calls.end());
  EXPECT_NE(std::find(platform.calls.begin(), run, L"repaint"), run);
  EXPECT_EQ(form->currentjavaversion.Text(), std::wstring(L"Java was detected:\r\n") + kJava6Lines);
  EXPECT_EQ(form->currentjavaversion.FontColour(), kClDarkGreen);
  EXPECT_FALSE(form->currentjavaversion.Bold());
}

TEST_F(FormHandlers, AWindowClosedWhileTheWaitingPageIsPaintedRunsNoScript) {
  Start();
  platform.on_messages = [&] {
    if (!form->closed()) form->FormClose();
  };
  form->next2.Click();
  EXPECT_TRUE(platform.CallsStartingWith(L"run ").empty());
}

TEST_F(FormHandlers, NoJavaShowsRedBoldAndALaterFindKeepsTheBold) {
  Start();
  JavaReports("");
  form->next2.Click();
  EXPECT_EQ(form->currentjavaversion.Text(),
            L"Java runtime environment was not detected on this machine.");
  EXPECT_EQ(form->currentjavaversion.FontColour(), kClRed);
  EXPECT_TRUE(form->currentjavaversion.Bold());

  form->back2.Click();
  JavaReports(kJava6Report);
  form->next2.Click();
  EXPECT_EQ(form->currentjavaversion.FontColour(), kClDarkGreen);
  EXPECT_TRUE(form->currentjavaversion.Bold());
}

TEST_F(FormHandlers, FinishingWithJavaSavesTheHomeAndRegistersItOnlyWhenTicked) {
  for (const bool ticked : {false, true}) {
    SCOPED_TRACE(ticked);
    Start();
    JavaReports(kJava6Report);
    form->next2.Click();
    if (ticked) form->setjavahome.Click();
    platform.calls.clear();
    form->next3.Click();
    EXPECT_EQ(Seen(), L"panel4");
    Calls expected = {L"run " + app_dir + L"tools\\javatest.bat"};
    if (ticked) {
      expected.push_back(L"open " + app_dir +
                         L"tools\\RegisterEnvironmentVariable\\RegisterEnvironmentVariable.exe | "
                         L"JAVA_HOME \"C:\\Program Files\\Java\\jre6\" |  | SW_SHOW");
    }
    EXPECT_EQ(platform.calls, expected);
    EXPECT_EQ(kit.Read("tools/config.txt"), "WORKSTATION\r\nC:\\Program Files\\Java\\jre6\r\n");
    EXPECT_EQ(form->e1.Text(), L"C:\\Program Files\\Java\\jre6");
  }
}

TEST_F(FormHandlers, WithoutJavaOnlyNoKeepsTheJavaPage) {
  Start();
  JavaReports("");
  form->next2.Click();
  form->setjavahome.Click();
  const std::wstring shown = form->currentjavaversion.Text();

  platform.message_box_answer = kIdNo;
  JavaReports(kJava6Report);  // the second detection differs, the box must not change
  platform.on_run = [](const std::wstring&) { return 0; };
  form->next3.Click();
  EXPECT_EQ(Seen(), L"panel3");
  EXPECT_EQ(form->currentjavaversion.Text(), shown);
  EXPECT_FALSE(kit.Has("tools/config.txt"));
  EXPECT_EQ(platform.CallsStartingWith(L"box ").back(),
            L"box Warning 52 | Java runtime environment was not found. Are you sure that Java "
            L"(JRE) 1.6.0 or above is successfully installed?");

  platform.message_box_answer = 0;  // a failed box counts as Yes
  form->next3.Click();
  EXPECT_EQ(Seen(), L"panel4");
  EXPECT_EQ(kit.Read("tools/config.txt"), "WORKSTATION\r\n\r\n");
  EXPECT_TRUE(platform.CallsStartingWith(L"open ").empty());  // ticked, but no home to register
}

// Closed while the question is up, the window's box ends without an answer (which would count as
// Yes): the wizard is not finished, and the next start shows it again.
TEST_F(FormHandlers, AWindowClosedDuringTheNoJavaQuestionFinishesNothing) {
  Start();
  JavaReports("");
  form->next2.Click();
  platform.message_box_answer = 0;
  platform.on_box = [&] { form->FormClose(); };
  form->next3.Click();
  EXPECT_FALSE(kit.Has("tools/config.txt"));
}

TEST_F(FormHandlers, SetJavaHomeRegistersAndSavesWhatTheBoxHolds) {
  kit.Write("tools/config.txt", "WORKSTATION\r\nold\r\n");
  Start();
  form->e1.TextTyped(L"");
  form->savejavahome.Click();
  EXPECT_EQ(platform.calls,
            (Calls{L"open " + app_dir +
                   L"tools\\RegisterEnvironmentVariable\\RegisterEnvironmentVariable.exe | "
                   L"JAVA_HOME \"\" |  | SW_SHOW"}));
  EXPECT_EQ(kit.Read("tools/config.txt"), "WORKSTATION\r\n\r\n");

  form->e1.TextTyped(L"D:\\jdk\\");
  form->savejavahome.Click();
  EXPECT_EQ(kit.Read("tools/config.txt"), "WORKSTATION\r\nD:\\jdk\\\r\n");
  EXPECT_NE(platform.calls.back().find(L"JAVA_HOME \"D:\\jdk\\\""), std::wstring::npos);
}

class ServerStack : public FormHandlers {
 protected:
  std::wstring Java(const std::wstring& action) {
    return L"open java |  -Xmx768M -Dcom.sun.management.jmxremote=true -Dcom.wowza.wms.AppHome=\"" +
           app_dir +
           L"servers\\wowza\" -Dcom.wowza.wms.ConfigURL=\"\" -Dcom.wowza.wms.ConfigHome=\"" +
           app_dir + L"servers\\wowza\" -cp \"" + app_dir +
           L"servers\\wowza\\bin\\wms-bootstrap.jar\" com.wowza.wms.bootstrap.Bootstrap " + action +
           L" |  | SW_MINIMIZE";
  }
  std::wstring WebServer() {
    return L"open keeping " + app_dir + L"servers\\apache\\bin\\httpd.exe | " + app_dir +
           L"servers\\apache\\bin\\ | SW_MINIMIZE";
  }
  const std::wstring kTaskkill = L"open taskkill | /F /IM httpd.exe |  | SW_MINIMIZE";
};

TEST_F(ServerStack, StartAndStopWithoutWaitingForTheMainPage) {
  Start();
  form->autoopenmainpage.Click();
  form->startservers.Click();
  EXPECT_EQ(platform.calls,
            (Calls{L"window SW_HIDE", Java(L"start"), WebServer(), L"window SW_SHOW"}));
  EXPECT_EQ(form->startservers.Text(), L"Stop Tolvane Chat Server");

  platform.calls.clear();
  form->startservers.Click();
  const auto pause =
      std::remove_if(platform.calls.begin(), platform.calls.end(),
                     [](const std::wstring& call) { return call.rfind(L"pause ", 0) == 0; });
  platform.calls.erase(pause, platform.calls.end());
  EXPECT_EQ(platform.calls, (Calls{L"window SW_HIDE", L"window SW_HIDE", Java(L"stop"), L"end 42",
                                   kTaskkill, L"window SW_SHOW"}));
  EXPECT_EQ(form->startservers.Text(), L"Start Tolvane Chat Server");

  // The web server's handle was closed by the stop: closing the window must not touch it.
  platform.calls.clear();
  form->FormClose();
  EXPECT_EQ(platform.calls, (Calls{Java(L"stop"), kTaskkill}));
}

// Closing while running ends the kept web server; a web server that failed to start is never
// ended.
TEST_F(ServerStack, ClosingEndsOnlyAWebServerThatStarted) {
  Start();
  form->autoopenmainpage.Click();
  form->startservers.Click();
  platform.calls.clear();
  form->FormClose();
  EXPECT_EQ(platform.calls, (Calls{Java(L"stop"), L"end 42", kTaskkill}));

  Start();
  form->autoopenmainpage.Click();
  platform.next_process = 0;
  form->startservers.Click();
  form->startservers.Click();
  form->FormClose();
  EXPECT_TRUE(platform.CallsStartingWith(L"end").empty());
}

TEST_F(ServerStack, TheMainPageOpensAfterSixteenAttemptsWhenTheServerNeverAnswers) {
  Start();
  form->startservers.Click();
  Calls expected = {L"window SW_HIDE", Java(L"start"), WebServer()};
  for (int i = 0; i < 16; ++i) expected.push_back(L"pause 500");
  expected.push_back(L"window SW_SHOW");
  expected.push_back(L"open http://127.0.0.1:85/index.php |  |  | SW_SHOWMAXIMIZED");
  EXPECT_EQ(platform.calls, expected);
}

TEST_F(ServerStack, TheMainPageOpensAsSoonAsTheChatAnswers) {
  server.response = "HTTP/1.1 200 OK\r\nContent-Length: 28\r\n\r\n<h1>Tolvane Flash Chat</h1>\n";
  Start();
  form->startservers.Click();
  EXPECT_EQ(platform.CallsStartingWith(L"pause").size(), 1u);
  EXPECT_EQ(platform.calls.back(), L"open http://127.0.0.1:85/index.php |  |  | SW_SHOWMAXIMIZED");
}

TEST_F(FormHandlers, LaunchersOpenTheirFilesWithTheirShowModes) {
  Start();
  const std::wstring d = app_dir;
  struct Case {
    TControl& control;
    Calls calls;
  };
  const std::vector<Case> cases = {
      {form->Button2, {L"open " + d + L"tools\\jre.exe |  |  | SW_SHOW"}},
      {form->back3, {L"open " + d + L"tools\\jre.exe |  |  | SW_SHOW"}},
      {form->Label15,
       {L"open notepad | " + d + L"servers\\apache\\conf\\httpd.conf |  | SW_SHOWMAXIMIZED"}},
      {form->Label16, {L"open notepad | " + d + L"servers\\php\\php.ini |  | SW_SHOWMAXIMIZED"}},
      {form->startdevelopment,
       {L"window SW_MINIMIZE",
        L"open " + d +
            L"tools\\netbeans\\bin\\netbeans.exe | --userdir "
            L".\\tools\\Project\\nbproject\\settings\\ "
            L".\\tools\\Project\\ .\\www\\config.xml .\\www\\service\\service.php | " +
            d + L" | SW_SHOWMAXIMIZED"}},
      {form->viewlog, {L"open http://127.0.0.1:85/service/logs/ |  |  | SW_SHOW"}},
      {form->documentationbutton, {L"open " + d + L"TolvaneChat.pdf |  |  | SW_SHOWMAXIMIZED"}},
  };
  for (const Case& c : cases) {
    platform.calls.clear();
    c.control.Click();
    EXPECT_EQ(platform.calls, c.calls) << c.control.name();
  }
}

TEST_F(FormHandlers, CSharpShowsItsNoticeAndReturnsToPhp) {
  Start();
  for (int i = 0; i < 2; ++i) {
    platform.calls.clear();
    form->csharpcb.Click();
    EXPECT_EQ(platform.calls,
              (Calls{L"box Information 64 | If you want to use csharp as the Tolvane Chat "
                     L"scripting language then you have to use some other web server (probably "
                     L"IIS).Please take a look on our web pages or send us an email - we will "
                     L"send you back instruction how to port Tolvane Chat framework to IIS and "
                     L"ASP.NET."}));
    EXPECT_TRUE(form->phpcb.Checked());
    EXPECT_FALSE(form->csharpcb.Checked());
  }
}

}  // namespace
}  // namespace tolvane
