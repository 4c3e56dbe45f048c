// Expiry dates of cookies.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tolvane {

// Seconds since 1970-01-01 00:00:00 UTC of a cookie's Expires date. Reads the three forms servers
// send: RFC 1123 "Sun, 06 Nov 1994 08:49:37 GMT", RFC 850 "Sunday, 06-Nov-94 08:49:37 GMT" and
// asctime "Sun Nov  6 08:49:37 1994", by the tolerant token rules browsers use (the first time,
// day, month and year tokens found, in any order; two-digit years 70-99 are 19xx, 00-69 20xx).
// Nothing when a part is missing or out of range.
std::optional<std::int64_t> ParseCookieDate(std::string_view text);

}  // namespace tolvane
