// The socket layer on real loopback connections: time-outs, a peer's close and reset, and a peer
// that has gone away.
#include "socket.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "scripted_server.h"
#include "server_process.h"

namespace tolvane::peers {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

std::unique_ptr<Connection> ConnectTo(const ScriptedServer& server) {
  return SystemConnector().Connect("127.0.0.1", server.port(), milliseconds(2000));
}

// Reads what the peer sends until it closes, resets or goes quiet.
Received Drain(Connection& connection, std::string& bytes) {
  char buffer[256];
  for (;;) {
    const Received received = connection.Receive(buffer, sizeof buffer, milliseconds(1000));
    if (received.status != SocketStatus::kOk) return received;
    bytes.append(buffer, received.size);
  }
}

TEST(Socket, ConnectsByNameOrAddressAndIsRefusedOnAFreePort) {
  ScriptedServer server([](Peer& peer) { peer.WaitForClose(); });
  EXPECT_NE(SystemConnector().Connect("localhost", server.port(), milliseconds(2000)), nullptr);
  EXPECT_NE(ConnectTo(server), nullptr);
  const auto start = SteadyClock::now();
  EXPECT_EQ(SystemConnector().Connect("127.0.0.1", FreeLoopbackPort(), milliseconds(2000)),
            nullptr);
  EXPECT_LT(Elapsed(start), milliseconds(2000));
}

// Linux hands out outgoing ports one after another, every second one, so connecting again and
// again to a free port of that range soon gets that very port as the local end (for one parity).
TEST(Socket, NeverConnectsToItself) {
  for (int parity : {0, 1}) {
    const std::uint16_t port = FreeOutgoingPort(parity);
    for (int attempt = 0; attempt < 60000; ++attempt) {
      if (SystemConnector().Connect("127.0.0.1", port, milliseconds(100)) != nullptr) {
        FAIL() << "connected to free port " << port << " after " << attempt << " attempts";
      }
    }
  }
}

TEST(Socket, ReceiveWaitsNoLongerThanItsTimeOut) {
  ScriptedServer server([](Peer& peer) { peer.WaitForClose(); });
  const auto connection = ConnectTo(server);
  ASSERT_NE(connection, nullptr);
  char byte;
  const auto start = SteadyClock::now();
  const Received received = connection->Receive(&byte, 1, milliseconds(300));
  EXPECT_EQ(received.status, SocketStatus::kTimedOut);
  EXPECT_EQ(received.size, 0u);
  EXPECT_GE(Elapsed(start), milliseconds(290));
  EXPECT_LT(Elapsed(start), milliseconds(800));
}

TEST(Socket, TellsAnOrderlyCloseFromAReset) {
  ScriptedServer server([](Peer& peer) {
    peer.Send("bye");
    if (peer.index() == 1) {
      peer.Close();
    } else {
      std::this_thread::sleep_for(milliseconds(50));
      peer.Reset();
    }
  });
  std::string bytes;
  const auto closing = ConnectTo(server);
  ASSERT_NE(closing, nullptr);
  EXPECT_EQ(Drain(*closing, bytes).status, SocketStatus::kClosed);
  EXPECT_EQ(bytes, "bye");
  EXPECT_EQ(Drain(*closing, bytes).status, SocketStatus::kClosed);  // and stays closed

  bytes.clear();
  const auto resetting = ConnectTo(server);
  ASSERT_NE(resetting, nullptr);
  EXPECT_EQ(Drain(*resetting, bytes).status, SocketStatus::kFailed);
}

TEST(Socket, PeerClosedLooksWithoutWaiting) {
  std::atomic<bool> connected{false};
  ScriptedServer server([&connected](Peer& peer) {
    if (peer.index() == 1) return peer.WaitForClose();  // stays idle
    if (peer.index() == 2) return peer.Close();
    if (peer.index() == 3) {
      Eventually([&] { return connected || peer.stopping(); });
      return peer.Reset();
    }
    peer.Send("unasked");
    peer.WaitForClose();
  });
  const auto idle = ConnectTo(server);
  const auto closed = ConnectTo(server);
  const auto reset = ConnectTo(server);
  connected = true;
  const auto chatty = ConnectTo(server);
  ASSERT_TRUE(idle && closed && reset && chatty);
  for (const auto* gone : {&closed, &reset, &chatty}) {
    EXPECT_TRUE(Eventually([gone] { return (*gone)->PeerClosed(); }));
  }
  // The idle peer is still there, and asking does not wait.
  const auto start = SteadyClock::now();
  EXPECT_FALSE(idle->PeerClosed());
  EXPECT_LT(Elapsed(start), milliseconds(50));
}

TEST(Socket, SendingToAPeerThatIsGoneFailsWithoutKillingTheProgram) {
  // Reset once connected: a reset that comes first fails the connection itself.
  std::atomic<bool> connected{false};
  ScriptedServer server([&connected](Peer& peer) {
    Eventually([&] { return connected || peer.stopping(); });
    peer.Reset();
  });
  const auto connection = ConnectTo(server);
  connected = true;
  ASSERT_NE(connection, nullptr);
  ASSERT_TRUE(Eventually([&] { return connection->PeerClosed(); }));
  const std::string data(64 * 1024, 'x');
  bool sent = true;
  for (int i = 0; i < 10 && sent; ++i) sent = connection->SendAll(data, milliseconds(1000));
  EXPECT_FALSE(sent);
}

TEST(Socket, SendingToAPeerThatDoesNotReadTimesOut) {
  ScriptedServer server([](Peer& peer) {
    while (!peer.stopping()) std::this_thread::sleep_for(milliseconds(20));
  });
  const auto connection = ConnectTo(server);
  ASSERT_NE(connection, nullptr);
  const std::string data(16 * 1024 * 1024, 'x');  // more than the socket buffers hold
  const auto start = SteadyClock::now();
  EXPECT_FALSE(connection->SendAll(data, milliseconds(300)));
  EXPECT_LT(Elapsed(start), milliseconds(1000));
}

}  // namespace
}  // namespace tolvane::peers
