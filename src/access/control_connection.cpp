#include "access/control_connection.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sstream>

#include "control/control_protocol.h"

namespace orvane {

std::unique_ptr<ControlConnection> ControlConnection::Open(const std::string& path,
                                                           std::string* error, bool* denied) {
  if (denied) *denied = false;
  sockaddr_un address{};
  if (path.size() >= sizeof address.sun_path) {
    *error = path + ": the path is too long for a socket";
    return nullptr;
  }
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = std::string("socket: ") + std::strerror(errno);
    return nullptr;
  }
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    if (denied) *denied = errno == EACCES || errno == EPERM;
    *error = path + ": " + std::strerror(errno);
    close(fd);
    return nullptr;
  }
  std::unique_ptr<ControlConnection> connection(new ControlConnection(fd, path));
  const std::optional<JsonValue> hello = connection->Ask(
      "hello", std::nullopt,
      [](JsonWriter& json) { json.Key("version").Integer(kControlProtocolVersion); });
  if (!hello) {
    *error = path + ": the service did not answer";
    return nullptr;
  }
  const JsonValue* ok = hello->Find("ok");
  if (ok == nullptr || ok->AsBool() == nullptr || !*ok->AsBool()) {
    const JsonValue* message = hello->Find("message");
    *error = path + ": " +
             (message && message->AsString() ? *message->AsString()
                                             : std::string("the service refused the hello"));
    return nullptr;
  }
  const JsonValue* writable = hello->Find("writable");
  connection->writable_ = writable && writable->AsBool() && *writable->AsBool();
  return connection;
}

ControlConnection::~ControlConnection() { close(fd_); }

std::optional<JsonValue> ControlConnection::Ask(std::string_view op,
                                                const std::optional<std::string>& serial,
                                                const Members& args) {
  const std::int64_t id = next_id_++;
  std::ostringstream line;
  JsonWriter json(line);
  json.BeginObject().Key("id").Integer(id).Key("op").String(op);
  if (serial && !serial->empty()) json.Key("serial").String(*serial);
  if (args) args(json);
  json.EndObject();
  line << '\n';
  const std::string bytes = line.str();
  for (std::size_t at = 0; at < bytes.size();) {
    const ssize_t sent = send(fd_, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return std::nullopt;
    at += static_cast<std::size_t>(sent);
  }
  const auto deadline = std::chrono::steady_clock::now() + reply_wait_;
  while (std::optional<JsonValue> reply = ReadLine(deadline)) {
    if (reply->Find("event") != nullptr) {
      events_.push_back(std::move(*reply));
      continue;
    }
    const JsonValue* echoed = reply->Find("id");
    if (echoed && echoed->AsNumber() && *echoed->AsNumber() == static_cast<double>(id)) {
      return reply;
    }
  }
  return std::nullopt;
}

std::optional<JsonValue> ControlConnection::NextEvent(std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (events_.empty()) {
    std::optional<JsonValue> line = ReadLine(deadline);
    if (!line) return std::nullopt;
    // A reply nobody waits for any more (its request timed out) is of no use.
    if (line->Find("event") != nullptr) events_.push_back(std::move(*line));
  }
  JsonValue event = std::move(events_.front());
  events_.pop_front();
  return event;
}

std::optional<JsonValue> ControlConnection::ReadLine(
    std::chrono::steady_clock::time_point deadline) {
  char buffer[65536];
  while (true) {
    while (std::optional<RequestReader::Line> line = reader_.Next()) {
      if (line->too_long) continue;
      if (std::optional<JsonValue> value = ParseJson(line->text).value;
          value && value->AsObject()) {
        return value;
      }
    }
    if (closed_) return std::nullopt;
    // Rounded up, so that a wait never ends early; a deadline passed still looks once without
    // waiting, which is all a zero wait asks.
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd ready{fd_, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(std::max<std::int64_t>(left.count(), 0)));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return std::nullopt;
    const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) {
      closed_ = true;
      return std::nullopt;
    }
    reader_.Append(std::string_view(buffer, static_cast<std::size_t>(got)));
  }
}

}  // namespace orvane
