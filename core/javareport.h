// Java runtime detection: runs the kit's Java test script and reads its report for the version
// lines shown to the user and the Java home directory that can be registered as JAVA_HOME.
#pragma once

#include <functional>
#include <string>

#include "files.h"

namespace tolvane {

struct JavaDetection {
  // The report's version lines, each followed by CR LF; empty when no Java was found.
  std::wstring JavaInfo;
  // The Java home as the report writes it; empty unless it lies under "c:\program files".
  std::wstring DetectedJavaHome;
};

// Clears both results, deletes a report left from an earlier run, runs `app_dir` +
// "tools\javatest.bat" through `run_and_wait` (its result is not used) and reads the report it
// wrote. A missing report, one of another shape or an error while reading ends the detection
// silently, keeping whatever was gathered so far.
void DetectJava(FileSystem& file_system,
                const std::function<int(const std::wstring&)>& run_and_wait,
                const std::wstring& app_dir, JavaDetection& result);

}  // namespace tolvane
