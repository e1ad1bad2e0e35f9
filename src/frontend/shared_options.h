#pragma once

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

namespace orvane {

// `arguments` with a bare `--simulate` written as `--simulate=1`: neither option parser in use
// knows optional values, and the bare form means one clock in every front end.
std::vector<std::string> WithBareSimulate(std::vector<std::string> arguments);

// Where `--trace PATH` sends the trace: standard error for "-", the file PATH otherwise, nowhere
// when PATH is empty. Keeps the file open for as long as it lives.
class TraceTarget {
 public:
  // False, with the program's message in `error`, when the file cannot be written.
  bool Open(const std::string& path, std::ostream& standard_error, std::string& error);
  std::ostream* stream() const { return stream_; }

 private:
  std::ofstream file_;
  std::ostream* stream_ = nullptr;
};

}  // namespace orvane
