#include "carried_settings.h"

#include <algorithm>
#include <vector>

#include "folder_rules.h"

namespace tolvane::kitsetup {

std::optional<std::string> CarriedSettings(const std::string& bytes) {
  std::vector<std::string> lines(2);
  std::size_t start = 0;
  for (std::string& line : lines) {
    if (start >= bytes.size()) break;
    const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
    line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
  }
  const auto sane = [](const std::string& line) {
    return line.size() < kMaxPath && std::none_of(line.begin(), line.end(), [](char c) {
             return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
           });
  };
  if (lines[0].empty() || !sane(lines[0]) || !sane(lines[1])) return std::nullopt;
  std::string lower = lines[1];
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
  if (lower.rfind("c:\\program files", 0) != 0) lines[1].clear();
  return lines[0] + "\r\n" + lines[1] + "\r\n";
}

}  // namespace tolvane::kitsetup
