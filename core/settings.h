// The machine settings file: on which computer the wizard was last completed and which Java home
// was last set. Two lines, "ComputerName" then "JavaHome", each as it stands, in the ANSI code
// page.
#pragma once

#include <string>

#include "files.h"

namespace tolvane {

struct TMachineSettings {
  std::wstring ComputerName;
  std::wstring JavaHome;
};

// Sets ComputerName to "unknown" and leaves JavaHome as passed, then, if the file exists, reads
// line 1 into ComputerName and line 2 into JavaHome. Errors are swallowed: the fields read before
// one keep their new values. A missing line reads as the empty text.
void LoadSettings(FileSystem& file_system, const std::wstring& path, TMachineSettings& settings);

// Writes both lines to a temporary file beside `path`, flushes it and puts it in the place of
// `path` in one step, so that a crash or a full disk leaves the old file, never a truncated one.
// Errors are swallowed; the temporary file is removed when the save fails.
void SaveSettings(FileSystem& file_system, const std::wstring& path,
                  const TMachineSettings& settings);

}  // namespace tolvane
