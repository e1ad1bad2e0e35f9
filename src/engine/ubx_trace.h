#pragma once

#include <string>

#include "engine/ubx_parser.h"

namespace orvane {

// The rest of the `ubx` trace line of a verified frame, read by tools:
//   CLASS ID LENGTH [clkD=.. fAcc=.. | numCh=.. chn/flags/cno.. | utc=.. nano=.. valid=..]
// A message too short for its fields gets only the header part.
std::string UbxTraceText(const UbxFrame& frame);

}  // namespace orvane
