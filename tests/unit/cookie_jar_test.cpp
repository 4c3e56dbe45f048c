#include "cookie_jar.h"

#include <gtest/gtest.h>

#include "cookie_date.h"

namespace tolvane {
namespace {

constexpr std::int64_t kNow = 1'700'000'000;  // 2023-11-14 22:13:20 UTC
constexpr char kHost[] = "127.0.0.1";

std::string Header(const CookieJar& jar, const std::string& path = "/index.php",
                   const std::string& host = kHost) {
  return jar.CookieHeader(host, path, false);
}

TEST(CookieDate, ReadsTheThreeFormsServersSend) {
  constexpr std::int64_t k1994 = 784111777;  // 1994-11-06 08:49:37 UTC
  EXPECT_EQ(ParseCookieDate("Sun, 06 Nov 1994 08:49:37 GMT"), k1994);
  EXPECT_EQ(ParseCookieDate("Sunday, 06-Nov-94 08:49:37 GMT"), k1994);
  EXPECT_EQ(ParseCookieDate("Sun Nov  6 08:49:37 1994"), k1994);
  EXPECT_EQ(ParseCookieDate("Thu, 01 Jan 1970 00:00:00 GMT"), 0);
  EXPECT_EQ(ParseCookieDate("Tue, 29-Feb-2028 23:59:59 GMT"), 1835481599);
  EXPECT_EQ(ParseCookieDate("Wed, 01-Jan-2048 00:00:00 GMT"), 2461449600);
  EXPECT_EQ(ParseCookieDate("Fri, 01-Jan-38 00:00:00 GMT"), 2145916800);  // two digits: 20xx
}

TEST(CookieDate, RefusesIncompleteOrImpossibleDates) {
  for (const char* bad : {"", "tomorrow", "Sun, 06 Nov 1994", "Sun, 06 Nov 08:49:37 GMT",
                          "Sun, 31 Feb 2030 08:49:37 GMT", "Sun, 06 Nov 1994 24:00:00 GMT",
                          "Sun, 06 Nov 1600 08:49:37 GMT", "Sun, 00 Nov 1994 08:49:37 GMT",
                          "Sun, 06 Foo 1994 08:49:37 GMT"}) {
    EXPECT_FALSE(ParseCookieDate(bad).has_value()) << bad;
  }
}

TEST(CookieJar, SendsNameAndValueOfTheFirstItem) {
  CookieJar jar;
  jar.Store("PHPSESSID=k3v1rq; path=/; HttpOnly", kHost, kNow);
  jar.Store(" lang = en ; Version=1, other=2", kHost, kNow);
  EXPECT_EQ(Header(jar), "PHPSESSID=k3v1rq; lang=en");
}

TEST(CookieJar, IgnoresCookiesWithoutNameOrWithControlCharacters) {
  CookieJar jar;
  jar.Store("novalue", kHost, kNow);
  jar.Store("=value", kHost, kNow);
  jar.Store("a=b\rX-Injected: 1", kHost, kNow);
  jar.Store("a\x01=b", kHost, kNow);
  EXPECT_EQ(Header(jar), "");
}

TEST(CookieJar, ReplacesACookieOfTheSameNameDomainAndPath) {
  CookieJar jar;
  jar.Store("id=1", kHost, kNow);
  jar.Store("other=x", kHost, kNow);
  jar.Store("id=2; Path=/", kHost, kNow);
  EXPECT_EQ(Header(jar), "id=2; other=x");
  jar.Store("id=3; Path=/chat", kHost, kNow);
  EXPECT_EQ(Header(jar, "/chat/room.php"), "id=3; id=2; other=x");
}

TEST(CookieJar, PathMatching) {
  CookieJar jar;
  jar.Store("root=1", kHost, kNow);
  jar.Store("chat=1; Path=/chat", kHost, kNow);
  jar.Store("dir=1; Path=/service/", kHost, kNow);
  jar.Store("relative=1; Path=index", kHost, kNow);  // not a path: the default "/" applies
  EXPECT_EQ(Header(jar, "/index.php"), "root=1; relative=1");
  EXPECT_EQ(Header(jar, "/chat"), "chat=1; root=1; relative=1");
  EXPECT_EQ(Header(jar, "/chat/x?y=1"), "chat=1; root=1; relative=1");
  EXPECT_EQ(Header(jar, "/chatroom"), "root=1; relative=1");
  EXPECT_EQ(Header(jar, "/service/logs/"), "dir=1; root=1; relative=1");
  EXPECT_EQ(Header(jar, "/service"), "root=1; relative=1");
}

TEST(CookieJar, DomainDefaultsToTheRequestHost) {
  CookieJar jar;
  jar.Store("only=1", "chat.example.org", kNow);
  jar.Store("wide=1; Domain=.Example.ORG", "chat.example.org", kNow);
  EXPECT_EQ(Header(jar, "/", "chat.example.org"), "only=1; wide=1");
  EXPECT_EQ(Header(jar, "/", "www.example.org"), "wide=1");
  EXPECT_EQ(Header(jar, "/", "example.org"), "wide=1");
  EXPECT_EQ(Header(jar, "/", "badexample.org"), "");
  EXPECT_EQ(Header(jar, "/", "127.0.0.1"), "");
}

TEST(CookieJar, RefusesADomainTheHostIsNotIn) {
  CookieJar jar;
  jar.Store("a=1; Domain=other.org", "chat.example.org", kNow);
  jar.Store("b=1; Domain=0.0.1", kHost, kNow);
  jar.Store("c=1; Domain=127.0.0.1", kHost, kNow);
  EXPECT_EQ(Header(jar, "/", "other.org"), "");
  EXPECT_EQ(Header(jar), "c=1");
}

TEST(CookieJar, SecureCookiesOnlyOverSecureConnections) {
  CookieJar jar;
  jar.Store("plain=1", kHost, kNow);
  jar.Store("safe=1; Secure", kHost, kNow);
  EXPECT_EQ(jar.CookieHeader(kHost, "/", false), "plain=1");
  EXPECT_EQ(jar.CookieHeader(kHost, "/", true), "plain=1; safe=1");
}

TEST(CookieJar, ExpiresInEachFormAndDropsExpiredCookies) {
  CookieJar jar;
  jar.Store("rfc1123=1; Expires=Tue, 14 Nov 2023 22:13:30 GMT", kHost, kNow);
  jar.Store("rfc850=1; expires=Tuesday, 14-Nov-23 22:13:40 GMT", kHost, kNow);
  jar.Store("asctime=1; EXPIRES=\"Tue Nov 14 22:13:50 2023\"", kHost, kNow);
  jar.Store("session=1; Expires=not a date", kHost, kNow);
  EXPECT_EQ(Header(jar), "rfc1123=1; rfc850=1; asctime=1; session=1");
  jar.DropExpired(kNow + 10);
  EXPECT_EQ(Header(jar), "rfc850=1; asctime=1; session=1");
  jar.DropExpired(kNow + 29);
  EXPECT_EQ(Header(jar), "asctime=1; session=1");
  jar.DropExpired(kNow + 30);
  EXPECT_EQ(Header(jar), "session=1");
}

TEST(CookieJar, AnExpiredCookieDeletesTheOneHeld) {
  CookieJar jar;
  jar.Store("PHPSESSID=abc", kHost, kNow);
  jar.Store("other=1; Expires=Thu, 01 Jan 1970 00:00:01 GMT", kHost, kNow);
  EXPECT_EQ(Header(jar), "PHPSESSID=abc");
  jar.Store("PHPSESSID=deleted; expires=Thu, 01-Jan-1970 00:00:01 GMT; path=/", kHost, kNow);
  EXPECT_EQ(Header(jar), "");
}

TEST(CookieJar, HoldsABoundedNumberOfCookies) {
  CookieJar jar;
  for (std::size_t i = 0; i <= CookieJar::kMaxCookies; ++i) {
    jar.Store("c" + std::to_string(i) + "=1", kHost, kNow);
  }
  const std::string header = Header(jar);
  EXPECT_EQ(header.find("c0=1;"), std::string::npos);
  EXPECT_EQ(header.rfind("c1=1;", 0), 0u);
  EXPECT_NE(header.find("; c50=1"), std::string::npos);
}

}  // namespace
}  // namespace tolvane
