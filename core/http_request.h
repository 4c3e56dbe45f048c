// The GET request of the launcher's HTTP component, byte for byte.
#pragma once

#include <string>

#include "http_url.h"

namespace tolvane {

// The component's fixed header values.
inline constexpr char kHttpAccept[] = "text/html, */*";
inline constexpr char kHttpUserAgent[] = "Mozilla/3.0 (compatible; Indy Library)";

// "host:port", or only the host for port 80.
std::string HostHeader(const HttpUrl& url);

// The request line, then Host, Accept, Accept-Encoding, User-Agent and, when `cookies` is not
// empty, Cookie last; every line ends in CR LF and an empty line ends the request. No Connection,
// Content-Length or Authorization header is sent.
std::string BuildGetRequest(const HttpUrl& url, const std::string& cookies);

}  // namespace tolvane
