#include "probe.h"

namespace tolvane {

bool WaitForMainPage(const std::function<bool()>& fetch_finds_marker,
                     const std::function<void(unsigned)>& pause) {
  for (unsigned attempt = 0; attempt < kMainPageAttempts; ++attempt) {
    pause(kMainPagePauseMs);
    if (fetch_finds_marker()) return true;
  }
  return false;
}

}  // namespace tolvane
