// The environment-variable tool's command line: NAME "value" after the program's own name.
#include "arguments.h"

#include <gtest/gtest.h>

namespace tolvane::envtool {
namespace {

constexpr wchar_t kProgram[] =
    L"\"C:\\Program Files\\Tolvane Chat\\tools\\RegisterEnvironmentVariable\\"
    L"RegisterEnvironmentVariable.exe\"";

Arguments Parse(const std::wstring& arguments) {
  return ParseCommandLine(std::wstring(kProgram) + arguments);
}

TEST(EnvironmentToolArguments, TakesNameAndQuotedValueAsTheyStand) {
  const struct {
    const wchar_t* arguments;
    const wchar_t* name;
    const wchar_t* value;
  } cases[] = {
      // As the launcher passes them through the shell.
      {L" JAVA_HOME \"C:\\Program Files\\Java\\jre6\"", L"JAVA_HOME",
       L"C:\\Program Files\\Java\\jre6"},
      // The closing quote after a trailing backslash ends the value; the backslash stays.
      {L" JAVA_HOME \"C:\\Java\\\"", L"JAVA_HOME", L"C:\\Java\\"},
      {L" JAVA_HOME \"\"", L"JAVA_HOME", L""},
      // The shell puts two blanks when the parameters begin with one; tabs count as blanks.
      {L"  JAVA_HOME\t\"C:\\Java\"  ", L"JAVA_HOME", L"C:\\Java"},
      // Quotes inside are part of the value: the first and the last quote delimit it.
      {L" GREETING \"say \"hi\" twice\"", L"GREETING", L"say \"hi\" twice"},
      {L" PATH_EXT \"%ProgramFiles%\\Java\"", L"PATH_EXT", L"%ProgramFiles%\\Java"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(c.arguments)));
    const Arguments parsed = Parse(c.arguments);
    EXPECT_EQ(parsed.error, ArgumentError::kNone);
    EXPECT_EQ(parsed.name, c.name);
    EXPECT_EQ(parsed.value, c.value);
  }
}

TEST(EnvironmentToolArguments, SkipsTheProgramPartQuotedOrNot) {
  Arguments parsed = ParseCommandLine(L"RegisterEnvironmentVariable.exe JAVA_HOME \"C:\\Java\"");
  EXPECT_EQ(parsed.error, ArgumentError::kNone);
  EXPECT_EQ(parsed.name, L"JAVA_HOME");

  // A quoted program path with blanks is one part, whatever follows the blanks inside it.
  parsed = ParseCommandLine(L"\"C:\\My Kit\\tool.exe\" JAVA_HOME \"C:\\Java\"");
  EXPECT_EQ(parsed.name, L"JAVA_HOME");
  EXPECT_EQ(parsed.value, L"C:\\Java");
}

TEST(EnvironmentToolArguments, RefusesWhatIsNotNameAndQuotedValue) {
  const struct {
    const wchar_t* arguments;
    ArgumentError error;
  } cases[] = {
      {L"", ArgumentError::kMissingName},
      {L"   ", ArgumentError::kMissingName},
      {L" JAVA_HOME", ArgumentError::kMissingValue},
      {L" JAVA_HOME C:\\Java", ArgumentError::kMissingValue},
      {L" JAVA_HOME \"C:\\Java", ArgumentError::kMissingValue},
      {L" JAVA=HOME \"C:\\Java\"", ArgumentError::kBadName},
      {L" \"JAVA HOME\" \"C:\\Java\"", ArgumentError::kBadName},
      {L" JAVA_HOME\"C:\\Java\"", ArgumentError::kBadName},
      {L" JAVA_HOME C:\\Program Files\\Java \"jre6\"", ArgumentError::kStrayText},
      {L" JAVA_HOME \"C:\\Java\" jre6", ArgumentError::kStrayText},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(c.arguments)));
    EXPECT_EQ(Parse(c.arguments).error, c.error);
  }
}

}  // namespace
}  // namespace tolvane::envtool
