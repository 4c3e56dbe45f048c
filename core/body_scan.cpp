#include "body_scan.h"

#include "http_ascii.h"
#include "utf8.h"

namespace tolvane {

bool CharsetIsUtf8(std::string_view content_type) {
  for (std::size_t semicolon = content_type.find(';'); semicolon != std::string_view::npos;
       semicolon = content_type.find(';')) {
    content_type.remove_prefix(semicolon + 1);
    const std::string_view parameter = content_type.substr(0, content_type.find(';'));
    const std::size_t equals = parameter.find('=');
    if (equals == std::string_view::npos ||
        !ascii::EqualsNoCase(ascii::TrimBlanks(parameter.substr(0, equals)), "charset")) {
      continue;
    }
    std::string_view value = ascii::TrimBlanks(parameter.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    return ascii::EqualsNoCase(value, "UTF-8") || ascii::EqualsNoCase(value, "UTF8");
  }
  return false;
}

std::optional<std::string> EncodeForBody(const std::wstring& text, bool utf8) {
  const auto codes = utf8::CodePoints(text);
  if (!codes) return std::nullopt;
  std::string bytes;
  for (char32_t code : *codes) {
    if (utf8) {
      utf8::Append(bytes, code);
    } else if (code <= 0xFF) {
      bytes.push_back(static_cast<char>(code));
    } else {
      return std::nullopt;
    }
  }
  return bytes;
}

MarkerScanner::MarkerScanner(std::string needle)
    : needle_(std::move(needle)), fallback_(needle_.size(), 0), found_(needle_.empty()) {
  for (std::size_t i = 1, border = 0; i < needle_.size(); ++i) {
    while (border > 0 && needle_[i] != needle_[border]) border = fallback_[border - 1];
    if (needle_[i] == needle_[border]) ++border;
    fallback_[i] = border;
  }
}

void MarkerScanner::Feed(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size() && !found_; ++i) {
    while (matched_ > 0 && bytes[i] != needle_[matched_]) matched_ = fallback_[matched_ - 1];
    if (bytes[i] == needle_[matched_]) ++matched_;
    found_ = matched_ == needle_.size();
  }
}

}  // namespace tolvane
