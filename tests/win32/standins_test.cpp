// The stand-ins that play the kit's web server, media server and tools in end-to-end tests.
#include <winsock2.h>
#include <ws2tcpip.h>
// These need the types winsock2.h brings in with windows.h.
#include <gtest/gtest.h>
#include <shellapi.h>

#include "http_response.h"
#include "kit_fixtures.h"
#include "socket.h"

namespace tolvane::test {
namespace {

constexpr char kMainPage[] = "<html><body><h1>Tolvane Flash Chat</h1></body></html>\n";
constexpr char kLogViewer[] = "<html><body>Log files</body></html>\n";

// A loopback port nobody listens on right now.
u_short FreePort() {
  WSADATA data{};
  WSAStartup(MAKEWORD(2, 2), &data);
  const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int size = sizeof address;
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
  closesocket(probe);
  WSACleanup();
  return ntohs(address.sin_port);
}

struct Answer {
  int status = 0;  // 0 unless the whole answer came
  ResponseHead head;
  std::string body;
  bool StartsSession() const {
    return !head.set_cookies.empty() && head.set_cookies[0].rfind("PHPSESSID=", 0) == 0;
  }
};

// One HTTP/1.1 connection to the stand-in web server, through the launcher's own sockets and
// answer parser.
class Client {
 public:
  // Opens a new connection, closing the one held before.
  bool Open(u_short port) {
    connection_ = SystemConnector().Connect("127.0.0.1", port, kWait);
    return connection_ != nullptr;
  }

  Answer Get(const std::string& path) {
    Answer answer;
    ResponseParser parser;
    if (!connection_->SendAll("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", kWait)) {
      return answer;
    }
    char chunk[4096];
    while (parser.state() == ResponseParser::State::kHead ||
           parser.state() == ResponseParser::State::kBody) {
      const Received received = connection_->Receive(chunk, sizeof chunk, kWait);
      if (received.status != SocketStatus::kOk) break;
      std::string_view data(chunk, received.size);
      while (!data.empty() && parser.state() != ResponseParser::State::kComplete &&
             parser.state() != ResponseParser::State::kBroken) {
        const ResponseParser::Step step = parser.Feed(data);
        answer.body.append(step.body);
        data.remove_prefix(step.consumed);
      }
    }
    answer.head = parser.head();
    if (parser.state() == ResponseParser::State::kComplete) answer.status = answer.head.status;
    return answer;
  }

  // True when the server has closed its side.
  bool ClosedByServer() {
    char byte;
    return connection_->Receive(&byte, 1, kWait).status == SocketStatus::kClosed;
  }

 private:
  static constexpr std::chrono::milliseconds kWait{5000};
  std::unique_ptr<Connection> connection_;
};

// ShellExecuteExW as the launcher opens programs, keeping the process handle.
UniqueHandle ShellOpen(const std::wstring& file, const std::wstring& parameters,
                       const std::wstring& directory) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.empty() ? nullptr : parameters.c_str();
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = SW_MINIMIZE;
  if (!ShellExecuteExW(&info)) return UniqueHandle(nullptr);
  return UniqueHandle(info.hProcess);
}

// As the launcher's stop does; taskkill's report on each process it ends goes nowhere.
void EndAllWebServers() {
  RunProgram(L"taskkill /F /IM httpd.exe", L"", 10000, OutputFile().get());
}

class StandIns : public ::testing::Test {
 protected:
  std::vector<std::string> Records() const { return Lines(ReadBytes(log_path_)); }

  ScratchFolder kit_;
  std::wstring log_path_ = kit_.path() + L"standins.log";
  EnvironmentOverride log_{L"TOLVANE_STANDIN_LOG", log_path_.c_str()};
};

// A kit tree with the web server stand-in and the web application's two pages.
class WebServerStandIn : public StandIns {
 protected:
  WebServerStandIn() {
    std::filesystem::create_directories(bin_);
    std::filesystem::create_directories(kit_.path() + L"www\\service\\logs");
    CopyFileW(KitBinary(L"standins\\httpd.exe").c_str(), httpd_.c_str(), FALSE);
    std::ofstream(std::filesystem::path(kit_.path() + L"www\\index.php"), std::ios::binary)
        << kMainPage;
    std::ofstream(std::filesystem::path(kit_.path() + L"www\\service\\logs\\index.html"),
                  std::ios::binary)
        << kLogViewer;
  }
  ~WebServerStandIn() override { EndAllWebServers(); }

  // Starts the server as the launcher does and waits until it accepts connections.
  UniqueHandle Start() {
    UniqueHandle server = ShellOpen(httpd_, L"", bin_);
    EXPECT_TRUE(server);
    EXPECT_TRUE(WaitUntil([this] { return Client().Open(port_); }));
    return server;
  }

