#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "service/chrony_sample.h"

namespace orvane {

enum class ChronySocketState { kOk, kAbsent, kPermissionDenied, kOther };

// What a failed send's errno says about chronyd's socket.
ChronySocketState ChronySocketStateOf(int error);

// The log line for entering `state`, naming the cause and what fixes it; `error` is the errno
// of the failed send (unused for kOk).
std::string DescribeChronySocketState(ChronySocketState state, std::string_view path, int error);

// `--chrony-sock` for one clock: every `%s` in `path_template` becomes its serial, kept to one
// path component (PathComponentOf).
std::string ChronySocketPath(std::string_view path_template, std::string_view serial);

// Sends samples to the socket chronyd created for `refclock SOCK`. Never blocks: a sample that
// cannot go now is dropped. After a failure it tries again only every kRetryInterval.
class ChronySocket {
 public:
  static constexpr std::chrono::seconds kRetryInterval{5};

  // `now` is a monotonic clock.
  ChronySocket(std::string path, std::function<std::chrono::nanoseconds()> now);
  ~ChronySocket();
  ChronySocket(const ChronySocket&) = delete;
  ChronySocket& operator=(const ChronySocket&) = delete;

  // The log line when this send changed the state (the first send always does), else nullopt.
  std::optional<std::string> Send(const SockSample& sample);

  // nullopt until the first send.
  std::optional<ChronySocketState> state() const { return state_; }
  const std::string& path() const { return path_; }

 private:
  const std::string path_;
  const std::function<std::chrono::nanoseconds()> now_;
  int fd_ = -1;
  std::optional<ChronySocketState> state_;
  std::chrono::nanoseconds last_failure_{0};
};

}  // namespace orvane
