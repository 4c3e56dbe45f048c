// The readiness probe: after the servers are started, asks the web server for the chat's main
// page every half second until the page shows the chat, at most 16 times.
#pragma once

#include <chrono>
#include <functional>

namespace tolvane {

inline constexpr unsigned kMainPageAttempts = 16;
inline constexpr unsigned kMainPagePauseMs = 500;
inline constexpr wchar_t kMainPageMarker[] = L"Tolvane Flash Chat";

// The window hidden by the click on Start must come back, and the browser open, within 30 s of
// the click however the web server behaves: one that accepts and never answers, trickles a byte
// at a time or sends interim answers without end would otherwise hold every attempt for its full
// time-outs, 16 times over. So the attempts share one deadline, this long after the click; no
// pause and no fetch runs past it, which leaves the rest of the 30 s for showing the window and
// opening the browser. A server that answers each request within a second still gets all 16
// attempts (16 x 1.5 s), with seconds to spare for starting the servers before the probe.
inline constexpr std::chrono::milliseconds kMainPageWaitLimit{28000};

// The start sequence's shell calls come before the probe, and one of them can wait on a prompt of
// the shell (a program it cannot find, the warning for a program from a downloaded zip) past the
// deadline. The web server was only just started then, so the probe still makes its first attempt,
// after its pause, and gives that fetch this long: the window comes back soon after the prompt.
inline constexpr std::chrono::milliseconds kLateAttemptFetchLimit{2000};

using ProbeTime = std::chrono::steady_clock::time_point;

// At most kMainPageAttempts times: pause(kMainPagePauseMs), then fetch(deadline), which must not
// wait past the deadline; stops at the first fetch that finds the marker, and before a pause that
// would reach the deadline. The first attempt always runs: when it starts that late, its fetch gets
// kLateAttemptFetchLimit after the pause instead. Returns whether a fetch found it. Failures of
// the fetch count as "not found".
bool WaitForMainPage(ProbeTime deadline, const std::function<bool(ProbeTime)>& fetch_finds_marker,
                     const std::function<void(unsigned)>& pause,
                     const std::function<ProbeTime()>& now = std::chrono::steady_clock::now);

}  // namespace tolvane
