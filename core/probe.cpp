#include "probe.h"

namespace tolvane {

bool WaitForMainPage(ProbeTime deadline, const std::function<bool(ProbeTime)>& fetch_finds_marker,
                     const std::function<void(unsigned)>& pause,
                     const std::function<ProbeTime()>& now) {
  const std::chrono::milliseconds pause_time(kMainPagePauseMs);
  for (unsigned attempt = 0; attempt < kMainPageAttempts; ++attempt) {
    ProbeTime fetch_deadline = deadline;
    if (now() + pause_time >= deadline) {
      if (attempt > 0) return false;
      fetch_deadline = now() + pause_time + kLateAttemptFetchLimit;
    }
    pause(kMainPagePauseMs);
    if (fetch_finds_marker(fetch_deadline)) return true;
  }
  return false;
}

}  // namespace tolvane
