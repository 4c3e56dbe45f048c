#include <array>

#include "codepage.h"

namespace tolvane {
namespace {

// Windows-1252: bytes 0x80..0x9F map to these characters; the five holes map to the C1 controls
// of the same code, as Windows' own conversion does. Every other byte is its Latin-1 character.
constexpr std::array<wchar_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

wchar_t ByteToChar(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return static_cast<wchar_t>(byte);
}

char CharToByte(wchar_t ch) {
  if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<char>(ch);
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == ch) return static_cast<char>(0x80 + i);
  }
  return '?';
}

}  // namespace

std::wstring AnsiToWide(const std::string& bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  for (char byte : bytes) text.push_back(ByteToChar(static_cast<unsigned char>(byte)));
  return text;
}

std::string WideToAnsi(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (wchar_t ch : text) bytes.push_back(CharToByte(ch));
  return bytes;
}

}  // namespace tolvane
