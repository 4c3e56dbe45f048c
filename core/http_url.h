// Plain-HTTP URLs of the local web server, e.g. http://127.0.0.1:85/index.php.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane {

struct HttpUrl {
  std::string host;  // lower case
  std::uint16_t port = 80;
  std::string path;  // begins with '/', query included, fragment left out
};

// "http://" host [":" port] [path]. Anything else (another scheme, user info, a character outside
// printable ASCII, a port outside 1..65535) gives nothing, so no request can carry a byte that
// would break its request line or headers.
std::optional<HttpUrl> ParseHttpUrl(std::wstring_view url);

}  // namespace tolvane
