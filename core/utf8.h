// UTF-8 and the wide texts of memory (UTF-16 where wchar_t has 16 bits, as on Windows, UTF-32
// elsewhere): what the chat's UTF-8 pages and setup's records of the kit's files are written in.
// Header only, so that the setup tool shares it without the rest of the core.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tolvane::utf8 {

inline bool IsHighSurrogate(char32_t code) { return code >= 0xD800 && code <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t code) { return code >= 0xDC00 && code <= 0xDFFF; }

inline void Append(std::string& bytes, char32_t code) {
  if (code < 0x80) {
    bytes.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    bytes.push_back(static_cast<char>(0xC0 | (code >> 6)));
    bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    bytes.push_back(static_cast<char>(0xE0 | (code >> 12)));
    bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    bytes.push_back(static_cast<char>(0xF0 | (code >> 18)));
    bytes.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

// The code point at text[i], a surrogate pair taken whole; `i` moves to the next one.
inline char32_t Next(const std::wstring& text, std::size_t& i) {
  char32_t code = static_cast<char32_t>(text[i++]);
  if (sizeof(wchar_t) == 2 && IsHighSurrogate(code) && i < text.size() &&
      IsLowSurrogate(static_cast<char32_t>(text[i]))) {
    code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<char32_t>(text[i++]) - 0xDC00);
  }
  return code;
}

inline bool IsCodePoint(char32_t code) {
  return !IsHighSurrogate(code) && !IsLowSurrogate(code) && code <= 0x10FFFF;
}

// The code points of a wide text; nothing when it holds a lone surrogate.
inline std::optional<std::u32string> CodePoints(const std::wstring& text) {
  std::u32string codes;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t code = Next(text, i);
    if (!IsCodePoint(code)) return std::nullopt;
    codes.push_back(code);
  }
  return codes;
}

// A lone surrogate, which no text of the kit's holds, becomes U+FFFD.
inline std::string Encode(const std::wstring& text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size();) {
    const char32_t code = Next(text, i);
    Append(bytes, IsCodePoint(code) ? code : 0xFFFD);
  }
  return bytes;
}

// Strict: no overlong forms, no surrogates, nothing past U+10FFFF, nothing cut short.
inline std::optional<std::wstring> Decode(std::string_view bytes) {
  std::wstring text;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || i + length > bytes.size()) return std::nullopt;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      if ((byte(i + k) & 0xC0) != 0x80) return std::nullopt;
      code = (code << 6) | (byte(i + k) & 0x3F);
    }
    static constexpr std::array<char32_t, 5> kShortest = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kShortest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
      return std::nullopt;
    }
    if (sizeof(wchar_t) == 2 && code >= 0x10000) {
      text.push_back(static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10)));
      text.push_back(static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      text.push_back(static_cast<wchar_t>(code));
    }
    i += length;
  }
  return text;
}

}  // namespace tolvane::utf8
