// Conversions between the launcher's Unicode texts and 8-bit text in the active ANSI code page.
// Windows converts with CP_ACP; the native build uses Windows-1252, the common Western code page.
#pragma once

#include <string>

namespace tolvane {

std::wstring AnsiToWide(const std::string& bytes);

// Characters the code page can not represent become '?'.
std::string WideToAnsi(const std::wstring& text);

}  // namespace tolvane
