#include "http_request.h"

#include <gtest/gtest.h>

#include "http_url.h"

namespace tolvane {
namespace {

HttpUrl Url(const wchar_t* text) {
  const auto url = ParseHttpUrl(text);
  EXPECT_TRUE(url.has_value()) << "not parsed";
  return url.value_or(HttpUrl());
}

TEST(HttpUrl, SplitsHostPortAndPath) {
  const HttpUrl url = Url(L"http://127.0.0.1:85/index.php");
  EXPECT_EQ(url.host, "127.0.0.1");
  EXPECT_EQ(url.port, 85);
  EXPECT_EQ(url.path, "/index.php");
}

TEST(HttpUrl, DefaultsAndNormalisation) {
  EXPECT_EQ(Url(L"HTTP://LocalHost").host, "localhost");
  EXPECT_EQ(Url(L"http://localhost").port, 80);
  EXPECT_EQ(Url(L"http://localhost").path, "/");
  EXPECT_EQ(Url(L"http://localhost?a=1").path, "/?a=1");
  EXPECT_EQ(Url(L"http://localhost:8080/a/b.php?x=1#top").path, "/a/b.php?x=1");
}

TEST(HttpUrl, RefusesWhatWouldBreakTheRequest) {
  for (const wchar_t* bad : {L"https://127.0.0.1/", L"ftp://host/", L"127.0.0.1:85/index.php",
                             L"http://", L"http://:85/", L"http://host:0/", L"http://host:65536/",
                             L"http://host:8a/", L"http://user@host/", L"http://[::1]:85/",
                             L"http://host/a b", L"http://host/a\r\nX: y", L"http://host/\u00e9"}) {
    EXPECT_FALSE(ParseHttpUrl(bad).has_value()) << "accepted";
  }
}

TEST(HttpRequest, IsByteExactWithoutCookies) {
  EXPECT_EQ(BuildGetRequest(Url(L"http://127.0.0.1:85/index.php"), ""),
            "GET /index.php HTTP/1.1\r\n"
            "Host: 127.0.0.1:85\r\n"
            "Accept: text/html, */*\r\n"
            "Accept-Encoding: identity\r\n"
            "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
            "\r\n");
}

TEST(HttpRequest, SendsCookiesLast) {
  EXPECT_EQ(BuildGetRequest(Url(L"http://127.0.0.1:85/index.php"), "PHPSESSID=abc; lang=en"),
            "GET /index.php HTTP/1.1\r\n"
            "Host: 127.0.0.1:85\r\n"
            "Accept: text/html, */*\r\n"
            "Accept-Encoding: identity\r\n"
            "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
            "Cookie: PHPSESSID=abc; lang=en\r\n"
            "\r\n");
}

TEST(HttpRequest, HostLeavesOutOnlyPort80) {
  EXPECT_EQ(HostHeader(Url(L"http://127.0.0.1:80/index.php")), "127.0.0.1");
  EXPECT_EQ(HostHeader(Url(L"http://127.0.0.1/index.php")), "127.0.0.1");
  EXPECT_EQ(HostHeader(Url(L"http://127.0.0.1:8080/")), "127.0.0.1:8080");
  EXPECT_EQ(HostHeader(Url(L"http://127.0.0.1:8/")), "127.0.0.1:8");
  EXPECT_EQ(BuildGetRequest(Url(L"http://127.0.0.1/"), "").substr(0, 36),
            "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nAcc");
}

}  // namespace
}  // namespace tolvane
