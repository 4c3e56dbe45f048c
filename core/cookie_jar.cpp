#include "cookie_jar.h"

#include <algorithm>

#include "cookie_date.h"
#include "http_ascii.h"

namespace tolvane {
namespace {

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char ch) {
    const auto code = static_cast<unsigned char>(ch);
    return code < 0x20 || code == 0x7F;
  });
}

std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

bool IsIpAddress(std::string_view host) {
  return host.find(':') != std::string_view::npos ||
         std::all_of(host.begin(), host.end(),
                     [](char ch) { return ascii::IsDigit(ch) || ch == '.'; });
}

// The host is the domain or lies inside it; an address lies inside nothing but itself.
bool DomainMatches(std::string_view host, std::string_view domain) {
  if (host == domain) return true;
  return host.size() > domain.size() && host.substr(host.size() - domain.size()) == domain &&
         host[host.size() - domain.size() - 1] == '.' && !IsIpAddress(host);
}

bool PathMatches(std::string_view request_path, std::string_view cookie_path) {
  if (request_path.substr(0, cookie_path.size()) != cookie_path) return false;
  return request_path.size() == cookie_path.size() || cookie_path.back() == '/' ||
         request_path[cookie_path.size()] == '/';
}

// One "name=value" item and the attribute items that follow it, separated by ';'.
std::optional<Cookie> ParseSetCookie(std::string_view header, const std::string& request_host) {
  const std::string_view first = header.substr(0, header.find(';'));
  const std::size_t equals = first.find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  Cookie cookie;
  cookie.name = ascii::TrimBlanks(first.substr(0, equals));
  cookie.value = ascii::TrimBlanks(first.substr(equals + 1));
  // A control character would end up inside the Cookie header of a later request.
  if (cookie.name.empty() || HasControlCharacter(cookie.name) ||
      HasControlCharacter(cookie.value)) {
    return std::nullopt;
  }
  cookie.domain = ascii::ToLower(request_host);

  std::optional<std::string> domain;
  for (std::size_t semicolon = header.find(';'); semicolon != std::string_view::npos;) {
    header.remove_prefix(semicolon + 1);
    semicolon = header.find(';');
    const std::string_view item = header.substr(0, semicolon);
    const std::size_t item_equals = item.find('=');
    const std::string_view name = ascii::TrimBlanks(item.substr(0, item_equals));
    const std::string_view value = item_equals == std::string_view::npos
                                       ? std::string_view()
                                       : Unquoted(ascii::TrimBlanks(item.substr(item_equals + 1)));
    if (ascii::EqualsNoCase(name, "Path")) {
      cookie.path = !value.empty() && value.front() == '/' ? std::string(value) : "/";
    } else if (ascii::EqualsNoCase(name, "Domain")) {
      std::string lower = ascii::ToLower(value);
      if (!lower.empty() && lower.front() == '.') lower.erase(0, 1);
      if (!lower.empty()) domain = lower;
    } else if (ascii::EqualsNoCase(name, "Expires")) {
      if (const auto date = ParseCookieDate(value)) cookie.expires = date;
    } else if (ascii::EqualsNoCase(name, "Secure")) {
      cookie.secure = true;
    }
  }
  if (domain) {
    if (!DomainMatches(cookie.domain, *domain)) return std::nullopt;
    cookie.domain = *domain;
    cookie.host_only = false;
  }
  return cookie;
}

}  // namespace

void CookieJar::Store(std::string_view set_cookie, const std::string& request_host,
                      std::int64_t now) {
  const auto cookie = ParseSetCookie(set_cookie, request_host);
  if (!cookie) return;
  const bool expired = cookie->expires && *cookie->expires <= now;
  const auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const Cookie& held) {
    return held.name == cookie->name && held.domain == cookie->domain && held.path == cookie->path;
  });
  if (same != cookies_.end()) {
    if (expired) {
      cookies_.erase(same);
    } else {
      *same = *cookie;
    }
    return;
  }
  if (expired) return;
  if (cookies_.size() == kMaxCookies) cookies_.erase(cookies_.begin());
  cookies_.push_back(*cookie);
}

void CookieJar::DropExpired(std::int64_t now) {
  cookies_.erase(std::remove_if(cookies_.begin(), cookies_.end(),
                                [now](const Cookie& cookie) {
                                  return cookie.expires && *cookie.expires <= now;
                                }),
                 cookies_.end());
}

std::string CookieJar::CookieHeader(const std::string& host, const std::string& path,
                                    bool secure) const {
  const std::string lower_host = ascii::ToLower(host);
  const std::string_view request_path = std::string_view(path).substr(0, path.find('?'));
  std::vector<const Cookie*> matching;
  for (const Cookie& cookie : cookies_) {
    const bool host_matches =
        cookie.host_only ? lower_host == cookie.domain : DomainMatches(lower_host, cookie.domain);
    if (host_matches && PathMatches(request_path, cookie.path) && (secure || !cookie.secure)) {
      matching.push_back(&cookie);
    }
  }
  std::stable_sort(matching.begin(), matching.end(), [](const Cookie* a, const Cookie* b) {
    return a->path.size() > b->path.size();
  });
  std::string header;
  for (const Cookie* cookie : matching) {
    if (!header.empty()) header += "; ";
    header += cookie->name + "=" + cookie->value;
  }
  return header;
}

}  // namespace tolvane
