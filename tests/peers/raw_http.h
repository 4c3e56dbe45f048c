// Looking at the wire beside the HTTP component: a connector that counts the connections the
// component opens, and a plain request whose whole answer the test can read.
#pragma once

#include <cstdint>
#include <string>

#include "socket.h"

namespace tolvane::peers {

class CountingConnector : public Connector {
 public:
  std::unique_ptr<Connection> Connect(const std::string& host, std::uint16_t port,
                                      std::chrono::milliseconds timeout) override {
    ++connects;
    return SystemConnector().Connect(host, port, timeout);
  }

  int connects = 0;
};

// GETs `path` from 127.0.0.1:`port` with "Connection: close" and returns the answer as sent,
// head and body, up to the server's close.
std::string RawAnswer(std::uint16_t port, const std::string& path);

}  // namespace tolvane::peers
