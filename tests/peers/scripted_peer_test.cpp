// The HTTP component against scripted servers on real loopback sockets: the exact bytes on the
// wire, connection reuse, and servers that misbehave.
#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <thread>

#include "http_client.h"
#include "probe.h"
#include "scripted_server.h"
#include "server_process.h"

namespace tolvane::peers {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

constexpr wchar_t kMarker[] = L"Tolvane Flash Chat";
const std::string kPage =
    "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 33\r\n\r\n"
    "<title>Tolvane Flash Chat</title>";

void ServePages(Peer& peer) {
  while (peer.ReadRequest()) peer.Send(kPage);
}

bool Found(const FetchResult& result) { return result.fetched && result.marker_found; }

milliseconds Elapsed(SteadyClock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(SteadyClock::now() - start);
}

// An expiry date in the form servers send.
std::string CookieDate(std::time_t when) {
  std::tm utc{};
  gmtime_r(&when, &utc);
  char text[64];
  std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
  return text;
}

TEST(ScriptedPeer, ExactRequestsOverOneConnection) {
  ScriptedServer server(ServePages);
  HttpClient http;
  EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
  EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  for (const auto& request : requests) {
    EXPECT_EQ(request.connection, 1);
    EXPECT_EQ(request.head, ExpectedRequest(server.port()));
  }
}

TEST(ScriptedPeer, ConnectionCloseAnswerMeansANewConnection) {
  // The server says it closes but keeps the connection open: the client must not use it again.
  ScriptedServer server([](Peer& peer) {
    if (!peer.ReadRequest()) return;
    peer.Send("HTTP/1.1 200 OK\r\nConnection:  cLOSE \r\nContent-Length: 18\r\n\r\n");
    peer.Send("Tolvane Flash Chat");
    peer.WaitForClose();
  });
  HttpClient http;
  EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
  EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].connection, 1);
  EXPECT_EQ(requests[1].connection, 2);
}

TEST(ScriptedPeer, AConnectionTheServerClosedIsReplaced) {
  std::atomic<bool> closed{false};
  ScriptedServer server([&closed](Peer& peer) {
    if (peer.ReadRequest()) peer.Send(kPage);
    peer.Close();
    closed = true;
  });
  HttpClient http;
  EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
  ASSERT_TRUE(Eventually([&] { return closed.load(); }));
  EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
  EXPECT_EQ(server.connections(), 2);
}

TEST(ScriptedPeer, AServerThatNeverAnswersFailsWithinTheReadTimeOut) {
  ScriptedServer server([](Peer& peer) {
    peer.ReadRequest();
    peer.WaitForClose();
  });
  HttpTimeouts timeouts;
  timeouts.read = milliseconds(700);
  HttpClient http(SystemConnector(), SystemUnixTime, timeouts);
  const auto start = SteadyClock::now();
  EXPECT_FALSE(http.Get(server.Url(), kMarker).fetched);
  EXPECT_GE(Elapsed(start), milliseconds(650));
  EXPECT_LT(Elapsed(start), milliseconds(1700));
}

TEST(ScriptedPeer, AnEndlessAnswerFailsWithinTheAnswerLimit) {
  ScriptedServer server([](Peer& peer) {
    if (!peer.ReadRequest()) return;
    peer.Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
    while (!peer.stopping() && peer.Send("1\r\nx\r\n")) {
      std::this_thread::sleep_for(milliseconds(50));
    }
  });
  HttpTimeouts timeouts;
  timeouts.read = milliseconds(500);
  timeouts.answer = milliseconds(1500);
  HttpClient http(SystemConnector(), SystemUnixTime, timeouts);
  const auto start = SteadyClock::now();
  EXPECT_FALSE(http.Get(server.Url(), kMarker).fetched);
  EXPECT_GE(Elapsed(start), milliseconds(1450));
  EXPECT_LT(Elapsed(start), milliseconds(2500));
}

TEST(ScriptedPeer, AResetMidBodyFailsAtOnceAndTheNextFetchReconnects) {
  ScriptedServer server([](Peer& peer) {
    if (peer.index() > 1) return ServePages(peer);
    if (!peer.ReadRequest()) return;
    peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nTolvane Flash Chat");
    std::this_thread::sleep_for(milliseconds(50));
    peer.Reset();
  });
  HttpClient http;
  const auto start = SteadyClock::now();
  EXPECT_FALSE(http.Get(server.Url(), kMarker).fetched);
  EXPECT_LT(Elapsed(start), milliseconds(1000));
  EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
  EXPECT_EQ(server.connections(), 2);
}

TEST(ScriptedPeer, AnswersThatAreNoPageFail) {
  const struct {
    std::string answer;
    int connections;  // 1: the failed answer's connection carries the next request
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n12x\r\nTolvane Flash Chat\r\n"
       "0\r\n\r\n",
       2},
      {"HTTP/1.1 200 OK\r\nLocation: http://127.0.0.1/\r\nContent-Length: 18\r\n\r\n"
       "Tolvane Flash Chat",
       1},
      {"HTTP/1.1 304 Not Modified\r\n\r\n", 1},
      {"HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"chat\"\r\n"
       "Content-Length: 18\r\n\r\nTolvane Flash Chat",
       1},
      {"HTTP/1.1 407 Proxy Authentication Required\r\nTransfer-Encoding: chunked\r\n\r\n"
       "12\r\nTolvane Flash Chat\r\n0\r\n\r\n",
       1},
      {"HTTP/1.1 503 Service Unavailable\r\nConnection: close\r\nContent-Length: 18\r\n\r\n"
       "Tolvane Flash Chat",
       2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer.substr(0, 40));
    ScriptedServer server([&c](Peer& peer) {
      if (peer.index() > 1) return ServePages(peer);
      if (peer.ReadRequest()) peer.Send(c.answer);
      ServePages(peer);
    });
    HttpClient http;
    EXPECT_FALSE(http.Get(server.Url(), kMarker).fetched);
    EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
    EXPECT_EQ(server.connections(), c.connections);
  }
}

