#include "probe.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolvane {
namespace {

// Records the probe's pauses and fetches in the order they happen.
struct Recorder {
  std::vector<std::string> events;
  unsigned found_on = 0;  // the fetch that finds the marker, 1-based; 0: never

  bool Run() {
    return WaitForMainPage(
        [this] {
          events.push_back("fetch");
          return std::count(events.begin(), events.end(), "fetch") == found_on;
        },
        [this](unsigned ms) { events.push_back("pause " + std::to_string(ms)); });
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
}

TEST(Probe, StopsAtTheFirstFind) {
  Recorder recorder;
  recorder.found_on = 1;
  EXPECT_TRUE(recorder.Run());
  EXPECT_EQ(recorder.events, recorder.Expected(1));

  Recorder later;
  later.found_on = 5;
  EXPECT_TRUE(later.Run());
  EXPECT_EQ(later.events, later.Expected(5));
}

TEST(Probe, FindsOnTheLastAttempt) {
  Recorder recorder;
  recorder.found_on = 16;
  EXPECT_TRUE(recorder.Run());
  EXPECT_EQ(recorder.events, recorder.Expected(16));
}

}  // namespace
}  // namespace tolvane
