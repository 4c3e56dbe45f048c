// The launcher's settings (tools\config.txt) taken over from a kit folder setup did not trust
// into the new one the user installs into instead.
#pragma once

#include <optional>
#include <string>

namespace tolvane::kitsetup {

// The settings as the launcher writes them, two lines in the ANSI code page: the computer the
// wizard ran on and the Java home last set. Read as data only, since another account may have
// written them: nothing when the first line is empty, or either is longer than a path may be or
// holds a control character. The Java home is kept only where the launcher itself finds one, under
// C:\Program Files, which only administrators can change: the user may register it as JAVA_HOME
// for every program. What follows the two lines is left behind.
std::optional<std::string> CarriedSettings(const std::string& bytes);

}  // namespace tolvane::kitsetup
