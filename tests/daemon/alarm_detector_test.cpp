#include "daemon/alarm_detector.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

// "event: detail" of each alarm, comma-separated.
std::string Text(const std::vector<Alarm>& alarms) {
  std::string text;
  for (const Alarm& alarm : alarms) {
    text +=
        (text.empty() ? "" : ", ") + std::string(AlarmEventName(alarm.event)) + ": " + alarm.detail;
  }
  return text;
}

TEST(AlarmDetector, RaisesEachChangeOnceAndNothingForTheFirstStateSeen) {
  constexpr bool Y = true, N = false;
  const struct {
    bool connected;
    bool locked;
    std::uint8_t losses;  // odd: no signal now
    std::int32_t f_acc;   // ps/s
    int silent_s;
    const char* alarms;
    int time_silent_s = 0;  // since the last NAV-TIMEUTC
    bool holdover = false;
  } kSteps[] = {
      {Y, N, 1, 50'000, 0, ""},  // unlocked, no signal, 50 ppb: taken as it is
      {Y, N, 1, 50'000, 0, ""},
      {Y, Y, 2, 50'000, 0, "lock_regained: PLL locked, signal_regained: signal loss count 2"},
      {Y, Y, 2, 4'000, 0, "accuracy_good: offset accuracy 4 ppb <= 10 ppb"},
      {Y, Y, 2, 12'300, 0, "accuracy_poor: offset accuracy 12.3 ppb > 10 ppb"},
      {Y, N, 3, 12'300, 0, "lock_lost: PLL not locked, signal_lost: signal loss count 3"},
      {Y, N, 3, 12'300, 10, "no_data: no receiver message for 10 s"},
      {Y, N, 3, 12'300, 11, ""},
      {Y, N, 3, 12'300, 0, "data_back: receiver messages again"},
      {N, Y, 4, 1'000, 60, "device_gone: link lost"},  // the rest stays quiet meanwhile
      {N, Y, 4, 1'000, 90, ""},
      {Y, N, 3, 12'300, 0, "device_back: found again"},  // compared with the state before
      {Y, N, 3, 12'300, 10, "no_data: no receiver message for 10 s"},
      {N, N, 3, 12'300, 10, "device_gone: link lost"},
      {Y, N, 3, 12'300, 0, "device_back: found again"},  // a fresh 10 s, no data_back
      {Y, N, 3, 12'300, 0, "no_data: no NAV-TIMEUTC for 10 s", 10},
      {Y, N, 3, 12'300, 0, "data_back: receiver messages again"},
      {Y, Y, 3, 12'300, 0,
       "lock_regained: PLL locked, holdover_started: PLL locked without GNSS "
       "signal",
       0, Y},
      {Y, Y, 4, 12'300, 0,
       "signal_regained: signal loss count 4, holdover_ended: GNSS signal "
       "back or PLL unlocked"},
  };
  AlarmDetector detector(10.0);
  AlarmDetector accuracy_unwatched(std::nullopt);
  for (std::size_t i = 0; i < std::size(kSteps); ++i) {
    SCOPED_TRACE(i);
    const auto& step = kSteps[i];
    const ClockObservation seen{step.connected,
                                ReportStatus{step.losses, step.losses % 2 == 1, !step.locked},
                                step.f_acc,
                                std::chrono::seconds(step.silent_s),
                                std::chrono::seconds(step.time_silent_s),
                                step.holdover};
    EXPECT_EQ(Text(detector.Observe(seen)), step.alarms);
    EXPECT_EQ(Text(accuracy_unwatched.Observe(seen)).find("accuracy_"), std::string::npos);
  }
}

}  // namespace
}  // namespace orvane