  std::wstring bin_ = kit_.path() + L"servers\\apache\\bin\\";
  std::wstring httpd_ = bin_ + L"httpd.exe";
  u_short port_ = FreePort();
  EnvironmentOverride port_override_{L"TOLVANE_WEB_PORT", std::to_wstring(port_).c_str()};
  EnvironmentOverride warmup_{L"TOLVANE_WARMUP_MS", L"1500"};
  KitServersLock lock_;
};

TEST_F(WebServerStandIn, AnswersUnavailableUntilWarmThenServesTheKitsPages) {
  const UniqueHandle server = Start();

  Client early;
  ASSERT_TRUE(early.Open(port_));
  const Answer starting = early.Get("/index.php");
  EXPECT_EQ(starting.status, 503);
  EXPECT_EQ(starting.body.find("Tolvane Flash Chat"), std::string::npos);
  EXPECT_TRUE(starting.StartsSession());
  EXPECT_TRUE(starting.head.connection_close);
  EXPECT_TRUE(early.ClosedByServer());

  Client connection;
  Answer main_page;
  ASSERT_TRUE(WaitUntil([&] {
    main_page = connection.Open(port_) ? connection.Get("/index.php") : Answer();
    return main_page.status == 200;
  }));
  EXPECT_EQ(main_page.body, kMainPage);
  EXPECT_EQ(main_page.head.content_type.rfind("text/html", 0), 0u);
  EXPECT_TRUE(main_page.StartsSession());

  // The same connection stays open for further requests; the session cookie came only once.
  const Answer log_viewer = connection.Get("/service/logs/");
  EXPECT_EQ(log_viewer.status, 200);
  EXPECT_EQ(log_viewer.body, kLogViewer);
  EXPECT_TRUE(log_viewer.head.set_cookies.empty());
  EXPECT_EQ(connection.Get("/service/logs").status, 404);
  EXPECT_EQ(connection.Get("/").status, 404);
}

// As with the real server, ending the started process alone leaves the worker serving, which
// is why the launcher ends every httpd.exe afterwards.
TEST_F(WebServerStandIn, WorkerOutlivesTheEndedMainProcess) {
  const UniqueHandle server = Start();
  TerminateProcess(server.get(), 0);
  ASSERT_EQ(WaitForSingleObject(server.get(), 5000), WAIT_OBJECT_0);

  EXPECT_EQ(CountProcesses(httpd_), 1);
  EXPECT_TRUE(Client().Open(port_));
  EndAllWebServers();
  EXPECT_TRUE(WaitUntil([this] { return CountProcesses(httpd_) == 0; }));
}

TEST_F(StandIns, MediaServerRunsFromStartUntilStop) {
  const KitServersLock lock;
  const std::wstring java = KitBinary(L"standins\\java\\java.exe");
  const std::wstring options = L" -Xmx768M -cp \"" + kit_.path() +
                               L"servers\\wowza\\bin\\wms-bootstrap.jar\" "
                               L"com.wowza.wms.bootstrap.Bootstrap ";
  const UniqueHandle media_server = ShellOpen(java, options + L"start", L"");
  ASSERT_TRUE(media_server);
  EXPECT_EQ(WaitForSingleObject(media_server.get(), 1000), static_cast<DWORD>(WAIT_TIMEOUT));

  const auto stop = [&] {
    return ExitCodeWithin(ShellOpen(java, options + L"stop", L"").get(), 5000);
  };
  EXPECT_EQ(stop(), 0u);
  ASSERT_EQ(WaitForSingleObject(media_server.get(), 5000), WAIT_OBJECT_0);
  // A stop with no media server running fails, as the real one does.
  EXPECT_EQ(stop(), 1u);

  const std::vector<std::string> records = Records();
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].rfind("java|", 0), 0u);
  EXPECT_EQ(records[0].substr(records[0].size() - 6), " start");
  EXPECT_EQ(records[1].substr(records[1].size() - 5), " stop");
}

TEST_F(StandIns, RecordsBesideTheProgramWithoutALogFileNamed) {
  EnvironmentOverride no_log(L"TOLVANE_STANDIN_LOG", nullptr);
  const std::wstring program = kit_.path() + L"jre.exe";
  CopyFileW(KitBinary(L"standins\\recorder.exe").c_str(), program.c_str(), FALSE);
  EXPECT_EQ(RunProgram(L"\"" + program + L"\"", kit_.path(), 10000).exit_code, 0u);
  EXPECT_EQ(Lines(ReadBytes(kit_.path() + L"standins.log")).size(), 1u);
}

}  // namespace
}  // namespace tolvane::test
