// The readiness probe: after the servers are started, asks the web server for the chat's main
// page every half second until the page shows the chat, at most 16 times.
#pragma once

#include <functional>

namespace tolvane {

inline constexpr unsigned kMainPageAttempts = 16;
inline constexpr unsigned kMainPagePauseMs = 500;
inline constexpr wchar_t kMainPageMarker[] = L"Tolvane Flash Chat";

// At most kMainPageAttempts times: pause(kMainPagePauseMs), then fetch; stops at the first fetch
// that finds the marker. Returns whether one did. Failures of the fetch count as "not found".
bool WaitForMainPage(const std::function<bool()>& fetch_finds_marker,
                     const std::function<void(unsigned)>& pause);

}  // namespace tolvane
