#include "body_scan.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvane {
namespace {

bool FoundInPieces(const std::string& needle, std::string_view body, std::size_t piece) {
  MarkerScanner scanner(needle);
  for (std::size_t start = 0; start < body.size(); start += piece) {
    scanner.Feed(body.substr(start, piece));
  }
  return scanner.found();
}

TEST(BodyScan, FindsTheMarkerSplitAnywhere) {
  const std::string body = "<html><title>Tolvane Flash Chat</title></html>";
  for (std::size_t piece = 1; piece <= body.size(); ++piece) {
    EXPECT_TRUE(FoundInPieces("Tolvane Flash Chat", body, piece)) << piece;
  }
}

TEST(BodyScan, NeedsTheWholeMarkerInItsCase) {
  EXPECT_FALSE(FoundInPieces("Tolvane Flash Chat", "tolvane flash chat", 3));
  EXPECT_FALSE(FoundInPieces("Tolvane Flash Chat", "Tolvane Flash Cha", 3));
  EXPECT_FALSE(FoundInPieces("Tolvane Flash Chat", "Tolvane Flash\nChat", 3));
}

TEST(BodyScan, RecoversFromPartialMatches) {
  // Each false start overlaps the real occurrence, where a naive restart would miss it.
  EXPECT_TRUE(FoundInPieces("aab", "aaab", 1));
  EXPECT_TRUE(FoundInPieces("abab", "abaabab", 2));
  EXPECT_TRUE(FoundInPieces("Tolvane Flash Chat", "Tolvane Tolvane Flash Chat", 4));
  EXPECT_TRUE(FoundInPieces("", "", 1));
}

TEST(BodyScan, CharsetParameter) {
  EXPECT_TRUE(CharsetIsUtf8("text/html; charset=UTF-8"));
  EXPECT_TRUE(CharsetIsUtf8("text/html;charset=utf8"));
  EXPECT_TRUE(CharsetIsUtf8("text/html; Charset = \"Utf-8\" ; level=1"));
  EXPECT_TRUE(CharsetIsUtf8("text/html; q=1; charset=uTF8"));
  EXPECT_FALSE(CharsetIsUtf8("text/html; charset=ISO-8859-1"));
  EXPECT_FALSE(CharsetIsUtf8("text/html; charset=utf-16"));
  EXPECT_FALSE(CharsetIsUtf8("text/html"));
  EXPECT_FALSE(CharsetIsUtf8("text/utf-8"));
  EXPECT_FALSE(CharsetIsUtf8(""));
}

TEST(BodyScan, EncodesTheMarkerInTheBodysCharset) {
  EXPECT_EQ(EncodeForBody(L"Tolvane Flash Chat", true), "Tolvane Flash Chat");
  EXPECT_EQ(EncodeForBody(L"Tolvane Flash Chat", false), "Tolvane Flash Chat");
  EXPECT_EQ(EncodeForBody(L"caf\u00e9", true), "caf\xc3\xa9");
  EXPECT_EQ(EncodeForBody(L"caf\u00e9", false), "caf\xe9");
  EXPECT_EQ(EncodeForBody(L"\u20ac \U0001F600", true), "\xe2\x82\xac \xf0\x9f\x98\x80");
  EXPECT_FALSE(EncodeForBody(L"\u20ac", false).has_value());
}

}  // namespace
}  // namespace tolvane
