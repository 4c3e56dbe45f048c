#include "text.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

TEST(LowerCase, ChangesOnlyAsciiCapitals) {
  EXPECT_EQ(LowerCase(L"C:\\Program Files\\JAVA"), L"c:\\program files\\java");
  // Letters outside A to Z keep their case, so positions in the result match the original.
  EXPECT_EQ(LowerCase(L"\u00C4\u0130\u0178@[`{Z"), L"\u00C4\u0130\u0178@[`{z");
  EXPECT_EQ(LowerCase(L""), L"");
}

TEST(Pos, FindsTheFirstOccurrenceOneBased) {
  EXPECT_EQ(Pos(L"ab", L"ab"), 1);
  EXPECT_EQ(Pos(L"ab", L"xxabab"), 3);
  EXPECT_EQ(Pos(L"b", L"aaab"), 4);
}

TEST(Pos, IsZeroWhenAbsentOrEitherIsEmpty) {
  EXPECT_EQ(Pos(L"", L"abc"), 0);
  EXPECT_EQ(Pos(L"a", L""), 0);
  EXPECT_EQ(Pos(L"", L""), 0);
  EXPECT_EQ(Pos(L"abcd", L"abc"), 0);
  EXPECT_EQ(Pos(L"Java", L"java version"), 0);
}

TEST(Copy, ClampsStartAndCount) {
  const std::wstring text = L"abcdef";
  EXPECT_EQ(Copy(text, 2, 3), L"bcd");
  EXPECT_EQ(Copy(text, 1, 6), L"abcdef");
  EXPECT_EQ(Copy(text, 6, 1), L"f");
  // A start before the beginning starts at the first character with the count unchanged.
  EXPECT_EQ(Copy(text, 0, 2), L"ab");
  EXPECT_EQ(Copy(text, -5, 3), L"abc");
  // A count longer than what is left takes what is left.
  EXPECT_EQ(Copy(text, 4, 100), L"def");
  EXPECT_EQ(Copy(text, 2, 2147483647), L"bcdef");
}

TEST(Copy, GivesEmptyPastTheEndOrForNegativeCount) {
  EXPECT_EQ(Copy(L"abc", 4, 1), L"");
  EXPECT_EQ(Copy(L"abc", 2147483647, 2147483647), L"");
  EXPECT_EQ(Copy(L"abc", 1, -1), L"");
  EXPECT_EQ(Copy(L"abc", 2, 0), L"");
  EXPECT_EQ(Copy(L"", 1, 1), L"");
}

TEST(ExtractFilePath, KeepsUpToTheLastBackslashOrColonOnly) {
  EXPECT_EQ(ExtractFilePath(L"C:\\kit\\tools\\javatest.bat"), L"C:\\kit\\tools\\");
  EXPECT_EQ(ExtractFilePath(L"C:javatest.bat"), L"C:");
  EXPECT_EQ(ExtractFilePath(L"C:\\kit\\"), L"C:\\kit\\");
  EXPECT_EQ(ExtractFilePath(L"\\\\server\\share\\a:b"), L"\\\\server\\share\\a:");
  // Empty without a separator; a forward slash is none.
  EXPECT_EQ(ExtractFilePath(L"javatest.bat"), L"");
  EXPECT_EQ(ExtractFilePath(L"kit/tools/javatest.bat"), L"");
  EXPECT_EQ(ExtractFilePath(L"C:\\kit/tools/javatest.bat"), L"C:\\");
  EXPECT_EQ(ExtractFilePath(L""), L"");
}

}  // namespace
}  // namespace tolvane
