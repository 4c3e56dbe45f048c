#include "arguments.h"

namespace tolvane::envtool {
namespace {

bool IsBlank(wchar_t ch) { return ch == L' ' || ch == L'\t'; }

std::size_t SkipBlanks(const std::wstring& text, std::size_t pos) {
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return pos;
}

// Index just past the program's own name.
std::size_t EndOfProgramPart(const std::wstring& command_line) {
  if (!command_line.empty() && command_line[0] == L'"') {
    const std::size_t closing = command_line.find(L'"', 1);
    return closing == std::wstring::npos ? command_line.size() : closing + 1;
  }
  std::size_t pos = 0;
  while (pos < command_line.size() && !IsBlank(command_line[pos])) ++pos;
  return pos;
}

}  // namespace

Arguments ParseCommandLine(const std::wstring& command_line) {
  Arguments result;
  std::size_t pos = SkipBlanks(command_line, EndOfProgramPart(command_line));
  const std::size_t name_start = pos;
  while (pos < command_line.size() && !IsBlank(command_line[pos])) ++pos;
  result.name = command_line.substr(name_start, pos - name_start);
  if (result.name.empty()) {
    result.error = ArgumentError::kMissingName;
    return result;
  }
  if (result.name.find_first_of(L"=\"") != std::wstring::npos) {
    result.error = ArgumentError::kBadName;
    return result;
  }

  const std::size_t opening = command_line.find(L'"', pos);
  const std::size_t closing = command_line.rfind(L'"');
  if (opening == std::wstring::npos || closing == opening) {
    result.error = ArgumentError::kMissingValue;
    return result;
  }
  // Text outside the quotes is most likely a value that lost its quotes; refuse it rather than
  // register half of what the caller meant.
  if (SkipBlanks(command_line, pos) != opening ||
      SkipBlanks(command_line, closing + 1) != command_line.size()) {
    result.error = ArgumentError::kStrayText;
    return result;
  }
  result.value = command_line.substr(opening + 1, closing - opening - 1);
  return result;
}

}  // namespace tolvane::envtool
