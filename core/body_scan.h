// Looking for a text in a page's body while the body streams past, without holding it.
//
// The body is text in UTF-8 when the answer's Content-Type names the charset "UTF-8" or "UTF8"
// (any letter case), and in ISO-8859-1 otherwise. Rather than decoding the body, the text looked
// for is encoded in the body's charset and its bytes are looked for in the raw body. Both are the
// same search: in ISO-8859-1 each byte is one character; in UTF-8 the bytes of a character never
// begin inside another character's bytes, so an encoded text occurs in the bytes exactly where it
// occurs in the decoded text. For the chat's ASCII marker both encodings give the same bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvane {

// True when the charset parameter of a Content-Type value is UTF-8 or UTF8, in any case, quoted
// or not.
bool CharsetIsUtf8(std::string_view content_type);

// The bytes of `text` in UTF-8 or ISO-8859-1; nothing when ISO-8859-1 can not represent a
// character (such a text can never occur in the body) or when `text` is not valid UTF-16/32.
std::optional<std::string> EncodeForBody(const std::wstring& text, bool utf8);

// Finds `needle` in bytes fed piece by piece; an occurrence split across pieces counts.
// Knuth-Morris-Pratt: constant memory whatever the body's length.
class MarkerScanner {
 public:
  explicit MarkerScanner(std::string needle);
  void Feed(std::string_view bytes);
  bool found() const { return found_; }

 private:
  std::string needle_;
  std::vector<std::size_t> fallback_;  // longest proper border of needle_[0..i]
  std::size_t matched_ = 0;
  bool found_;
};

}  // namespace tolvane
