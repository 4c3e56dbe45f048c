// The cookies the HTTP component holds for the run of the program: taken from every answer's
// Set-Cookie and Set-Cookie2 headers and sent back on later requests to the same host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

struct Cookie {
  std::string name;
  std::string value;
  std::string domain;     // lower case, no leading dot
  bool host_only = true;  // no Domain attribute: sent to exactly the host that set it
  std::string path = "/";
  bool secure = false;                  // sent over secure connections only
  std::optional<std::int64_t> expires;  // seconds since 1970 UTC; none: kept for the whole run
};

class CookieJar {
 public:
  // A server can not make the jar, and with it every request, grow without bound: past this
  // many cookies the oldest one goes.
  static constexpr std::size_t kMaxCookies = 50;

  // Takes one Set-Cookie or Set-Cookie2 value from an answer of `request_host`. Name and value come
  // from the first item; the attributes read are Path (default "/"), Domain (default the request
  // host; a domain the host is not in makes the cookie ignored), Expires and Secure. A cookie of
  // the same name, domain and path is replaced; one that has already expired removes it.
  void Store(std::string_view set_cookie, const std::string& request_host, std::int64_t now);

  void DropExpired(std::int64_t now);

  // The Cookie header's value for a request: the pairs name=value of the cookies held for `host`
  // and `path`, longer paths first, joined by "; "; empty when none is held.
  std::string CookieHeader(const std::string& host, const std::string& path, bool secure) const;

 private:
  std::vector<Cookie> cookies_;
};

}  // namespace tolvane
