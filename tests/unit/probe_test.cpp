#include "probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace tolvane {
namespace {

using std::chrono::milliseconds;

// Records the probe's pauses and fetches in the order they happen, on a fake clock: a pause takes
// its time, a fetch `fetch_ms` (a server that answers that fast, or stalls for that long) but
// never beyond the deadline it was given, as the HTTP component promises.
struct Recorder {
  std::vector<std::string> events;
  unsigned found_on = 0;  // the fetch that finds the marker, 1-based; 0: never
  milliseconds fetch_ms{0};
  ProbeTime clock{};
  ProbeTime deadline = clock + kMainPageWaitLimit;
  std::optional<ProbeTime> fetch_deadline;  // what each fetch is given; unset: the deadline

  bool Run() {
    return WaitForMainPage(
        deadline,
        [this](ProbeTime until) {
          EXPECT_EQ(until, fetch_deadline.value_or(deadline));
          events.push_back("fetch");
          clock = std::min(clock + fetch_ms, until);
          return std::count(events.begin(), events.end(), "fetch") == found_on;
        },
        [this](unsigned ms) {
          events.push_back("pause " + std::to_string(ms));
          clock += milliseconds(ms);
        },
        [this] { return clock; });
  }

  std::vector<std::string> Expected(unsigned attempts) const {
    std::vector<std::string> expected;
    for (unsigned i = 0; i < attempts; ++i) {
      expected.push_back("pause 500");
      expected.push_back("fetch");
    }
    return expected;
  }
};

TEST(Probe, GivesUpAfterSixteenPausedAttempts) {
  Recorder recorder;
  EXPECT_FALSE(recorder.Run());
  EXPECT_EQ(recorder.events, recorder.Expected(16));

  // A server that takes a second to answer each request still gets every attempt.
  Recorder slow;
  slow.fetch_ms = milliseconds(1000);
  EXPECT_FALSE(slow.Run());
  EXPECT_EQ(slow.events, slow.Expected(16));
}

TEST(Probe, StopsAtTheFirstFindUpToTheLastAttempt) {
  for (const unsigned found_on : {1u, 5u, 16u}) {
    Recorder recorder;
    recorder.found_on = found_on;
    EXPECT_TRUE(recorder.Run());
    EXPECT_EQ(recorder.events, recorder.Expected(found_on));
  }
}

// A server that holds each fetch for its full time-outs (silent: 5 s; trickling or sending
// interim answers without end: 10 s) ends the attempts by the deadline, not after 16 of them.
TEST(Probe, AServerThatHoldsEveryFetchEndsTheAttemptsByTheDeadline) {
  const std::vector<std::pair<int, unsigned>> cases = {{5000, 5}, {10000, 3}, {60000, 1}};
  for (const auto& [fetch_ms, attempts] : cases) {
    SCOPED_TRACE(fetch_ms);
    Recorder recorder;
    recorder.fetch_ms = milliseconds(fetch_ms);
    EXPECT_FALSE(recorder.Run());
    EXPECT_EQ(recorder.events, recorder.Expected(attempts));
    EXPECT_LE(recorder.clock, recorder.deadline);
  }
}

// A shell prompt in the start sequence can use up the time before the probe starts: the web
// server was only just started, so the first attempt still runs, its fetch with a short limit of
// its own, and no second one follows.
TEST(Probe, AProbeThatStartsAfterTheDeadlineStillMakesOneAttempt) {
  // Its pause would end at the deadline; the deadline has come; it passed long ago.
  for (const milliseconds late_by :
       {-milliseconds(kMainPagePauseMs), milliseconds(0), milliseconds(20000)}) {
    SCOPED_TRACE(late_by.count());
    Recorder recorder;
    recorder.deadline = recorder.clock - late_by;
    recorder.fetch_deadline =
        recorder.clock + milliseconds(kMainPagePauseMs) + kLateAttemptFetchLimit;
    recorder.fetch_ms = milliseconds(60000);
    EXPECT_FALSE(recorder.Run());
    EXPECT_EQ(recorder.events, recorder.Expected(1));
    EXPECT_EQ(recorder.clock, *recorder.fetch_deadline);
  }
}

}  // namespace
}  // namespace tolvane
