// A TCP server in the test program that plays a web server's part from a script: each accepted
// connection runs the script on a thread of its own. It records every request head it reads, so
// tests can check the exact bytes and which connection carried them. Built for POSIX and Winsock.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tolvane::peers {

class ScriptedServer;

// The server's end of one connection.
class Peer {
 public:
  Peer(ScriptedServer& server, std::intptr_t socket, int index);
  ~Peer();
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  // Reads one request head, up to and including its empty line; nothing once the client has
  // closed the connection or the server is stopping.
  std::optional<std::string> ReadRequest();
  // False once the client is gone.
  bool Send(std::string_view bytes);
  // Closes in order (FIN).
  void Close();
  // Aborts the connection (RST).
  void Reset();
  // Waits, saying nothing, until the client closes the connection or the server stops.
  void WaitForClose();

  int index() const { return index_; }  // 1 for the server's first connection
  bool stopping() const;

 private:
  bool WaitReadable();

  ScriptedServer& server_;
  std::intptr_t socket_;  // a POSIX descriptor or a Winsock SOCKET; -1 once closed
  int index_;
  std::string unread_;
};

class ScriptedServer {
 public:
  using Script = std::function<void(Peer&)>;

  // Listens on a free port of 127.0.0.1 and runs `script` for each connection.
  explicit ScriptedServer(Script script);
  // Stops accepting, wakes every script and waits for them.
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  std::uint16_t port() const { return port_; }
  std::wstring Url(const std::wstring& path = L"/index.php") const;
  int connections() const { return connections_; }

  struct Request {
    int connection;  // 1 for the first connection accepted
    std::string head;
  };
  std::vector<Request> requests() const;

 private:
  friend class Peer;
  void AcceptLoop();
  void Record(int connection, const std::string& head);

  Script script_;
  std::intptr_t listener_;
  std::uint16_t port_;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::vector<Request> requests_;
  std::vector<std::thread> peers_;
  std::thread acceptor_;
};

// Checks `done` every few milliseconds until it holds; false when `limit` passes first.
bool Eventually(const std::function<bool()>& done,
                std::chrono::milliseconds limit = std::chrono::seconds(5));

// The test client's request for `path` on `port`, as the launcher's component sends it.
std::string ExpectedRequest(std::uint16_t port, const std::string& path = "/index.php",
                            const std::string& cookies = "");

// A whole answer holding the main page's marker, and a script that gives it for every request.
inline const std::string kMarkerPage =
    "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 33\r\n\r\n"
    "<title>Tolvane Flash Chat</title>";
inline void ServePages(Peer& peer) {
  while (peer.ReadRequest()) peer.Send(kMarkerPage);
}

inline std::chrono::milliseconds Elapsed(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start);
}

}  // namespace tolvane::peers
