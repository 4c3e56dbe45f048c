// The HTTP component against any answer a web server could send: whatever the bytes, cut into
// any pieces, it never crashes, never reads out of bounds, and a second request on the same
// component works as well.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "http_client.h"
#include "http_response.h"
#include "socket.h"

namespace {

using namespace tolvane;

// Serves the answer in pieces whose sizes come from the input's first byte.
class ScriptedServer : public Connector {
 public:
  ScriptedServer(std::string_view answer, std::size_t piece) : answer_(answer), piece_(piece) {}

  std::unique_ptr<Connection> Connect(const std::string&, std::uint16_t,
                                      std::chrono::milliseconds) override {
    return std::make_unique<Served>(answer_, piece_);
  }

 private:
  class Served : public Connection {
   public:
    Served(std::string_view bytes, std::size_t piece) : bytes_(bytes), piece_(piece) {}
    bool SendAll(std::string_view, std::chrono::milliseconds) override { return true; }
    Received Receive(char* buffer, std::size_t capacity, std::chrono::milliseconds) override {
      if (bytes_.empty()) return {SocketStatus::kClosed, 0};
      const std::size_t size = std::min({capacity, piece_, bytes_.size()});
      bytes_.copy(buffer, size);
      bytes_.remove_prefix(size);
      return {SocketStatus::kOk, size};
    }
    bool PeerClosed() override { return bytes_.empty(); }

   private:
    std::string_view bytes_;
    std::size_t piece_;
  };

  std::string_view answer_;
  std::size_t piece_;
};

void FeedParser(std::string_view answer, std::size_t piece) {
  ResponseParser parser;
  while (!answer.empty() && parser.state() != ResponseParser::State::kComplete &&
         parser.state() != ResponseParser::State::kBroken) {
    const std::string_view part = answer.substr(0, piece);
    const ResponseParser::Step step = parser.Feed(part);
    if (step.consumed > part.size() || step.body.size() > step.consumed) __builtin_trap();
    if (step.consumed == 0) break;
    answer.remove_prefix(step.consumed);
  }
  parser.End();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const std::string_view answer(reinterpret_cast<const char*>(data) + 1, size - 1);
  FeedParser(answer, piece);

  ScriptedServer server(answer, piece);
  HttpClient http(server, [] { return std::int64_t{1700000000}; });
  for (int attempt = 0; attempt < 2; ++attempt) {
    const FetchResult result = http.Get(L"http://127.0.0.1:85/index.php", L"Tolvane Flash Chat");
    if (result.marker_found && !result.fetched) __builtin_trap();
  }
  return 0;
}
