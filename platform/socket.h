// TCP connections for the launcher's HTTP client. Every wait has a time-out, so a peer that
// accepts and then says nothing can not hold the caller; failures come back as values.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tolvane {

enum class SocketStatus {
  kOk,        // bytes were received
  kClosed,    // the peer closed its side in order: no more bytes will come
  kTimedOut,  // nothing arrived in time
  kFailed,    // the connection broke (reset, network error)
};

struct Received {
  SocketStatus status;
  std::size_t size;  // bytes placed in the buffer; 0 unless status is kOk
};

class Connection {
 public:
  virtual ~Connection() = default;

  // Sends every byte, waiting at most `timeout` in all; false when the connection broke or the
  // peer stopped taking bytes.
  virtual bool SendAll(std::string_view bytes, std::chrono::milliseconds timeout) = 0;

  // Receives what has arrived, up to `capacity` bytes, waiting at most `timeout` for the first.
  virtual Received Receive(char* buffer, std::size_t capacity,
                           std::chrono::milliseconds timeout) = 0;

  // Looks without waiting whether the connection is still fit for a new request: true when the
  // peer has closed or reset it, or has sent bytes nobody asked for (a peer out of step with us is
  // as good as gone).
  virtual bool PeerClosed() = 0;
};

class Connector {
 public:
  virtual ~Connector() = default;

  // Opens a TCP connection to `host` (a name or a numeric address) and `port`, waiting at most
  // `timeout` in all; nullptr when no connection could be made.
  virtual std::unique_ptr<Connection> Connect(const std::string& host, std::uint16_t port,
                                              std::chrono::milliseconds timeout) = 0;
};

// The operating system's TCP sockets.
Connector& SystemConnector();

}  // namespace tolvane
