#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "device/hid/input_report_queue.h"
#include "device/monotonic_clock.h"
#include "hil/stream_frame_log.h"
#include "sim/clock_device.h"

namespace orvane {

// Serves one simulated clock on /dev/uhid, so that the kernel's HID core and hidraw see it as a
// device on USB: created while the model is on the bus (again under its new serial after the
// serial-number command), destroyed when it leaves. Feature reports go to the model, input
// reports come from it as its clock says they are due.
class UhidClockServer {
 public:
  // `log` gets one line per event: "create SERIAL", "destroy", "set HEX" and "get HEX" for every
  // feature report exchanged (HEX as the trace writes it), "violation TEXT". `frames` gets the
  // frames of every input report written.
  UhidClockServer(ClockDevice& device, MonotonicClock& clock, std::ostream& log,
                  StreamFrameLog& frames);
  ~UhidClockServer();

  // Serves until `stop` returns true (checked at least every 10 ms). False, with the reason in
  // `error`, when /dev/uhid cannot be used.
  bool Run(const std::function<bool()>& stop, std::string& error);

 private:
  bool Create(std::string& error);
  void Destroy();
  bool HandleEvent(std::string& error);
  void ReplyGet(std::uint32_t id, std::uint8_t report_number, bool feature);
  void ReplySet(std::uint32_t id, const std::uint8_t* data, std::size_t size);
  void WriteDueInputReports();
  bool WriteEvent(const void* event, std::size_t size);

  ClockDevice& device_;
  MonotonicClock& clock_;
  std::ostream& log_;
  StreamFrameLog& frames_;
  int fd_ = -1;
  bool created_ = false;
  std::uint64_t connection_ = 0;
  std::chrono::nanoseconds last_reply_at_{0};
  std::shared_ptr<InputReportQueue> input_;
  std::size_t violations_logged_ = 0;
};

}  // namespace orvane
