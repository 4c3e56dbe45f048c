// The window's HTTP component `http`: GETs pages of the local web server with the component's
// fixed settings (Accept "text/html, */*", the Indy User-Agent, cookies allowed, no proxy, no
// authentication, no request body) over one persistent connection.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "body_scan.h"
#include "cookie_jar.h"
#include "http_response.h"
#include "http_url.h"
#include "socket.h"

namespace tolvane {

// Limits on how long one fetch may wait, so that a server that accepts the connection and never
// answers, or answers without end, can not hold the caller. A caller with a deadline of its own
// passes it to Get as well, and no wait runs past it.
struct HttpTimeouts {
  static constexpr std::chrono::milliseconds kConnect{2000};  // to open the connection
  static constexpr std::chrono::milliseconds kRead{5000};     // for each piece of the answer
  static constexpr std::chrono::milliseconds kAnswer{10000};  // for the whole answer

  std::chrono::milliseconds connect = kConnect;
  std::chrono::milliseconds read = kRead;
  std::chrono::milliseconds answer = kAnswer;
};

struct FetchResult {
  bool fetched = false;       // a complete 2xx answer without Location arrived
  bool marker_found = false;  // ... and its body contains the marker (never true unless fetched)
};

using SteadyTime = std::chrono::steady_clock::time_point;

// Seconds since 1970-01-01 UTC; the cookie jar's clock.
using UnixClock = std::function<std::int64_t()>;
std::int64_t SystemUnixTime();

class HttpClient {
 public:
  // The operating system's sockets and clock.
  HttpClient();
  HttpClient(Connector& connector, UnixClock clock, HttpTimeouts timeouts = HttpTimeouts());

  // GETs `url` ("http://host[:port]/path") and looks for `marker` in the body, as text in the
  // body's charset. Every failure (no connection, a broken or timed-out answer, a status outside
  // 200-299, a Location header, a chunked body cut short) gives fetched == false; nothing throws.
  // Gives up at `deadline` whatever the time-outs would still allow.
  FetchResult Get(const std::wstring& url, const std::wstring& marker,
                  SteadyTime deadline = SteadyTime::max());

 private:
  struct Outcome {
    FetchResult result;
    bool reusable = false;  // the connection may carry the next request
  };

  bool EnsureConnection(const HttpUrl& url, SteadyTime deadline);
  bool TakeHead(const ResponseHead& head, const HttpUrl& url, const std::wstring& marker,
                std::optional<MarkerScanner>& scanner);
  Outcome Exchange(const HttpUrl& url, const std::string& request, const std::wstring& marker,
                   SteadyTime deadline);

  Connector& connector_;
  UnixClock clock_;
  HttpTimeouts timeouts_;
  CookieJar cookies_;
  std::unique_ptr<Connection> connection_;
  std::string connected_host_;
  std::uint16_t connected_port_ = 0;
};

}  // namespace tolvane
