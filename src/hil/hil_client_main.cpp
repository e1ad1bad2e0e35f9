// orvane-hil-client: the program's device layer against a clock on the kernel's HID stack.
//
//   orvane-hil-client --serial S --new-serial S --unplug-pid PID --frames FILE --trace FILE
//
// Prints "HIL PASS/FAIL <step>" lines and "HIL CLIENT PASS" or "HIL CLIENT FAIL" last; exits
// non-zero on failure.

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string_view>

#include "device/hid/hidapi_backend.h"
#include "device/hid/locking_backend.h"
#include "device/hid/tracing_backend.h"
#include "hil/hil_client.h"

int main(int argc, char** argv) {
  orvane::HilClientOptions options;
  std::string frames_path = "/dev/null";
  std::string trace_path = "/dev/null";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view option = argv[i];
    const char* value = argv[i + 1];
    if (option == "--serial") {
      options.serial = value;
    } else if (option == "--new-serial") {
      options.new_serial = value;
    } else if (option == "--unplug-pid") {
      options.unplug_pid = static_cast<pid_t>(std::atoi(value));
    } else if (option == "--frames") {
      frames_path = value;
    } else if (option == "--trace") {
      trace_path = value;
    } else {
      std::cerr << "orvane-hil-client: unknown option " << option << '\n';
      return 2;
    }
  }
  std::ofstream frames_file(frames_path);
  std::ofstream trace_file(trace_path);
  orvane::SteadyClock clock;
  orvane::TraceLog trace(&trace_file, clock);
  orvane::HidapiBackend hidapi(&trace);
  orvane::LockingBackend locked(hidapi, orvane::DefaultLockDirectory());
  orvane::TracingBackend backend(locked, trace);
  orvane::StreamFrameLog frames(frames_file);
  orvane::HilClient client(backend, trace, clock, frames, std::cout, options);
  const bool passed = client.Run();
  std::cout << "HIL CLIENT " << (passed ? "PASS" : "FAIL") << std::endl;
  return passed ? 0 : 1;
}