TEST(ScriptedPeer, ExpiredCookiesAreNotSentBack) {
  std::time_t now = std::time(nullptr);
  const std::string answer =
      "HTTP/1.1 200 OK\r\nSet-Cookie: live=1; Path=/\r\n"
      "Set-Cookie: old=1; Expires=Thu, 01 Jan 1970 00:00:00 GMT\r\n"
      "Set-Cookie: soon=1; Expires=" +
      CookieDate(now + 2) + "\r\nContent-Length: 18\r\n\r\nTolvane Flash Chat";
  ScriptedServer server([&answer](Peer& peer) {
    if (peer.ReadRequest()) peer.Send(answer);
    ServePages(peer);
  });
  HttpClient http(SystemConnector(), [&now] { return static_cast<std::int64_t>(now); });
  EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
  EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
  now += 3;
  EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].head, ExpectedRequest(server.port()));
  EXPECT_EQ(requests[1].head, ExpectedRequest(server.port(), "/index.php", "live=1; soon=1"));
  EXPECT_EQ(requests[2].head, ExpectedRequest(server.port(), "/index.php", "live=1"));
}

TEST(ScriptedPeer, MarkerSplitAcrossSegmentsAndChunks) {
  ScriptedServer server([](Peer& peer) {
    if (!peer.ReadRequest()) return;
    peer.SendSlowly(
        {"HTTP/1.1 200 OK\r\nContent-Length: 18\r\n", "\r\nTolv", "ane Fl", "ash Chat"});
    if (!peer.ReadRequest()) return;
    peer.SendSlowly({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;part=1\r\nTolva\r\n",
                     "6\r\nne Fla\r", "\n7\r\nsh Chat\r\n0\r\nX-Trailer: 1\r\n\r\n"});
    ServePages(peer);
  });
  HttpClient http;
  EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
  EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
  EXPECT_TRUE(Found(http.Get(server.Url(), kMarker)));
  EXPECT_EQ(server.connections(), 1);
}

TEST(ScriptedPeer, NoServerFailsAtOnce) {
  HttpClient http;
  const auto start = SteadyClock::now();
  const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(FreeLoopbackPort()) + L"/";
  EXPECT_FALSE(http.Get(url, kMarker).fetched);
  EXPECT_LT(Elapsed(start), milliseconds(500));
}

TEST(ScriptedPeer, ProbeStopsWhenThePageShowsTheChat) {
  ScriptedServer server([](Peer& peer) {
    for (int answered = 0; peer.ReadRequest(); ++answered) {
      peer.Send(answered == 0 ? "HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\nStarting"
                : answered == 1
                    ? "HTTP/1.1 302 Found\r\nLocation: /\r\nContent-Length: 5\r\n\r\nmoved"
                    : kPage);
    }
  });
  HttpClient http;
  unsigned pauses = 0;
  const bool found = WaitForMainPage(
      SteadyClock::now() + kMainPageWaitLimit,
      [&](ProbeTime deadline) {
        return http.Get(server.Url(), kMainPageMarker, deadline).marker_found;
      },
      [&](unsigned ms) {
        ++pauses;
        std::this_thread::sleep_for(milliseconds(ms));
      });
  EXPECT_TRUE(found);
  EXPECT_EQ(pauses, 3u);
  EXPECT_EQ(server.requests().size(), 3u);
  EXPECT_EQ(server.connections(), 1);
}

// Servers that hold each fetch for its full time-outs: one that accepts and never answers, and
// one that trickles interim answers a byte at a time without end. The probe's attempts end by its
// deadline all the same, on real sockets and the real clock.
TEST(ScriptedPeer, TheProbeEndsByItsDeadlineWhateverTheServerDoes) {
  for (const bool silent : {true, false}) {
    SCOPED_TRACE(silent ? "silent" : "trickling");
    ScriptedServer server([silent](Peer& peer) {
      if (!peer.ReadRequest() || silent) return peer.WaitForClose();
      const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
      for (std::size_t sent = 0;
           !peer.stopping() && peer.Send(interim.substr(sent % interim.size(), 1)); ++sent) {
        std::this_thread::sleep_for(milliseconds(5));
      }
    });
    HttpTimeouts timeouts;  // scaled down: a 1 s read time-out, a 2 s answer limit
    timeouts.read = milliseconds(1000);
    timeouts.answer = milliseconds(2000);
    HttpClient http(SystemConnector(), SystemUnixTime, timeouts);
    const auto start = SteadyClock::now();
    unsigned attempts = 0;
    EXPECT_FALSE(WaitForMainPage(
        start + milliseconds(4000),
        [&](ProbeTime deadline) {
          ++attempts;
          return http.Get(server.Url(), kMarker, deadline).marker_found;
        },
        [](unsigned ms) { std::this_thread::sleep_for(milliseconds(ms)); }));
    EXPECT_GE(attempts, 2u);
    EXPECT_LT(Elapsed(start), milliseconds(4500));
  }
}

}  // namespace
}  // namespace tolvane::peers
