// What every stand-in of the kit does first: append one line saying how it was called, so that
// end-to-end tests can check what the launcher started, where and with which arguments.
#pragma once

#include <string>

namespace tolvane::standin {

// Full path of the running program.
std::wstring ModulePath();

// Directory of the running program, with its trailing backslash.
std::wstring ModuleDirectory();

// Appends `role|current directory|command line` and CR LF, in UTF-8, to the file that the
// environment variable TOLVANE_STANDIN_LOG names, else to standins.log beside the program.
// A stand-in plays its part even when the line can not be written.
void Record(const std::wstring& role);

}  // namespace tolvane::standin
