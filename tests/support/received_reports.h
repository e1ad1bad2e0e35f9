#pragma once

// What a simulated clock received, as the tests of clients of the service judge it.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <vector>

#include "protocol/cfg_msg.h"
#include "protocol/command_codes.h"
#include "protocol/commands.h"
#include "protocol/ubx_ids.h"
#include "sim/clock_device.h"

namespace orvane::testing_support {

// The reports that change the clock, from its `from`th on, in order: all but the receiver
// message switches and reference queries that connections and polls send.
inline std::vector<std::vector<std::uint8_t>> ChangesSince(const ClockDevice& device,
                                                           std::size_t from = 0) {
  std::vector<std::vector<std::uint8_t>> changes;
  std::copy_if(device.received().begin() + static_cast<std::ptrdiff_t>(from),
               device.received().end(), std::back_inserter(changes), [](const auto& report) {
                 return report[1] != command::kReceiverMessage &&
                        report[1] != command::kReferenceQuery;
               });
  return changes;
}

// Whether one of `reports` (feature reports a clock received) switched NAV-CLOCK or NAV-SVINFO
// off: what a client of the service must never do to it.
inline bool StatusMessagesSwitchedOff(const std::vector<std::vector<std::uint8_t>>& reports) {
  for (const auto& report : reports) {
    if (report[1] != command::kReceiverMessage) continue;
    const ReceiverMessage message = DecodeReceiverMessage(report);
    if (message.msg_class != kUbxClassCfg || message.msg_id != kUbxIdCfgMsg ||
        message.length > message.following.size()) {
      continue;
    }
    const std::optional<CfgMsg> rate = DecodeCfgMsg(message.following.first(message.length));
    if (rate && rate->msg_class == kUbxClassNav && rate->rate == 0 &&
        (rate->msg_id == kUbxIdNavClock || rate->msg_id == kUbxIdNavSvInfo)) {
      return true;
    }
  }
  return false;
}

}  // namespace orvane::testing_support
