#pragma once

#include <filesystem>

namespace orvane {

// What `--log-dir`, `--record-ubx` and `--log-keep` ask for.
struct LogSettings {
  std::filesystem::path dir;
  bool record_ubx = false;
  int keep_days = 30;
  bool operator==(const LogSettings&) const = default;
};

}  // namespace orvane
