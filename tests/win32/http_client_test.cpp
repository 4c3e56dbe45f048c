// The HTTP component over Winsock for real: the peers' scripted server in this program, on a
// loopback port, sees the exact request bytes and which connection carried them.
#include <winsock2.h>
// gtest after winsock2.h: windows.h must not pull in the old winsock.h first.
#include <gtest/gtest.h>

#include <thread>

#include "http_client.h"
#include "probe.h"
#include "scripted_server.h"

namespace tolvane::peers {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

bool Found(const FetchResult& result) { return result.fetched && result.marker_found; }

TEST(WinsockHttp, ExactRequestsAndCookieOverOneConnection) {
  ScriptedServer server([](Peer& peer) {
    if (!peer.ReadRequest()) return;
    peer.Send(
        "HTTP/1.1 200 OK\r\nSet-Cookie: PHPSESSID=w1n3; path=/\r\nContent-Length: 7\r\n\r\n"
        "Tolvane");
    ServePages(peer);
  });
  HttpClient http;
  const FetchResult first = http.Get(server.Url(), kMainPageMarker);
  EXPECT_TRUE(first.fetched);
  EXPECT_FALSE(first.marker_found);
  EXPECT_TRUE(Found(http.Get(server.Url(), kMainPageMarker)));
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].head, ExpectedRequest(server.port()));
  EXPECT_EQ(requests[1].head, ExpectedRequest(server.port(), "/index.php", "PHPSESSID=w1n3"));
  EXPECT_EQ(requests[1].connection, 1);
}

TEST(WinsockHttp, ConnectionCloseOrAClosedConnectionMeansANewOne) {
  ScriptedServer server([](Peer& peer) {
    if (!peer.ReadRequest()) return;
    if (peer.index() == 1) {
      peer.Send(
          "HTTP/1.1 200 OK\r\nConnection: Close\r\nContent-Length: 33\r\n\r\n"
          "<title>Tolvane Flash Chat</title>");
      peer.WaitForClose();
    } else if (peer.index() == 2) {
      peer.Send(kMarkerPage);
      peer.Close();
    } else {
      peer.Send(kMarkerPage);
      ServePages(peer);
    }
  });
  HttpClient http;
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(Found(http.Get(server.Url(), kMainPageMarker))) << i;
    std::this_thread::sleep_for(milliseconds(100));
  }
  EXPECT_EQ(server.connections(), 3);
}

TEST(WinsockHttp, SilentServerTimesOutAndResetFailsAtOnce) {
  ScriptedServer server([](Peer& peer) {
    if (!peer.ReadRequest()) return;
    if (peer.index() == 1) return peer.WaitForClose();
    peer.Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nTolvane Flash Chat");
    std::this_thread::sleep_for(milliseconds(50));
    peer.Reset();
  });
  HttpTimeouts timeouts;
  timeouts.read = milliseconds(700);
  HttpClient http(SystemConnector(), SystemUnixTime, timeouts);
  auto start = SteadyClock::now();
  EXPECT_FALSE(http.Get(server.Url(), kMainPageMarker).fetched);
  EXPECT_GE(Elapsed(start), milliseconds(650));
  EXPECT_LT(Elapsed(start), milliseconds(2000));
  start = SteadyClock::now();
  EXPECT_FALSE(http.Get(server.Url(), kMainPageMarker).fetched);
  EXPECT_LT(Elapsed(start), milliseconds(650));
}

TEST(WinsockHttp, NoServerFails) {
  std::uint16_t port;
  {
    ScriptedServer gone([](Peer&) {});
    port = gone.port();
  }
  HttpClient http;
  EXPECT_FALSE(http.Get(L"http://127.0.0.1:" + std::to_wstring(port) + L"/", L"x").fetched);
}

}  // namespace
}  // namespace tolvane::peers
