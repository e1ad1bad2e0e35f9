#pragma once

#include <map>
#include <mutex>
#include <string>

#include "daemon/clock_reading.h"

namespace orvane {

// The latest reading of every clock, handed from the poll loop to the HTTP threads.
class MetricsBoard {
 public:
  void Publish(ClockReading reading);
  // The clock left: its series leave the output.
  void Remove(const std::string& serial);
  // The metrics text of every clock, in serial order.
  std::string Text() const;

 private:
  mutable std::mutex mutex_;
  std::map<std::string, ClockReading> readings_;
};

}  // namespace orvane
