#include "http_url.h"

#include "http_ascii.h"

namespace tolvane {
namespace {

constexpr std::string_view kScheme = "http://";

bool IsPrintableAscii(wchar_t ch) { return ch > 0x20 && ch < 0x7F; }

std::optional<std::uint16_t> ParsePort(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (char ch : digits) {
    if (ch < '0' || ch > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(ch - '0');
  }
  if (value == 0 || value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

}  // namespace

std::optional<HttpUrl> ParseHttpUrl(std::wstring_view url) {
  std::string text;
  for (wchar_t ch : url) {
    if (!IsPrintableAscii(ch)) return std::nullopt;
    text.push_back(static_cast<char>(ch));
  }
  if (!ascii::StartsWithNoCase(text, kScheme)) return std::nullopt;
  std::string_view rest = std::string_view(text).substr(kScheme.size());
  rest = rest.substr(0, rest.find('#'));

  const std::size_t authority_end = rest.find_first_of("/?");
  const std::string_view authority = rest.substr(0, authority_end);
  const std::string_view target =
      authority_end == std::string_view::npos ? std::string_view() : rest.substr(authority_end);
  if (authority.find_first_of("@[]") != std::string_view::npos) return std::nullopt;

  HttpUrl parsed;
  const std::size_t colon = authority.find(':');
  parsed.host = ascii::ToLower(authority.substr(0, colon));
  if (parsed.host.empty()) return std::nullopt;
  if (colon != std::string_view::npos) {
    const auto port = ParsePort(authority.substr(colon + 1));
    if (!port) return std::nullopt;
    parsed.port = *port;
  }
  parsed.path = target.empty() || target.front() == '?' ? "/" : "";
  parsed.path += target;
  return parsed;
}

}  // namespace tolvane
