#include "engine/holdover.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using std::chrono::seconds;

TEST(HoldoverWatch, BeginsWhenTheSignalGoesUnderLockAndEndsWithItsReturnOrTheLock) {
  constexpr bool Y = true;
  constexpr bool N = false;
  const struct {
    bool locked;
    bool signal;
    int duration_s;  // at the step's second
  } kSteps[] = {
      {Y, N, 0},                                   // acquiring after power-up: not holdover
      {Y, Y, 0}, {Y, N, 0}, {Y, N, 1}, {Y, N, 2},  // signal lost at 2 s
      {Y, Y, 0},                                   // back
      {Y, N, 0}, {N, N, 0}, {Y, N, 0},             // lock lost ends it, relocking does not resume
  };
  HoldoverWatch watch;
  for (int i = 0; i < static_cast<int>(std::size(kSteps)); ++i) {
    const auto& step = kSteps[i];
    watch.Observe(ReportStatus{.no_gnss_signal = !step.signal, .pll_not_locked = !step.locked},
                  seconds(i));
    EXPECT_EQ(watch.Duration(seconds(i)), seconds(step.duration_s)) << i;
    EXPECT_EQ(watch.active(), i >= 2 && i <= 4 || i == 6) << i;
  }
  watch.Observe(std::nullopt, seconds(20));
  EXPECT_FALSE(watch.active());
}

}  // namespace
}  // namespace orvane
