// A server program started by a test, ended when the test ends, passed or failed.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tolvane::peers {

class ServerProcess {
 public:
  // Starts `argv` (argv[0] an absolute path) in a process group of its own, with its output in
  // `output_file`. The server also dies if the thread that starts it ends (so that it dies when
  // the test program is killed): start servers on the test's main thread.
  ServerProcess(const std::vector<std::string>& argv, const std::string& output_file);
  // SIGTERM, then SIGKILL to its whole group (the server and its workers) if it has not ended
  // within a few seconds.
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  bool Running() const;

  // Waits until something accepts connections on 127.0.0.1:`port`; false if the server ended or
  // the time ran out first.
  bool WaitUntilListening(std::uint16_t port, std::chrono::milliseconds limit) const;

 private:
  pid_t pid_;
};

// A TCP port on 127.0.0.1 that nothing uses right now, outside the range of outgoing ports.
std::uint16_t FreeLoopbackPort();

// A free port inside that range, even (parity 0) or odd (1).
std::uint16_t FreeOutgoingPort(int parity);

// True when a TCP connection to 127.0.0.1:`port` is accepted.
bool Listening(std::uint16_t port);

}  // namespace tolvane::peers
