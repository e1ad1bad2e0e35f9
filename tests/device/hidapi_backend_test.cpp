#include "device/hid/hidapi_backend.h"

#include <gtest/gtest.h>

#include "device/device_ids.h"

namespace orvane {
namespace {

// This machine has no clock attached; these check the backend's behaviour without one.

TEST(HidapiBackend, FindsNoClockDevicesHere) {
  HidapiBackend backend;
  EXPECT_TRUE(backend.Enumerate(kVendorId, kProductIds).empty());
}

TEST(HidapiBackend, OpeningAMissingPathReportsNotFound) {
  HidapiBackend backend;
  OpenError error = OpenError::kNone;
  EXPECT_EQ(backend.Open("/dev/hidraw-orvane-missing", &error), nullptr);
  EXPECT_EQ(error, OpenError::kNotFound);
}

}  // namespace
}  // namespace orvane
