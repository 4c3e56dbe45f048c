// The HTTP component and the readiness probe against a private Apache httpd 2.4 with PHP, set up
// like the kit's web server: the chat's index.php starts a PHP session and shows the chat's
// title once the application is ready (here: once a flag file exists).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "http_client.h"
#include "probe.h"
#include "raw_http.h"
#include "server_process.h"
#include "test_folder.h"

namespace tolvane::peers {
namespace {

using std::chrono::milliseconds;

constexpr char kModules[] = "/usr/lib/apache2/modules/";

constexpr char kIndexPhp[] = R"(<?php
session_start();
$ready = file_exists(__DIR__ . '/../ready.flag');
?><!DOCTYPE html>
<html><head><title><?php echo $ready ? 'Tolvane Flash Chat' : 'Please wait'; ?></title></head>
<body></body></html>
)";

constexpr char kVisitsPhp[] = R"(<?php
session_start();
$_SESSION['visits'] = ($_SESSION['visits'] ?? 0) + 1;
echo 'visit ' . $_SESSION['visits'] . ' of session ' . session_id();
)";

// flush() without output buffering makes Apache send the body in chunks as it comes.
constexpr char kFlushedPhp[] = R"(<?php
echo str_repeat('<!-- padding -->', 1000);
echo 'Tolvane Fl';
flush();
usleep(100000);
echo 'ash Chat';
)";

constexpr char kErrorPhp[] = "<?php http_response_code(500); echo 'Tolvane Flash Chat';";
constexpr char kRedirectPhp[] = "<?php header('Location: /index.php'); echo 'Tolvane Flash Chat';";

std::string PhpModule() {
  for (const auto& entry : std::filesystem::directory_iterator(kModules)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("libphp", 0) == 0 && entry.path().extension() == ".so") return name;
  }
  return "";
}

// One private Apache instance: its configuration, documents, sessions and logs in a folder of
// its own, listening on 127.0.0.1 only. Ended (with its workers) when the object goes.
class ApachePhp {
 public:
  explicit ApachePhp(std::uint16_t port) : port_(port) {
    const std::string php_module = PhpModule();
    folder_.MakeFolder("htdocs");
    folder_.MakeFolder("logs");
    folder_.MakeFolder("run");
    folder_.MakeFolder("sessions", 0777);
    folder_.Write("htdocs/index.php", kIndexPhp);
    folder_.Write("htdocs/visits.php", kVisitsPhp);
    folder_.Write("htdocs/flushed.php", kFlushedPhp);
    folder_.Write("htdocs/error.php", kErrorPhp);
    folder_.Write("htdocs/redirect.php", kRedirectPhp);
    // Relative paths are the ServerRoot's, the test folder.
    const std::string conf =
        "ServerRoot \"" + folder_.path() + "\"\nListen 127.0.0.1:" + std::to_string(port) +
        "\nLoadModule " + (php_module.rfind("libphp7", 0) == 0 ? "php7" : "php") + "_module " +
        kModules + php_module + "\n" + (geteuid() == 0 ? "User www-data\nGroup www-data\n" : "") +
        "<Directory \"" + folder_ / "htdocs" + "\">\n  Require all granted\n</Directory>\n" +
        "php_admin_value session.save_path \"" + folder_ / "sessions" + "\"\n" +
        R"(ServerName 127.0.0.1
PidFile run/httpd.pid
DefaultRuntimeDir run
LoadModule mpm_prefork_module /usr/lib/apache2/modules/mod_mpm_prefork.so
LoadModule authz_core_module /usr/lib/apache2/modules/mod_authz_core.so
LoadModule dir_module /usr/lib/apache2/modules/mod_dir.so
LoadModule mime_module /usr/lib/apache2/modules/mod_mime.so
StartServers 2
MinSpareServers 1
MaxSpareServers 4
KeepAlive On
KeepAliveTimeout 15
ErrorLog logs/error.log
LogFormat "%{remote}p\t%r\t%>s\t%{Cookie}i" peers
CustomLog logs/access.log peers
TypesConfig /etc/mime.types
DocumentRoot htdocs
DirectoryIndex index.php
<FilesMatch "\.php$">
  SetHandler application/x-httpd-php
</FilesMatch>
php_admin_flag output_buffering off
)";
    const std::string conf_file = folder_.Write("httpd.conf", conf);
    process_.emplace(std::vector<std::string>{"/usr/sbin/apache2", "-f", conf_file, "-DFOREGROUND"},
                     folder_ / "logs/console.log");
  }

  std::uint16_t port() const { return port_; }
  bool WaitUntilListening() const {
    return process_->WaitUntilListening(port_, milliseconds(15000));
  }
  std::string Log(const std::string& name) const { return ReadFile(folder_ / ("logs/" + name)); }
  void MarkChatReady() const { folder_.Write("ready.flag", ""); }
  std::wstring Url(const std::wstring& path) const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + path;
  }

  // The access log as records: client port, request line, status, Cookie header. A worker logs
  // a request after its answer has gone out, so this waits a little for `count` records.
  std::vector<std::vector<std::string>> AccessLog(std::size_t count) const {
    for (int wait = 0; wait < 100 && Records(Log("access.log")).size() < count; ++wait) {
      std::this_thread::sleep_for(milliseconds(20));
    }
    return Records(Log("access.log"));
  }

 private:
  static std::vector<std::vector<std::string>> Records(const std::string& log) {
    std::vector<std::vector<std::string>> records;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
      std::vector<std::string> fields;
      std::istringstream tabbed(line);
      for (std::string field; std::getline(tabbed, field, '\t');) fields.push_back(field);
      records.push_back(fields);
    }
    return records;
  }

  std::uint16_t port_;
  TestFolder folder_;
  std::optional<ServerProcess> process_;  // declared last: ended before the folder goes
};

class ApachePhpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(PhpModule().empty()) << "Apache's PHP module is not installed";
    ASSERT_TRUE(apache_.WaitUntilListening())
        << apache_.Log("console.log") << apache_.Log("error.log");
  }

  ApachePhp apache_{FreeLoopbackPort()};
  CountingConnector connector_;
  HttpClient http_{connector_, SystemUnixTime};
};

TEST_F(ApachePhpTest, MarkerOnlyOnceTheChatIsReadyOverOneConnection) {
  const FetchResult waiting = http_.Get(apache_.Url(L"/index.php"), kMainPageMarker);
  EXPECT_TRUE(waiting.fetched);
  EXPECT_FALSE(waiting.marker_found);
  apache_.MarkChatReady();
  const FetchResult ready = http_.Get(apache_.Url(L"/index.php"), kMainPageMarker);
  EXPECT_TRUE(ready.fetched);
  EXPECT_TRUE(ready.marker_found);
  EXPECT_FALSE(http_.Get(apache_.Url(L"/index.php"), L"tolvane flash chat").marker_found);

  EXPECT_EQ(connector_.connects, 1);
  const auto log = apache_.AccessLog(3);
  ASSERT_EQ(log.size(), 3u);
  for (const auto& record : log) {
    EXPECT_EQ(record[0], log[0][0]) << "a request came from another client port";
    EXPECT_EQ(record[1], "GET /index.php HTTP/1.1");
    EXPECT_EQ(record[2], "200");
  }
}

TEST_F(ApachePhpTest, SessionCookieIsHeldAndSentBack) {
  EXPECT_TRUE(http_.Get(apache_.Url(L"/visits.php"), L"visit 1 of session").marker_found);
  EXPECT_TRUE(http_.Get(apache_.Url(L"/visits.php"), L"visit 2 of session").marker_found);
  EXPECT_TRUE(http_.Get(apache_.Url(L"/index.php"), L"Please wait").marker_found);
  const auto log = apache_.AccessLog(3);
  ASSERT_EQ(log.size(), 3u);
  EXPECT_EQ(log[0][3], "-");
  EXPECT_EQ(log[1][3].rfind("PHPSESSID=", 0), 0u) << log[1][3];
  EXPECT_EQ(log[2][3], log[1][3]);
  EXPECT_EQ(log[1][3].find(';'), std::string::npos);
  EXPECT_EQ(connector_.connects, 1);
}

TEST_F(ApachePhpTest, FlushedOutputArrivesChunkedAndIsSearchedWhole) {
  const std::string raw = RawAnswer(apache_.port(), "/flushed.php");
  EXPECT_NE(raw.find("Transfer-Encoding: chunked\r\n"), std::string::npos) << raw.substr(0, 300);
  EXPECT_EQ(raw.find("Tolvane Flash Chat"), std::string::npos);  // split by the chunk framing
  EXPECT_TRUE(http_.Get(apache_.Url(L"/flushed.php"), kMainPageMarker).marker_found);
  EXPECT_TRUE(http_.Get(apache_.Url(L"/flushed.php"), kMainPageMarker).marker_found);
  EXPECT_EQ(connector_.connects, 1);
}

TEST_F(ApachePhpTest, ErrorsRedirectsAndMissingPagesFail) {
  for (const wchar_t* path : {L"/error.php", L"/redirect.php", L"/missing.php"}) {
    EXPECT_FALSE(http_.Get(apache_.Url(path), kMainPageMarker).fetched) << path;
  }
  apache_.MarkChatReady();
  EXPECT_TRUE(http_.Get(apache_.Url(L"/index.php"), kMainPageMarker).marker_found);
  // Apache closes the connection after a 500; the redirect's and the missing page's bodies are
  // passed over and their connection carries the next requests.
  EXPECT_EQ(connector_.connects, 2);
  const auto log = apache_.AccessLog(4);
  ASSERT_EQ(log.size(), 4u);
  std::multiset<std::string> statuses;
  for (const auto& record : log) statuses.insert(record[2]);
  EXPECT_EQ(statuses, (std::multiset<std::string>{"200", "302", "404", "500"}));
  std::multiset<std::string> client_ports;
  for (const auto& record : log) client_ports.insert(record[0]);
  for (const auto& record : log) {
    EXPECT_EQ(client_ports.count(record[0]), record[2] == "500" ? 1u : 3u) << record[2];
  }
}

// The launcher's real situation: the probe starts while the web server is still coming up.
TEST(ApachePhpProbe, WaitsForAServerThatStartsLate) {
  ASSERT_FALSE(PhpModule().empty()) << "Apache's PHP module is not installed";
  const std::uint16_t port = FreeLoopbackPort();
  const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(port) + L"/index.php";
  unsigned attempts = 0;
  bool found = false;
  std::thread probe([&] {
    HttpClient http;
    found = WaitForMainPage(
        std::chrono::steady_clock::now() + kMainPageWaitLimit,
        [&](ProbeTime deadline) {
          ++attempts;
          return http.Get(url, kMainPageMarker, deadline).marker_found;
        },
        [](unsigned ms) { std::this_thread::sleep_for(milliseconds(ms)); });
  });
  std::this_thread::sleep_for(milliseconds(1200));
  const ApachePhp apache(port);
  apache.MarkChatReady();
  probe.join();
  EXPECT_TRUE(found) << apache.Log("console.log") << apache.Log("error.log");
  EXPECT_GE(attempts, 3u);
  EXPECT_LT(attempts, kMainPageAttempts);
}

}  // namespace
}  // namespace tolvane::peers
