#include "service/chrony_socket.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "service/path_component.h"

namespace orvane {

ChronySocketState ChronySocketStateOf(int error) {
  switch (error) {
    case ENOENT:
    case ECONNREFUSED:
      return ChronySocketState::kAbsent;
    case EACCES:
    case EPERM:
      return ChronySocketState::kPermissionDenied;
    default:
      return ChronySocketState::kOther;
  }
}

std::string DescribeChronySocketState(ChronySocketState state, std::string_view path, int error) {
  const std::string socket = "chrony socket " + std::string(path);
  const std::string retry =
      "; retrying every " + std::to_string(ChronySocket::kRetryInterval.count()) + " s";
  switch (state) {
    case ChronySocketState::kOk:
      return socket + ": sending samples";
    case ChronySocketState::kAbsent:
      return socket + ": absent (" + std::strerror(error) +
             "): chronyd is not running or its chrony.conf lacks `refclock SOCK " +
             std::string(path) + "`" + retry;
    case ChronySocketState::kPermissionDenied:
      return socket + ": permission denied: the socket belongs to chronyd, which must let " +
             "this service write to it (see the README's chrony section)" + retry;
    case ChronySocketState::kOther:
      break;
  }
  return socket + ": " + std::strerror(error) + retry;
}

std::string ChronySocketPath(std::string_view path_template, std::string_view serial) {
  const std::string safe = PathComponentOf(serial);
  std::string path;
  for (std::size_t i = 0; i < path_template.size(); ++i) {
    if (path_template.compare(i, 2, "%s") == 0) {
      path += safe;
      ++i;
    } else {
      path.push_back(path_template[i]);
    }
  }
  return path;
}

ChronySocket::ChronySocket(std::string path, std::function<std::chrono::nanoseconds()> now)
    : path_(std::move(path)), now_(std::move(now)) {}

ChronySocket::~ChronySocket() {
  if (fd_ >= 0) close(fd_);
}

std::optional<std::string> ChronySocket::Send(const SockSample& sample) {
  const std::chrono::nanoseconds now = now_();
  if (state_.has_value() && *state_ != ChronySocketState::kOk &&
      now - last_failure_ < kRetryInterval) {
    return std::nullopt;
  }
  int error = 0;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (fd_ < 0) fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd_ < 0) {
    error = errno;
  } else if (path_.size() >= sizeof address.sun_path) {
    error = ENAMETOOLONG;
  } else {
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    const ssize_t sent = sendto(fd_, &sample, sizeof sample, MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (sent < 0) error = errno;
  }
  const ChronySocketState state = error == 0 ? ChronySocketState::kOk : ChronySocketStateOf(error);
  if (error != 0) last_failure_ = now;
  if (state_ == state) return std::nullopt;
  state_ = state;
  return DescribeChronySocketState(state, path_, error);
}

}  // namespace orvane
