#include "daemon/offset_through_service.h"

#include <gtest/gtest.h>

#include "support/running_service.h"

namespace orvane {
namespace {

TEST(OffsetThroughService, EstimatesFromTheServicesStreamAndOnlyWhereOneServes) {
  SteadyClock clock;
  TraceLog trace(nullptr, clock);
  const auto never = [] { return false; };
  SampleGateSettings gate;
  gate.not_before = {};
  gate.max_time_error = std::chrono::seconds(1);  // the simulated receiver's first fixes too
  EXPECT_FALSE(EstimateOffsetsThroughService("/nonexistent/control", std::chrono::seconds(1), gate,
                                             clock, trace, never));

  testing_support::RunningService service;
  ASSERT_TRUE(service.WaitServing("G60031"));
  const auto estimates = EstimateOffsetsThroughService(service.socket(), std::chrono::seconds(6),
                                                       gate, clock, trace, never);
  ASSERT_TRUE(estimates);
  ASSERT_EQ(estimates->count("G60031"), 1u);
  const OffsetEstimate& estimate = estimates->at("G60031");
  EXPECT_GE(estimate.count(), 2u);
  // The simulated receiver's UTC is the host's: offsets of a transport's delay, no more.
  EXPECT_LT(std::abs(estimate.mean()), 0.5);
}

}  // namespace
}  // namespace orvane
