#include "probe.h"

namespace tolvane {

bool WaitForMainPage(ProbeTime deadline, const std::function<bool(ProbeTime)>& fetch_finds_marker,
                     const std::function<void(unsigned)>& pause,
                     const std::function<ProbeTime()>& now) {
  for (unsigned attempt = 0; attempt < kMainPageAttempts; ++attempt) {
    if (now() + std::chrono::milliseconds(kMainPagePauseMs) >= deadline) return false;
    pause(kMainPagePauseMs);
    if (fetch_finds_marker(deadline)) return true;
  }
  return false;
}

}  // namespace tolvane
