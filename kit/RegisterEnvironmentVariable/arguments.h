// The command line of the environment-variable tool: NAME "value". Kept free of Windows headers
// so that its rules are tested natively.
#pragma once

#include <string>

namespace tolvane::envtool {

enum class ArgumentError {
  kNone,
  kMissingName,   // nothing after the program's own name
  kBadName,       // the name holds '=' or a double quote
  kMissingValue,  // no value between two double quotes after the name
  kStrayText,     // something other than blanks around the quoted value
};

struct Arguments {
  ArgumentError error = ArgumentError::kNone;
  std::wstring name;
  std::wstring value;
};

// Parses the raw command line as GetCommandLineW gives it, the program part included. The program
// part ends at its closing double quote when it begins with one, else at the first blank. The name
// is the next blank-separated word; the value is the text between the first and the last double
// quote after it, as it stands, so `JAVA_HOME "C:\Java\"` keeps its trailing backslash.
Arguments ParseCommandLine(const std::wstring& command_line);

}  // namespace tolvane::envtool
