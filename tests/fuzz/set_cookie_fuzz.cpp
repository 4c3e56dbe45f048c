// The cookie jar against any Set-Cookie value: it never crashes, and nothing it stores can put a
// line break into the Cookie header of a later request.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cookie_jar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  tolvane::CookieJar jar;
  // Several Set-Cookie values, one per line of the input.
  std::size_t start = 0;
  while (start <= input.size()) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    jar.Store(input.substr(start, end - start), "127.0.0.1", 1700000000);
    start = end + 1;
  }
  jar.DropExpired(1800000000);
  const std::string header = jar.CookieHeader("127.0.0.1", "/index.php", false);
  if (header.find_first_of("\r\n") != std::string::npos) __builtin_trap();
  return 0;
}
