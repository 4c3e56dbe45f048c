#include "raw_http.h"

namespace tolvane::peers {

std::string RawAnswer(std::uint16_t port, const std::string& path) {
  const auto connection =
      SystemConnector().Connect("127.0.0.1", port, std::chrono::milliseconds(2000));
  if (!connection) return {};
  const std::string request =
      "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
  if (!connection->SendAll(request, std::chrono::milliseconds(2000))) return {};
  std::string answer;
  char buffer[4096];
  for (;;) {
    const Received received =
        connection->Receive(buffer, sizeof buffer, std::chrono::milliseconds(5000));
    if (received.status != SocketStatus::kOk) return answer;
    answer.append(buffer, received.size);
  }
}

}  // namespace tolvane::peers
