#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "socket.h"

namespace tolvane {
namespace {

using Clock = std::chrono::steady_clock;

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  Descriptor& operator=(Descriptor&&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<decltype(left)>(left, 0, INT_MAX));
}

// Waits until the socket is ready for `events` (or has an error or hang-up to report, which the
// next call then returns).
SocketStatus WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = poll(&entry, 1, MillisecondsLeft(deadline));
    if (ready > 0) return SocketStatus::kOk;
    if (ready == 0) return SocketStatus::kTimedOut;
    if (errno != EINTR) return SocketStatus::kFailed;
  }
}

bool WouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }

class PosixConnection : public Connection {
 public:
  explicit PosixConnection(Descriptor socket) : socket_(std::move(socket)) {}

  bool SendAll(std::string_view bytes, std::chrono::milliseconds timeout) override {
    const auto deadline = Clock::now() + timeout;
    while (!bytes.empty()) {
      // MSG_NOSIGNAL: a peer that has gone away must give an error here, not SIGPIPE.
      const ssize_t sent = send(socket_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(sent));
      } else if (!WouldBlock() || WaitFor(socket_.get(), POLLOUT, deadline) != SocketStatus::kOk) {
        return false;
      }
    }
    return true;
  }

  Received Receive(char* buffer, std::size_t capacity, std::chrono::milliseconds timeout) override {
    const auto deadline = Clock::now() + timeout;
    for (;;) {
      const SocketStatus ready = WaitFor(socket_.get(), POLLIN, deadline);
      if (ready != SocketStatus::kOk) return {ready, 0};
      const ssize_t got = recv(socket_.get(), buffer, capacity, 0);
      if (got > 0) return {SocketStatus::kOk, static_cast<std::size_t>(got)};
      if (got == 0) return {SocketStatus::kClosed, 0};
      if (!WouldBlock()) return {SocketStatus::kFailed, 0};
    }
  }

  bool PeerClosed() override {
    pollfd entry{socket_.get(), POLLIN, 0};
    if (poll(&entry, 1, 0) == 0) return false;
    char byte;
    const ssize_t got = recv(socket_.get(), &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return !(got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
  }

 private:
  Descriptor socket_;
};

// Linux may give a connection to a free port of its own outgoing range, on its own host, that
// very port as the local end: the socket is then connected to itself (a simultaneous open). That
// is no server, and while it lasts it keeps the port from the server that is about to start.
bool ConnectedToItself(int fd) {
  sockaddr_storage local{};
  sockaddr_storage peer{};
  socklen_t local_size = sizeof local;
  socklen_t peer_size = sizeof peer;
  return getsockname(fd, reinterpret_cast<sockaddr*>(&local), &local_size) == 0 &&
         getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peer_size) == 0 &&
         local_size == peer_size && std::memcmp(&local, &peer, local_size) == 0;
}

std::unique_ptr<Connection> ConnectTo(const addrinfo& address, Clock::time_point deadline) {
  Descriptor socket(::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                             address.ai_protocol));
  if (socket.get() < 0) return nullptr;
  if (connect(socket.get(), address.ai_addr, address.ai_addrlen) != 0) {
    if (errno != EINPROGRESS && errno != EINTR) return nullptr;
    if (WaitFor(socket.get(), POLLOUT, deadline) != SocketStatus::kOk) return nullptr;
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
      return nullptr;
    }
  }
  if (ConnectedToItself(socket.get())) return nullptr;
  return std::make_unique<PosixConnection>(std::move(socket));
}

class PosixConnector : public Connector {
 public:
  std::unique_ptr<Connection> Connect(const std::string& host, std::uint16_t port,
                                      std::chrono::milliseconds timeout) override {
    const auto deadline = Clock::now() + timeout;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
      return nullptr;
    }
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
    for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
      if (auto connection = ConnectTo(*address, deadline)) return connection;
    }
    return nullptr;
  }
};

}  // namespace

Connector& SystemConnector() {
  static PosixConnector connector;
  return connector;
}

}  // namespace tolvane
