// The few text operations the launcher applies to lines of its text files. Positions are 1-based,
// comparisons exact and case-sensitive, so that a position found in a lower-cased line can be used
// on the line as read.
#pragma once

#include <string>

namespace tolvane {

// Changes only the ASCII letters A to Z; every other character and the length stay.
std::wstring LowerCase(const std::wstring& text);

// The 1-based position of the first occurrence of `needle` in `haystack`; 0 when it does not occur
// or when either text is empty.
int Pos(const std::wstring& needle, const std::wstring& haystack);

// `count` characters from the 1-based position `start`. A start before the beginning starts at the
// first character; a start past the end or a negative count gives the empty text; a count longer
// than what is left takes what is left.
std::wstring Copy(const std::wstring& text, int start, int count);

// Everything up to and including the last backslash or colon; empty when the path has neither.
// A forward slash is no separator.
std::wstring ExtractFilePath(const std::wstring& path);

}  // namespace tolvane
