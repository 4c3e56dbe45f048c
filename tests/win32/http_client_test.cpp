// The HTTP component over Winsock for real: a scripted server in this program, on a loopback port,
// sees the exact request bytes and which connection carried them.
#include <winsock2.h>
#include <ws2tcpip.h>
// gtest after winsock2.h: windows.h must not pull in the old winsock.h first.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "http_client.h"
#include "probe.h"

namespace tolvane {
namespace {

using std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

const std::string kPage =
    "HTTP/1.1 200 OK\r\nContent-Length: 33\r\n\r\n<title>Tolvane Flash Chat</title>";

class WinsockUser {
 public:
  WinsockUser() {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockUser() { WSACleanup(); }
  WinsockUser(const WinsockUser&) = delete;
  WinsockUser& operator=(const WinsockUser&) = delete;
};

// The server's end of one connection.
class Peer {
 public:
  Peer(SOCKET socket, int index, const std::atomic<bool>& stopping)
      : socket_(socket), index_(index), stopping_(stopping) {}
  ~Peer() { Close(); }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  int index() const { return index_; }

  std::optional<std::string> ReadRequest() {
    for (;;) {
      const std::size_t end = unread_.find("\r\n\r\n");
      if (end != std::string::npos) {
        std::string head = unread_.substr(0, end + 4);
        unread_.erase(0, end + 4);
        return head;
      }
      if (!WaitReadable()) return std::nullopt;
      char buffer[4096];
      const int got = recv(socket_, buffer, sizeof buffer, 0);
      if (got <= 0) return std::nullopt;
      unread_.append(buffer, static_cast<std::size_t>(got));
    }
  }

  void Send(const std::string& bytes) {
    if (socket_ != INVALID_SOCKET) send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0);
  }

  void Close() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

  void Reset() {
    const linger abort{1, 0};
    setsockopt(socket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
    Close();
  }

  void WaitForClose() {
    char buffer[256];
    while (WaitReadable() && recv(socket_, buffer, sizeof buffer, 0) > 0) {
    }
  }

 private:
  bool WaitReadable() {
    while (socket_ != INVALID_SOCKET && !stopping_) {
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(socket_, &readable);
      timeval tick{0, 20000};
      if (select(0, &readable, nullptr, nullptr, &tick) > 0) return true;
    }
    return false;
  }

  SOCKET socket_;
  int index_;
  const std::atomic<bool>& stopping_;
  std::string unread_;
};

struct Request {
  int connection;
  std::string head;
};

// Listens on a free loopback port; runs `script` on a thread of its own for each connection.
class ScriptedServer {
 public:
  explicit ScriptedServer(std::function<void(Peer&, ScriptedServer&)> script)
      : script_(std::move(script)) {
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
    listen(listener_, 8);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
  }

  ~ScriptedServer() {
    stopping_ = true;
    acceptor_.join();
    for (std::thread& peer : peers_) peer.join();
    closesocket(listener_);
  }

  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  std::uint16_t port() const { return port_; }
  std::wstring Url() const { return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/index.php"; }
  int connections() const { return connections_; }

  // Reads a request and records it; nothing once the client has closed.
  std::optional<std::string> Serve(Peer& peer) {
    auto head = peer.ReadRequest();
    if (head) {
      const std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back({peer.index(), *head});
    }
    return head;
  }

  std::vector<Request> requests() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  void AcceptLoop() {
    while (!stopping_) {
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(listener_, &readable);
      timeval tick{0, 20000};
      if (select(0, &readable, nullptr, nullptr, &tick) <= 0) continue;
      const SOCKET accepted = accept(listener_, nullptr, nullptr);
      if (accepted == INVALID_SOCKET) continue;
      const int index = ++connections_;
      peers_.emplace_back([this, accepted, index] {
        Peer peer(accepted, index, stopping_);
        script_(peer, *this);
      });
    }
  }

  WinsockUser winsock_;
  std::function<void(Peer&, ScriptedServer&)> script_;
  SOCKET listener_;
  std::uint16_t port_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  std::mutex mutex_;
  std::vector<Request> requests_;
  std::vector<std::thread> peers_;
  std::thread acceptor_;
};

void ServePages(Peer& peer, ScriptedServer& server) {
  while (server.Serve(peer)) peer.Send(kPage);
}

std::string ExpectedRequest(std::uint16_t port, const std::string& cookies = "") {
  std::string request = "GET /index.php HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                        "\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\n"
                        "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
  if (!cookies.empty()) request += "Cookie: " + cookies + "\r\n";
  return request + "\r\n";
}

bool Found(const FetchResult& result) { return result.fetched && result.marker_found; }

milliseconds Elapsed(SteadyClock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(SteadyClock::now() - start);
}

TEST(WinsockHttp, ExactRequestsAndCookieOverOneConnection) {
  ScriptedServer server([](Peer& peer, ScriptedServer& self) {
    if (!self.Serve(peer)) return;
    peer.Send(
        "HTTP/1.1 200 OK\r\nSet-Cookie: PHPSESSID=w1n3; path=/\r\nContent-Length: 7\r\n\r\n"
        "Tolvane");
    ServePages(peer, self);
  });
  HttpClient http;
  const FetchResult first = http.Get(server.Url(), kMainPageMarker);
  EXPECT_TRUE(first.fetched);
  EXPECT_FALSE(first.marker_found);
  EXPECT_TRUE(Found(http.Get(server.Url(), kMainPageMarker)));
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].head, ExpectedRequest(server.port()));
  EXPECT_EQ(requests[1].head, ExpectedRequest(server.port(), "PHPSESSID=w1n3"));
  EXPECT_EQ(requests[1].connection, 1);
}

TEST(WinsockHttp, ConnectionCloseOrAClosedConnectionMeansANewOne) {
  ScriptedServer server([](Peer& peer, ScriptedServer& self) {
    if (!self.Serve(peer)) return;
    if (peer.index() == 1) {
      peer.Send(
          "HTTP/1.1 200 OK\r\nConnection: Close\r\nContent-Length: 33\r\n\r\n"
          "<title>Tolvane Flash Chat</title>");
      peer.WaitForClose();
    } else if (peer.index() == 2) {
      peer.Send(kPage);
      peer.Close();
    } else {
      peer.Send(kPage);
      ServePages(peer, self);
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
  ScriptedServer server([](Peer& peer, ScriptedServer& self) {
    if (!self.Serve(peer)) return;
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
    ScriptedServer gone([](Peer&, ScriptedServer&) {});
    port = gone.port();
  }
  HttpClient http;
  EXPECT_FALSE(http.Get(L"http://127.0.0.1:" + std::to_wstring(port) + L"/", L"x").fetched);
}

}  // namespace
}  // namespace tolvane
