#pragma once

#include <stdexcept>
#include <string>

namespace orvane {

// orvanectl's exit status, one per class of outcome; scripts rely on these numbers.
enum class ExitCode : int {
  kDone = 0,
  kDeviceFailed = 1,  // a report refused or failed, a mismatch, a lost clock, no lock
  kBadInput = 2,      // bad usage or input: nothing was sent
  kNoClock = 3,       // no clock attached, or not the one asked for
  kCannotOpen = 4,    // attached, but it cannot be opened
};

// Ends a command with `code`; `what()` is the message for the user.
class CommandError : public std::runtime_error {
 public:
  CommandError(ExitCode code, const std::string& message)
      : std::runtime_error(message), code_(code) {}
  ExitCode code() const { return code_; }

 private:
  ExitCode code_;
};

}  // namespace orvane
