#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>

#include "socket.h"
#include "wait_win32.h"

namespace tolvane {
namespace {

using Clock = std::chrono::steady_clock;

// Winsock is started once, on the first connection, and cleaned up when the program ends.
class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (started_) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  bool started() const { return started_; }

 private:
  bool started_;
};

bool WinsockStarted() {
  static WinsockSession session;
  return session.started();
}

class SocketOwner {
 public:
  explicit SocketOwner(SOCKET socket) : socket_(socket) {}
  ~SocketOwner() {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
  }
  SocketOwner(SocketOwner&& other) noexcept : socket_(other.socket_) {
    other.socket_ = INVALID_SOCKET;
  }
  SocketOwner(const SocketOwner&) = delete;
  SocketOwner& operator=(const SocketOwner&) = delete;
  SocketOwner& operator=(SocketOwner&&) = delete;
  SOCKET get() const { return socket_; }

 private:
  SOCKET socket_;
};

DWORD MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<DWORD>(std::clamp<decltype(left)>(left, 0, INFINITE - 1));
}

// Waits until the socket is readable (or closed) or writable (or its connect has ended), the way
// every wait of the launcher's thread waits: the probe runs on the window's thread, and screen
// readers are answered meanwhile. The next call on the socket then reports what happened. The
// socket tells of a condition that already holds as soon as it is asked to signal it.
SocketStatus WaitFor(SOCKET socket, bool for_writing, Clock::time_point deadline) {
  WSAEVENT event = WSACreateEvent();
  if (event == WSA_INVALID_EVENT) return SocketStatus::kFailed;
  SocketStatus status = SocketStatus::kFailed;
  if (WSAEventSelect(socket, event, for_writing ? FD_WRITE | FD_CONNECT : FD_READ | FD_CLOSE) ==
      0) {
    status = WaitAnsweringReaders(event, MillisecondsLeft(deadline)) == WAIT_OBJECT_0
                 ? SocketStatus::kOk
                 : SocketStatus::kTimedOut;
    WSAEventSelect(socket, nullptr, 0);
  }
  WSACloseEvent(event);
  return status;
}

int ChunkSize(std::size_t size) { return static_cast<int>(std::min<std::size_t>(size, INT_MAX)); }

class WinsockConnection : public Connection {
 public:
  explicit WinsockConnection(SocketOwner socket) : socket_(std::move(socket)) {}

  bool SendAll(std::string_view bytes, std::chrono::milliseconds timeout) override {
    const auto deadline = Clock::now() + timeout;
    while (!bytes.empty()) {
      const int sent = send(socket_.get(), bytes.data(), ChunkSize(bytes.size()), 0);
      if (sent > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(sent));
      } else if (WSAGetLastError() != WSAEWOULDBLOCK ||
                 WaitFor(socket_.get(), true, deadline) != SocketStatus::kOk) {
        return false;
      }
    }
    return true;
  }

  Received Receive(char* buffer, std::size_t capacity, std::chrono::milliseconds timeout) override {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
      const SocketStatus ready = WaitFor(socket_.get(), false, deadline);
      if (ready != SocketStatus::kOk) return {ready, 0};
      const int got = recv(socket_.get(), buffer, ChunkSize(capacity), 0);
      if (got > 0) return {SocketStatus::kOk, static_cast<std::size_t>(got)};
      if (got == 0) return {SocketStatus::kClosed, 0};
      if (WSAGetLastError() != WSAEWOULDBLOCK) return {SocketStatus::kFailed, 0};
    }
  }

  bool PeerClosed() override {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_.get(), &readable);
    timeval now{0, 0};
    if (select(0, &readable, nullptr, nullptr, &now) == 0) return false;
    char byte;
    const int got = recv(socket_.get(), &byte, 1, MSG_PEEK);
    return !(got == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK);
  }

 private:
  SocketOwner socket_;
};

std::unique_ptr<Connection> ConnectTo(const ADDRINFOW& address, Clock::time_point deadline) {
  SocketOwner socket(::socket(address.ai_family, address.ai_socktype, address.ai_protocol));
  if (socket.get() == INVALID_SOCKET) return nullptr;
  u_long non_blocking = 1;
  if (ioctlsocket(socket.get(), FIONBIO, &non_blocking) != 0) return nullptr;
  if (connect(socket.get(), address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0) {
    if (WSAGetLastError() != WSAEWOULDBLOCK) return nullptr;
    if (WaitFor(socket.get(), true, deadline) != SocketStatus::kOk) return nullptr;
    int error = 0;
    int size = sizeof error;
    if (getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) !=
            0 ||
        error != 0) {
      return nullptr;
    }
  }
  return std::make_unique<WinsockConnection>(std::move(socket));
}

class WinsockConnector : public Connector {
 public:
  std::unique_ptr<Connection> Connect(const std::string& host, std::uint16_t port,
                                      std::chrono::milliseconds timeout) override {
    if (!WinsockStarted()) return nullptr;
    const auto deadline = Clock::now() + timeout;
    ADDRINFOW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV;
    // Host names in URLs are ASCII; each byte widens to the character of the same code.
    const std::wstring wide_host(host.begin(), host.end());
    ADDRINFOW* found = nullptr;
    if (GetAddrInfoW(wide_host.c_str(), std::to_wstring(port).c_str(), &hints, &found) != 0) {
      return nullptr;
    }
    const std::unique_ptr<ADDRINFOW, decltype(&FreeAddrInfoW)> addresses(found, FreeAddrInfoW);
    for (const ADDRINFOW* address = found; address != nullptr; address = address->ai_next) {
      if (auto connection = ConnectTo(*address, deadline)) return connection;
    }
    return nullptr;
  }
};

}  // namespace

Connector& SystemConnector() {
  static WinsockConnector connector;
  return connector;
}

}  // namespace tolvane
