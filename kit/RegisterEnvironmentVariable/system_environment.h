// Writing a variable into the machine's environment, the one every user's programs inherit.
#pragma once

#include <windows.h>

#include <string>

namespace tolvane::envtool {

// Sets `name` to `value` under HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment
// (REG_EXPAND_SZ when the value refers to other variables with '%', else REG_SZ) and tells the
// running programs that the environment changed. Returns ERROR_SUCCESS or the Win32 error code.
DWORD SetSystemEnvironmentVariable(const std::wstring& name, const std::wstring& value);

}  // namespace tolvane::envtool
