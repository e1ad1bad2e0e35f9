#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "device/hid/hid_backend.h"
#include "device/monotonic_clock.h"
#include "engine/device_link.h"
#include "hil/stream_frame_log.h"
#include "protocol/config_report.h"

namespace orvane {

struct HilClientOptions {
  std::string serial = "G60031";
  std::string new_serial = "G60077";
  pid_t unplug_pid = 0;  // the device server; SIGUSR1 unplugs its device
  std::chrono::seconds stream_time{4};
};

// Drives a clock over a real HID stack the way the program does, through the device link: finds
// it, checks its report lengths, fetches its configuration, sends every command, reads the
// receiver stream, follows it to its new serial and sees it unplugged. Writes "HIL PASS <step>"
// or "HIL FAIL <step>" lines to `out`; stops at the first failure.
class HilClient {
 public:
  HilClient(HidBackend& backend, TraceLog& trace, MonotonicClock& clock, StreamFrameLog& frames,
            std::ostream& out, HilClientOptions options);

  bool Run();

 private:
  bool Check(bool ok, std::string_view step, const std::string& detail);
  std::optional<HidDeviceInfo> WaitForDevice(const std::string& serial);
  bool Open(const std::string& serial);
  bool FetchConfiguration(std::string_view step, DeviceConfiguration& config);
  bool SendCommands(const DeviceConfiguration& stored);
  bool ReadStream();
  bool WaitForReadFailure(std::string_view step);
  bool ChangeSerial();
  bool SleepAndUnplug();

  HidBackend& backend_;
  DeviceLink link_;
  MonotonicClock& clock_;
  StreamFrameLog& frames_;
  std::ostream& out_;
  const HilClientOptions options_;
};

}  // namespace orvane
