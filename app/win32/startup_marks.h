// Time marks of the launcher's start-up, for the start-up benchmark's build of it
// (TOLVANE_STARTUP_MARKS): each mark prints to standard error the milliseconds since the one
// before, the first since the process was created. In the product they are nothing.
#pragma once

#ifdef TOLVANE_STARTUP_MARKS
#include <windows.h>

#include <cstdio>

namespace tolvane {

inline double StartupClockMs() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return (static_cast<double>(now.dwHighDateTime) * 4294967296.0 + now.dwLowDateTime) / 10000.0;
}

inline void StartupMark(const char* what) {
  static double last = 0;
  if (last == 0) {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    last = (static_cast<double>(created.dwHighDateTime) * 4294967296.0 + created.dwLowDateTime) /
           10000.0;
  }
  const double now = StartupClockMs();
  std::fprintf(stderr, "%-32s %8.2f ms\n", what, now - last);
  last = now;
}

}  // namespace tolvane
#else
namespace tolvane {

inline void StartupMark(const char*) {}

}  // namespace tolvane
#endif
