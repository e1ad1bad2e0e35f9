#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/app.h"
#include "device/hid/forwarding_backend.h"
#include "device/monotonic_clock.h"
#include "sim/simulated_backend.h"

namespace orvane {

using Reports = std::vector<std::vector<std::uint8_t>>;

// orvanectl run in-process on simulated clocks and a manual clock: nothing sleeps, and every
// report a clock received can be inspected. `--sim-ubx` goes through the program's own backend
// choice, on the same manual clock.
class CliTest : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> args) {
    out_.str("");
    err_.str("");
    const CliEnvironment environment{
        .clock = clock_,
        .out = out_,
        .err = err_,
        .make_backend = [this](const BackendRequest& request, TraceLog& trace,
                               std::string& error) -> std::unique_ptr<HidBackend> {
          if (!request.sim_ubx.empty()) return MakeBackend(request, clock_, trace, error);
          return std::make_unique<ForwardingHidBackend>(decorated_ ? *decorated_ : backend_);
        },
        .watch_stop = [this] { return stop_; },
        .share_map = share_map_,
    };
    return RunOrvanectl(args, environment);
  }

  // Feature reports clock `index` received, without the receiver-message switches and reference
  // queries every connection brings.
  Reports Commands(std::size_t index = 0) {
    Reports commands;
    for (const auto& report : backend_.device(index).received()) {
      if (report[1] != 8 && report[1] != 10) commands.push_back(report);
    }
    return commands;
  }

  ManualClock clock_;
  SimulatedBackend backend_{clock_};
  HidBackend* decorated_ = nullptr;  // set: the clocks as a decorator of backend_ shows them
  std::ostringstream out_;
  std::ostringstream err_;
  std::function<bool()> stop_ = [] { return false; };
  std::string share_map_ = "/nonexistent/ubx-share";
};

// A report of `length` bytes: `head` followed by zeros.
inline std::vector<std::uint8_t> Report(std::initializer_list<std::uint8_t> head,
                                        std::size_t length = 64) {
  std::vector<std::uint8_t> report(head);
  report.resize(length, 0);
  return report;
}

}  // namespace orvane
