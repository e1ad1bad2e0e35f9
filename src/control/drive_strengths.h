#pragma once

namespace orvane {

// Output 1's drive strengths in mA, in the order of the device's drive index.
inline constexpr int kDriveMilliamps[] = {8, 16, 24, 32};

}  // namespace orvane
