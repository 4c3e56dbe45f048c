// The HTTP component against a private nginx serving static pages: exact lengths, large files
// sent in many pieces, persistent connections, and nginx's own ways of closing and redirecting.
#include <gtest/gtest.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "http_client.h"
#include "probe.h"
#include "raw_http.h"
#include "server_process.h"
#include "test_folder.h"

namespace tolvane::peers {
namespace {

using std::chrono::milliseconds;

constexpr char kIndexHtml[] =
    "<!DOCTYPE html>\n<html><head><title>Tolvane Flash Chat</title></head><body></body></html>\n";

class NginxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.MakeFolder("html/chat");
    folder_.MakeFolder("logs");
    folder_.MakeFolder("temp");
    folder_.Write("html/index.html", kIndexHtml);
    folder_.Write("html/chat/index.html", kIndexHtml);
    // The marker far behind the first few reads of the client.
    folder_.Write("html/large.html", std::string(300000, ' ') + kIndexHtml);
    folder_.Write("html/other.html", "<title>Something else</title>\n");
    // Relative paths are the prefix's (-p), the test folder.
    const std::string conf = std::string("daemon off;\nworker_processes 1;\n") +
                             (geteuid() == 0 ? "user www-data;\n" : "") + R"(pid logs/nginx.pid;
error_log logs/error.log;
events { worker_connections 64; }
http {
  access_log logs/access.log;
  client_body_temp_path temp/body;
  proxy_temp_path temp/proxy;
  fastcgi_temp_path temp/fastcgi;
  uwsgi_temp_path temp/uwsgi;
  scgi_temp_path temp/scgi;
  types { text/html html; }
  charset utf-8;
  server {
    listen 127.0.0.1:)" + std::to_string(port_) +
                             R"(;
    root html;
    location = /closing.html { keepalive_timeout 0; alias html/index.html; }
    location = /moved.html { return 200 'Tolvane Flash Chat'; add_header Location /index.html; }
  }
}
)";
    const std::string conf_file = folder_.Write("nginx.conf", conf);
    nginx_.emplace(std::vector<std::string>{"/usr/sbin/nginx", "-c", conf_file, "-p",
                                            folder_.path() + "/", "-e", folder_ / "logs/error.log"},
                   folder_ / "logs/console.log");
    ASSERT_TRUE(nginx_->WaitUntilListening(port_, milliseconds(10000)))
        << ReadFile(folder_ / "logs/console.log") << ReadFile(folder_ / "logs/error.log");
  }

  std::wstring Url(const std::wstring& path) const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + path;
  }
  FetchResult Get(const std::wstring& path) { return http_.Get(Url(path), kMainPageMarker); }

  std::uint16_t port_ = FreeLoopbackPort();
  TestFolder folder_;
  std::optional<ServerProcess> nginx_;  // ended before the folder goes
  CountingConnector connector_;
  HttpClient http_{connector_, SystemUnixTime};
};

bool Found(const FetchResult& result) { return result.fetched && result.marker_found; }

TEST_F(NginxTest, StaticPagesOverOneConnection) {
  EXPECT_TRUE(Found(Get(L"/index.html")));
  EXPECT_TRUE(Found(Get(L"/")));
  EXPECT_TRUE(Found(Get(L"/large.html")));
  const FetchResult other = Get(L"/other.html");
  EXPECT_TRUE(other.fetched);
  EXPECT_FALSE(other.marker_found);
  EXPECT_TRUE(Found(Get(L"/index.html")));
  EXPECT_EQ(connector_.connects, 1);
  const std::string raw = RawAnswer(port_, "/index.html");
  EXPECT_NE(raw.find("Content-Type: text/html; charset=utf-8\r\n"), std::string::npos) << raw;
}

TEST_F(NginxTest, ConnectionCloseMeansANewConnection) {
  EXPECT_NE(RawAnswer(port_, "/closing.html").find("Connection: close\r\n"), std::string::npos);
  EXPECT_TRUE(Found(Get(L"/closing.html")));
  EXPECT_TRUE(Found(Get(L"/closing.html")));
  EXPECT_TRUE(Found(Get(L"/index.html")));
  EXPECT_TRUE(Found(Get(L"/index.html")));
  EXPECT_EQ(connector_.connects, 3);
}

TEST_F(NginxTest, RedirectsMissingPagesAndLocationsFail) {
  EXPECT_FALSE(Get(L"/chat").fetched);  // 301 to /chat/
  EXPECT_FALSE(Get(L"/missing.html").fetched);
  const std::string moved = RawAnswer(port_, "/moved.html");
  EXPECT_EQ(moved.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << moved;
  EXPECT_NE(moved.find("\r\nLocation: "), std::string::npos) << moved;
  EXPECT_FALSE(Get(L"/moved.html").fetched);
  EXPECT_TRUE(Found(Get(L"/chat/")));
  EXPECT_EQ(connector_.connects, 1);  // the failed answers' bodies were passed over
}

}  // namespace
}  // namespace tolvane::peers
