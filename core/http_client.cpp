#include "http_client.h"

#include <algorithm>
#include <array>
#include <optional>

#include "body_scan.h"
#include "http_request.h"
#include "http_response.h"

namespace tolvane {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr std::size_t kReceiveBufferBytes = 16 * 1024;

bool IsPage(const ResponseHead& head) {
  return head.status >= 200 && head.status <= 299 && !head.has_location;
}

// Whether the connection can carry another request once this answer has ended: not when the
// server says it closes, when the body's end is the close itself, or after a final 1xx answer
// (a switch of protocols leaves nothing HTTP on the connection).
bool LeavesConnectionOpen(const ResponseParser& parser) {
  return !parser.head().connection_close && parser.framing() != BodyFraming::kUntilClose &&
         parser.head().status >= 200;
}

// Whole milliseconds until `deadline`, rounded down so that no wait ends after it; 0 once passed.
std::chrono::milliseconds TimeLeft(SteadyTime deadline) {
  const auto now = SteadyClock::now();
  if (deadline <= now) return std::chrono::milliseconds(0);
  return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
}

}  // namespace

std::int64_t SystemUnixTime() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

HttpClient::HttpClient() : HttpClient(SystemConnector(), SystemUnixTime) {}

HttpClient::HttpClient(Connector& connector, UnixClock clock, HttpTimeouts timeouts)
    : connector_(connector), clock_(std::move(clock)), timeouts_(timeouts) {}

FetchResult HttpClient::Get(const std::wstring& url_text, const std::wstring& marker,
                            SteadyTime deadline) {
  const auto url = ParseHttpUrl(url_text);
  if (!url || TimeLeft(deadline).count() <= 0) return {};
  cookies_.DropExpired(clock_());
  const std::string request =
      BuildGetRequest(*url, cookies_.CookieHeader(url->host, url->path, false));
  if (!EnsureConnection(*url, deadline)) return {};
  const Outcome outcome = Exchange(*url, request, marker, deadline);
  if (!outcome.reusable) connection_.reset();
  return outcome.result;
}

// Keeps the connection held from an earlier fetch when it goes to the same server and the
// server has not closed it since; otherwise opens a new one.
bool HttpClient::EnsureConnection(const HttpUrl& url, SteadyTime deadline) {
  if (connection_ &&
      (connected_host_ != url.host || connected_port_ != url.port || connection_->PeerClosed())) {
    connection_.reset();
  }
  if (!connection_) {
    connection_ =
        connector_.Connect(url.host, url.port, std::min(timeouts_.connect, TimeLeft(deadline)));
    connected_host_ = url.host;
    connected_port_ = url.port;
  }
  return connection_ != nullptr;
}

// Keeps the head's cookies, whatever the status; true when the answer is a page, and then sets up
// the search for the marker in the body's charset (none when that charset can not hold it).
bool HttpClient::TakeHead(const ResponseHead& head, const HttpUrl& url, const std::wstring& marker,
                          std::optional<MarkerScanner>& scanner) {
  for (const std::string& set_cookie : head.set_cookies) {
    cookies_.Store(set_cookie, url.host, clock_());
  }
  if (!IsPage(head)) return false;
  if (auto needle = EncodeForBody(marker, CharsetIsUtf8(head.content_type))) {
    scanner.emplace(std::move(*needle));
  }
  return true;
}

// Sends the request and reads the answer as it arrives. The head is judged before any body byte
// is read. The body of an answer that is no page is read only to keep the connection, and not
// searched; when the connection could not be kept anyway, the answer fails at once. The
// connection stays fit for the next request only when the answer ended exactly where its framing
// said, the server did not say it closes, and its end was not the close itself.
HttpClient::Outcome HttpClient::Exchange(const HttpUrl& url, const std::string& request,
                                         const std::wstring& marker, SteadyTime deadline) {
  const auto answer_deadline = std::min(deadline, SteadyClock::now() + timeouts_.answer);
  const auto wait = [&] { return std::min(timeouts_.read, TimeLeft(answer_deadline)); };
  if (!connection_->SendAll(request, wait())) return {};

  ResponseParser parser;
  std::optional<bool> page;  // known once the head has ended
  std::optional<MarkerScanner> scanner;
  std::array<char, kReceiveBufferBytes> buffer;
  for (;;) {
    const auto time_left = wait();
    if (time_left.count() <= 0) return {};
    const Received received = connection_->Receive(buffer.data(), buffer.size(), time_left);
    if (received.status == SocketStatus::kClosed) {
      parser.End();
    } else if (received.status != SocketStatus::kOk) {
      return {};
    }
    std::string_view data(buffer.data(), received.size);
    do {
      const ResponseParser::Step step = parser.Feed(data);
      data.remove_prefix(step.consumed);
      if (scanner) scanner->Feed(step.body);
      const auto state = parser.state();
      if (!page &&
          (state == ResponseParser::State::kBody || state == ResponseParser::State::kComplete)) {
        page = TakeHead(parser.head(), url, marker, scanner);
        if (!*page && !LeavesConnectionOpen(parser)) return {};
      }
    } while (!data.empty() && parser.state() != ResponseParser::State::kBroken &&
             parser.state() != ResponseParser::State::kComplete);

    if (parser.state() == ResponseParser::State::kBroken) return {};
    if (parser.state() == ResponseParser::State::kComplete) {
      const bool reusable = data.empty() && LeavesConnectionOpen(parser);
      return {{*page, *page && scanner && scanner->found()}, reusable};
    }
  }
}

}  // namespace tolvane
