// The HTTP component against scripted servers on real loopback sockets and the real clock: the
// exact bytes on the wire and servers that hold the client. What the client makes of each answer
// is tested on scripted connections (unit/http_client_test.cpp), the sockets in socket_test.cpp.
#include <gtest/gtest.h>

#include <thread>

#include "http_client.h"
#include "probe.h"
#include "scripted_server.h"

namespace tolvane::peers {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

constexpr wchar_t kMarker[] = L"Tolvane Flash Chat";
bool Found(const FetchResult& result) { return result.fetched && result.marker_found; }

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
