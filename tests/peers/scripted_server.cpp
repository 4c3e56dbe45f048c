#include "scripted_server.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <stdexcept>

namespace tolvane::peers {
namespace {

constexpr int kPollMs = 20;

#ifdef _WIN32
using Native = SOCKET;
constexpr int MSG_NOSIGNAL = 0;
int close(Native socket) { return closesocket(socket); }
int poll(pollfd* entries, ULONG count, int ms) { return WSAPoll(entries, count, ms); }
Native Listener() { return socket(AF_INET, SOCK_STREAM, IPPROTO_TCP); }
Native Accept(Native listener) { return accept(listener, nullptr, nullptr); }
// Winsock needs starting once in the process before its first socket.
[[maybe_unused]] const bool kWinsockStarted = [] {
  WSADATA data{};
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}();
#else
using Native = int;
Native Listener() { return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0); }
Native Accept(Native listener) { return accept4(listener, nullptr, nullptr, SOCK_CLOEXEC); }
#endif
Native N(std::intptr_t socket) { return static_cast<Native>(socket); }
const char* Option(const void* value) { return static_cast<const char*>(value); }

}  // namespace

Peer::Peer(ScriptedServer& server, std::intptr_t socket, int index)
    : server_(server), socket_(socket), index_(index) {
  const int on = 1;
  setsockopt(N(socket_), IPPROTO_TCP, TCP_NODELAY, Option(&on), sizeof on);
}

Peer::~Peer() {
  if (socket_ >= 0) close(N(socket_));
}

bool Peer::WaitReadable() {
  while (!server_.stopping_) {
    pollfd entry{N(socket_), POLLIN, 0};
    if (poll(&entry, 1, kPollMs) > 0) return true;
  }
  return false;
}

std::optional<std::string> Peer::ReadRequest() {
  for (;;) {
    const std::size_t end = unread_.find("\r\n\r\n");
    if (end != std::string::npos) {
      std::string head = unread_.substr(0, end + 4);
      unread_.erase(0, end + 4);
      server_.Record(index_, head);
      return head;
    }
    if (socket_ < 0 || !WaitReadable()) return std::nullopt;
    char buffer[4096];
    const auto got = recv(N(socket_), buffer, sizeof buffer, 0);
    if (got <= 0) return std::nullopt;
    unread_.append(buffer, static_cast<std::size_t>(got));
  }
}

bool Peer::Send(std::string_view bytes) {
  while (!bytes.empty()) {
    if (socket_ < 0) return false;
    const auto sent = send(N(socket_), bytes.data(), static_cast<int>(bytes.size()), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

bool Peer::stopping() const { return server_.stopping_; }

void Peer::Close() {
  if (socket_ >= 0) close(N(socket_));
  socket_ = -1;
}

void Peer::Reset() {
  const linger abort{1, 0};
  if (socket_ >= 0) setsockopt(N(socket_), SOL_SOCKET, SO_LINGER, Option(&abort), sizeof abort);
  Close();
}

void Peer::WaitForClose() {
  char buffer[4096];
  while (socket_ >= 0 && WaitReadable()) {
    if (recv(N(socket_), buffer, sizeof buffer, 0) <= 0) return;
  }
}

ScriptedServer::ScriptedServer(Script script) : script_(std::move(script)) {
  const Native listener = Listener();
  listener_ = static_cast<std::intptr_t>(listener);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      listen(listener, 16) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    close(listener);
    throw std::runtime_error("scripted server can not listen");
  }
  port_ = ntohs(address.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() {
  stopping_ = true;
  acceptor_.join();
  for (std::thread& peer : peers_) peer.join();
  close(N(listener_));
}

void ScriptedServer::AcceptLoop() {
  while (!stopping_) {
    pollfd entry{N(listener_), POLLIN, 0};
    if (poll(&entry, 1, kPollMs) <= 0) continue;
    const auto socket = static_cast<std::intptr_t>(Accept(N(listener_)));
    if (socket < 0) continue;
    const int index = ++connections_;
    peers_.emplace_back([this, socket, index] {
      Peer peer(*this, socket, index);
      script_(peer);
    });
  }
}

void ScriptedServer::Record(int connection, const std::string& head) {
  const std::lock_guard<std::mutex> lock(mutex_);
  requests_.push_back({connection, head});
}

std::vector<ScriptedServer::Request> ScriptedServer::requests() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

std::wstring ScriptedServer::Url(const std::wstring& path) const {
  return L"http://127.0.0.1:" + std::to_wstring(port_) + path;
}

bool Eventually(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  return true;
}

std::string ExpectedRequest(std::uint16_t port, const std::string& path,
                            const std::string& cookies) {
  std::string request = "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                        "\r\nAccept: text/html, */*\r\nAccept-Encoding: identity\r\n"
                        "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";
  if (!cookies.empty()) request += "Cookie: " + cookies + "\r\n";
  return request + "\r\n";
}

}  // namespace tolvane::peers
