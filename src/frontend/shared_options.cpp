#include "frontend/shared_options.h"

namespace orvane {

std::vector<std::string> WithBareSimulate(std::vector<std::string> arguments) {
  for (std::string& argument : arguments) {
    if (argument == "--simulate") argument = "--simulate=1";
  }
  return arguments;
}

bool TraceTarget::Open(const std::string& path, std::ostream& standard_error, std::string& error) {
  if (path == "-") {
    stream_ = &standard_error;
  } else if (!path.empty()) {
    file_.open(path);
    if (!file_) {
      error = "cannot write the trace to " + path;
      return false;
    }
    stream_ = &file_;
  }
  return true;
}

}  // namespace orvane
