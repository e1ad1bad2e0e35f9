// orvane-uhid-sim: the simulated clock on /dev/uhid, for tests that go through the kernel.
//
//   orvane-uhid-sim [--serial SERIAL] [--frames FILE]
//
// The log (one line per event) goes to standard output. SIGUSR1 unplugs the device; SIGTERM
// and SIGINT end the program, which destroys the device first.

#include <csignal>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "hil/uhid_clock_server.h"

namespace {

volatile std::sig_atomic_t unplug_requested = 0;
volatile std::sig_atomic_t exit_requested = 0;

void OnUnplug(int) { unplug_requested = 1; }
void OnExit(int) { exit_requested = 1; }

void Handle(int signal_number, void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigaction(signal_number, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  orvane::ClockDeviceOptions options;
  std::string frames_path = "/dev/null";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view option = argv[i];
    if (option == "--serial") {
      options.serial = argv[i + 1];
    } else if (option == "--frames") {
      frames_path = argv[i + 1];
    } else {
      std::cerr << "usage: orvane-uhid-sim [--serial SERIAL] [--frames FILE]\n";
      return 2;
    }
  }
  std::ofstream frames_file(frames_path);
  Handle(SIGUSR1, OnUnplug);
  Handle(SIGTERM, OnExit);
  Handle(SIGINT, OnExit);

  orvane::SteadyClock clock;
  orvane::ClockDevice device(options, clock);
  orvane::StreamFrameLog frames(frames_file);
  orvane::UhidClockServer server(device, clock, std::cout, frames);
  std::string error;
  const bool served = server.Run(
      [&] {
        if (unplug_requested && device.present()) {
          device.Unplug();
          std::cout << "unplug\n" << std::flush;
        }
        return exit_requested != 0;
      },
      error);
  if (!served) {
    std::cerr << "orvane-uhid-sim: " << error << '\n';
    return 1;
  }
  return 0;
}
