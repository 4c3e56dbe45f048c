#include "web_worker.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "owners.h"
#include "record.h"
#include "web_site.h"

namespace tolvane::standin {
namespace {

struct SocketTraits {
  static constexpr SOCKET kNone = INVALID_SOCKET;
  static bool Valid(SOCKET socket) { return socket != INVALID_SOCKET; }
  static void Close(SOCKET socket) { closesocket(socket); }
};
using UniqueSocket = UniqueOwner<SOCKET, SocketTraits>;

constexpr unsigned long kDefaultPort = 85;
constexpr unsigned long long kDefaultWarmupMs = 3000;
// An idle kept-alive connection is closed after this long, as Apache's KeepAliveTimeout does.
constexpr DWORD kKeepAliveMs = 5000;
constexpr std::size_t kMaxRequestHead = 16 * 1024;

unsigned long long EnvironmentNumber(const wchar_t* name, unsigned long long fallback,
                                     unsigned long long max) {
  wchar_t text[32] = {};
  const DWORD length = GetEnvironmentVariableW(name, text, static_cast<DWORD>(std::size(text)));
  if (length == 0 || length >= std::size(text)) return fallback;
  unsigned long long value = 0;
  for (DWORD i = 0; i < length; ++i) {
    if (text[i] < L'0' || text[i] > L'9') return fallback;
    value = value * 10 + static_cast<unsigned long long>(text[i] - L'0');
    if (value > max) return fallback;
  }
  return value;
}

std::wstring WwwDirectory() {
  // The web server's own folder is servers\apache\bin\, three levels below the kit's root.
  const std::wstring relative = ModuleDirectory() + L"..\\..\\..\\www\\";
  std::wstring full(GetFullPathNameW(relative.c_str(), 0, nullptr, nullptr), L'\0');
  const DWORD length =
      GetFullPathNameW(relative.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return relative;
  full.resize(length);
  return full;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return text;
}

struct Request {
  std::string method;
  std::string path;
  bool keep_alive = false;
};

// Parses the request line and headers (up to, not including, the empty line). A request with a
// body is answered and the connection closed, since the stand-in never reads bodies.
bool ParseRequestHead(const std::string& head, Request& request) {
  std::size_t line_end = head.find("\r\n");
  const std::string request_line = head.substr(0, line_end);
  const std::size_t first_space = request_line.find(' ');
  const std::size_t second_space = request_line.find(' ', first_space + 1);
  if (first_space == std::string::npos || second_space == std::string::npos) return false;
  request.method = request_line.substr(0, first_space);
  const std::string target = request_line.substr(first_space + 1, second_space - first_space - 1);
  request.path = target.substr(0, target.find_first_of("?#"));
  request.keep_alive = request_line.substr(second_space + 1) == "HTTP/1.1";

  while (line_end != std::string::npos) {
    const std::size_t start = line_end + 2;
    line_end = head.find("\r\n", start);
    const std::string line = head.substr(start, line_end - start);
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string name = Lower(line.substr(0, colon));
    const std::string value = Lower(line.substr(colon + 1));
    if (name == "connection" && value.find("close") != std::string::npos) {
      request.keep_alive = false;
    }
    if ((name == "content-length" && value.find_first_of("123456789") != std::string::npos) ||
        name == "transfer-encoding") {
      request.keep_alive = false;
    }
  }
  return true;
}

// A PHP-like session id: 26 characters of 0-9 and a-v.
std::string NewSessionId() {
  thread_local std::mt19937 generator{std::random_device{}()};
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuv";
  std::uniform_int_distribution<int> pick(0, 31);
  std::string id;
  for (int i = 0; i < 26; ++i) id.push_back(kDigits[pick(generator)]);
  return id;
}

bool SendAll(SOCKET socket, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const int n = send(socket, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

std::string Response(const Page& page, bool with_body, bool first_answer, bool keep_alive) {
  std::string head = "HTTP/1.1 " + std::to_string(page.status) + " " + page.reason + "\r\n";
  head += "Server: Apache (Tolvane Chat stand-in)\r\n";
  head += "Content-Type: text/html\r\n";
  head += "Content-Length: " + std::to_string(page.body.size()) + "\r\n";
  if (first_answer) head += "Set-Cookie: PHPSESSID=" + NewSessionId() + "; path=/\r\n";
  if (!keep_alive) head += "Connection: close\r\n";
  head += "\r\n";
  return with_body ? head + page.body : head;
}

void ServeConnection(UniqueSocket connection, const WebSite& site) {
  setsockopt(connection.get(), SOL_SOCKET, SO_RCVTIMEO,
             reinterpret_cast<const char*>(&kKeepAliveMs), sizeof kKeepAliveMs);
  std::string received;
  bool first_answer = true;
  for (;;) {
    std::size_t head_end;
    while ((head_end = received.find("\r\n\r\n")) == std::string::npos) {
      if (received.size() > kMaxRequestHead) return;
      char chunk[4096];
      const int n = recv(connection.get(), chunk, static_cast<int>(sizeof chunk), 0);
      if (n <= 0) return;  // closed by the client, broken, or idle past the keep-alive time
      received.append(chunk, static_cast<std::size_t>(n));
    }
    Request request;
    const bool well_formed = ParseRequestHead(received.substr(0, head_end), request);
    received.erase(0, head_end + 4);

    Page page;
    if (!well_formed) {
      page = {400, "Bad Request", {}};
    } else if (request.method != "GET" && request.method != "HEAD") {
      page = {501, "Not Implemented", {}};
    } else {
      page = site.Answer(request.path);
    }
    // Like Apache, close after an error: a client must open a new connection to try again.
    const bool keep_alive = request.keep_alive && page.status < 500 && page.status != 400;
    if (!SendAll(connection.get(),
                 Response(page, request.method != "HEAD", first_answer, keep_alive)) ||
        !keep_alive) {
      shutdown(connection.get(), SD_SEND);
      return;
    }
    first_answer = false;
  }
}

}  // namespace

int RunWebWorker() {
  const WebSite site(WwwDirectory(), EnvironmentNumber(L"TOLVANE_WARMUP_MS", kDefaultWarmupMs,
                                                       24ull * 3600 * 1000));
  // Port 0 would listen where nobody looks; it counts as not set.
  auto port = static_cast<u_short>(EnvironmentNumber(L"TOLVANE_WEB_PORT", kDefaultPort, 65535));
  if (port == 0) port = kDefaultPort;

  WSADATA wsa{};
  if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
  UniqueSocket listener(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  const BOOL exclusive = TRUE;
  setsockopt(listener.get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
             reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (!listener.valid() ||
      bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener.get(), SOMAXCONN) != 0) {
    return 1;
  }
  for (;;) {
    UniqueSocket connection(accept(listener.get(), nullptr, nullptr));
    if (!connection.valid()) {
      Sleep(10);  // out of resources for a moment; do not spin
      continue;
    }
    std::thread(ServeConnection, std::move(connection), std::cref(site)).detach();
  }
}

}  // namespace tolvane::standin
