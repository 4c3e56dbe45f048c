#include "server_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <stdexcept>
#include <thread>
#include <utility>

namespace tolvane::peers {
namespace {

sockaddr_in Loopback(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// True once the process has ended. The process is not reaped: as long as it stays a zombie its
// id, which is also its group's id, can not be given to another process.
bool Ended(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
         info.si_pid == pid;
}

}  // namespace

ServerProcess::ServerProcess(const std::vector<std::string>& argv, const std::string& output_file) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const int output = open(output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (output < 0) throw std::runtime_error("can not create " + output_file);
  const pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    // Only async-signal-safe calls between fork and exec.
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    dup2(output, STDOUT_FILENO);
    dup2(output, STDERR_FILENO);
    execv(args[0], args.data());
    _exit(127);
  }
  close(output);
  if (pid_ < 0) throw std::runtime_error("fork failed");
  setpgid(pid_, pid_);  // also from this side, so the group exists before the destructor runs
}

ServerProcess::~ServerProcess() {
  kill(pid_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!Ended(pid_) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(-pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
}

bool ServerProcess::Running() const { return !Ended(pid_); }

bool ServerProcess::WaitUntilListening(std::uint16_t port, std::chrono::milliseconds limit) const {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (!Running()) return false;
    if (Listening(port)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

std::pair<int, int> OutgoingPortRange() {
  std::ifstream file("/proc/sys/net/ipv4/ip_local_port_range");
  int low = 32768;
  int high = 60999;
  file >> low >> high;
  return {low, high};
}

bool PortFree(std::uint16_t port) {
  const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = Loopback(port);
  const bool free = bind(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(probe);
  return free;
}

std::uint16_t FreeLoopbackPort(int low, int high, int parity) {
  static std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> ports(low, high);
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const int port = ports(random);
    if ((parity < 0 || port % 2 == parity) && PortFree(static_cast<std::uint16_t>(port))) {
      return static_cast<std::uint16_t>(port);
    }
  }
  throw std::runtime_error("no free loopback port");
}

// A port below the range the system hands out for outgoing connections: a client that connects
// to a free port inside that range may be given that very port as its own end and so connect to
// itself, which would take the port away from the server a test starts there.
std::uint16_t FreeLoopbackPort() {
  const int low = OutgoingPortRange().first;
  return low > 12000 ? FreeLoopbackPort(10000, low - 1, -1)
                     : FreeLoopbackPort(OutgoingPortRange().second + 1, 65535, -1);
}

std::uint16_t FreeOutgoingPort(int parity) {
  const auto [low, high] = OutgoingPortRange();
  return FreeLoopbackPort(low, high, parity);
}

bool Listening(std::uint16_t port) {
  const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = Loopback(port);
  const bool accepted =
      connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(probe);
  return accepted;
}

}  // namespace tolvane::peers
