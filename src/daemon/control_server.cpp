#include "daemon/control_server.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

#include "control/json_writer.h"

namespace orvane {
namespace {

constexpr int kBacklog = 16;
constexpr std::size_t kReadChunk = 4096;

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

bool AddressOf(const std::string& path, sockaddr_un& address, std::string* error) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    *error = "control socket path \"" + path + "\" is empty or too long";
    return false;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// A socket file left by a service that ended is replaced; a live one or another file is not.
bool ClearStale(const std::string& path, const sockaddr_un& address, std::string* error) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0) return true;
  if (!S_ISSOCK(status.st_mode)) {
    *error = path + " exists and is not a socket";
    return false;
  }
  const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const bool live = probe >= 0 && connect(probe, reinterpret_cast<const sockaddr*>(&address),
                                          sizeof address) == 0;
  if (probe >= 0) close(probe);
  if (live) {
    *error = "another service answers on " + path;
    return false;
  }
  unlink(path.c_str());
  return true;
}

int Listen(const std::string& path, mode_t mode, std::optional<gid_t> group, JournalLog& log,
           std::string* error) {
  sockaddr_un address;
  if (!AddressOf(path, address, error) || !ClearStale(path, address, error)) return -1;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = Errno("socket");
    return -1;
  }
  if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      chmod(path.c_str(), mode) != 0 || listen(fd, kBacklog) != 0) {
    *error = Errno(path);
    close(fd);
    unlink(path.c_str());
    return -1;
  }
  if (group && chown(path.c_str(), static_cast<uid_t>(-1), *group) != 0) {
    log.Write(LogPriority::kWarning,
              Errno(std::string("cannot give ") + path + " to group " + kControlGroup));
  }
  return fd;
}

std::optional<gid_t> ControlGroupId() {
  std::vector<char> buffer(16384);
  group entry{};
  group* found = nullptr;
  if (getgrnam_r(kControlGroup, &entry, buffer.data(), buffer.size(), &found) != 0 || !found) {
    return std::nullopt;
  }
  return found->gr_gid;
}

std::string HelloLine(const ControlRequest& request, bool writable) {
  std::ostringstream out;
  JsonWriter json(out);
  json.BeginObject();
  if (request.id) json.Key("id").Integer(*request.id);
  json.Key("ok").Bool(true).Key("version").Integer(kControlProtocolVersion);
  json.Key("writable").Bool(writable).EndObject();
  out << '\n';
  return out.str();
}

using Steady = std::chrono::steady_clock;

struct Client {
  int fd = -1;
  ControlPeer peer;
  RequestReader reader;
  std::string out;
  bool drop = false;
  bool ended = false;     // the client sent all it will; dropped once its replies are out
  bool awaiting = false;  // a reply comes through the outbox; the next lines wait for it
  std::optional<Steady::time_point> partial_since;  // when the unfinished line began
};

}  // namespace

ControlError ReadOnlyRefusal(const OperationSpec& operation, const std::string& path) {
  return {std::string(control_error::kReadOnly),
          std::string(operation.name) + " changes the clock, which only " + path +
              " allows: join group " + kControlGroup + " (sudo usermod -aG " + kControlGroup +
              " $USER, then log in again)"};
}

struct ControlServer::Sockets {
  std::string path;
  int writable = -1;
  int read_only = -1;
  int wake[2] = {-1, -1};  // written to end the thread

  ~Sockets() {
    for (const int fd : {writable, read_only, wake[0], wake[1]}) {
      if (fd >= 0) close(fd);
    }
    if (writable >= 0) unlink(path.c_str());
    if (read_only >= 0) unlink((path + ".ro").c_str());
  }
};

std::unique_ptr<ControlServer> ControlServer::Start(const std::string& path,
                                                    const ControlLimits& limits, Handler handler,
                                                    JournalLog& log, std::string* error,
                                                    std::shared_ptr<ControlOutbox> outbox,
                                                    Closed closed) {
  auto sockets = std::make_unique<Sockets>();
  sockets->path = path;
  const std::optional<gid_t> group = ControlGroupId();
  sockets->writable = Listen(path, 0660, group, log, error);
  if (sockets->writable < 0) return nullptr;
  sockets->read_only = Listen(path + ".ro", 0666, std::nullopt, log, error);
  if (sockets->read_only < 0) return nullptr;
  if (pipe2(sockets->wake, O_CLOEXEC | O_NONBLOCK) != 0) {
    *error = Errno("pipe");
    return nullptr;
  }
  log.Write(LogPriority::kNotice,
            "control socket " + path +
                (group ? std::string(" (group ") + kControlGroup + ")"
                       : std::string(" (no group ") + kControlGroup + ": its owner only)") +
                ", read-only " + path + ".ro");
  if (!outbox) outbox = std::make_shared<ControlOutbox>();
  return std::unique_ptr<ControlServer>(new ControlServer(
      std::move(sockets), limits, std::move(handler), log, std::move(outbox), std::move(closed)));
}

ControlServer::ControlServer(std::unique_ptr<Sockets> sockets, const ControlLimits& limits,
                             Handler handler, JournalLog& log,
                             std::shared_ptr<ControlOutbox> outbox, Closed closed)
    : sockets_(std::move(sockets)),
      limits_(limits),
      handler_(std::move(handler)),
      outbox_(std::move(outbox)),
      closed_(std::move(closed)),
      log_(log) {
  thread_ = std::thread([this] { Run(); });
}

ControlServer::~ControlServer() {
  const char stop = 1;
  [[maybe_unused]] const ssize_t written = write(sockets_->wake[1], &stop, 1);
  thread_.join();
}

void ControlServer::Run() {
  std::vector<std::unique_ptr<Client>> clients;
  std::map<uid_t, std::size_t> per_uid;
  ControlClientId next_id = 1;

  // The reply line, or nullopt when it comes through the outbox.
  auto reply_to = [&](Client& client, const std::string& line) -> std::optional<std::string> {
    const RequestParse parsed = ParseControlRequest(line);
    if (!parsed.request) return ControlErrorLine(parsed.id, parsed.error);
    const ControlRequest& request = *parsed.request;
    if (request.operation->changes && !client.peer.writable) {
      return ControlErrorLine(request.id, ReadOnlyRefusal(*request.operation, sockets_->path));
    }
    if (request.operation->name == "hello") {
      if (request.Integer("version") != kControlProtocolVersion) {
        return ControlErrorLine(
            request.id, {std::string(control_error::kVersion),
                         "this service speaks version " + std::to_string(kControlProtocolVersion)});
      }
      return HelloLine(request, client.peer.writable);
    }
    return handler_(request, client.peer);
  };

  auto flush = [&](Client& client) {
    while (!client.out.empty()) {
      const ssize_t sent = send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
      if (sent < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK) client.drop = true;
        break;
      }
      client.out.erase(0, static_cast<std::size_t>(sent));
    }
    if (client.out.size() > limits_.max_queued_bytes) client.drop = true;
  };

  // Answers the lines the client finished, up to one whose reply is deferred.
  auto serve_lines = [&](Client& client) {
    // Replies go out between lines whenever the queue is full; a client that takes none of them
    // then is dropped.
    for (bool more = true; more && !client.drop && !client.awaiting;) {
      more = false;
      while (const auto line = client.reader.Next()) {
        std::optional<std::string> reply =
            line->too_long
                ? ControlErrorLine(std::nullopt, {std::string(control_error::kTooLong),
                                                  "a request line is at most " +
                                                      std::to_string(limits_.max_line) + " bytes"})
                : reply_to(client, line->text);
        if (!reply) {
          client.awaiting = true;
          break;
        }
        client.out += *reply;
        more = client.out.size() > limits_.max_queued_bytes;
        if (more) break;
      }
      flush(client);
    }
    if (client.awaiting || client.reader.Pending() == 0) {
      client.partial_since.reset();
    } else if (!client.partial_since) {
      client.partial_since = Steady::now();
    }
  };

  auto read_from = [&](Client& client) {
    char buffer[kReadChunk];
    const ssize_t got = recv(client.fd, buffer, sizeof buffer, 0);
    if (got == 0) {
      client.ended = true;
      return;
    }
    if (got < 0) {
      if (errno != EAGAIN && errno != EWOULDBLOCK) client.drop = true;
      return;
    }
    client.reader.Append({buffer, static_cast<std::size_t>(got)});
    serve_lines(client);
  };

  auto take_outbox = [&] {
    for (ControlOutbox::Line& line : outbox_->Take()) {
      const auto found = std::find_if(clients.begin(), clients.end(), [&](const auto& client) {
        return client->peer.client == line.client;
      });
      if (found == clients.end()) continue;  // gone meanwhile
      Client& client = **found;
      client.out += line.text;
      flush(client);  // an event beyond the bound drops its subscriber here
      if (line.reply && client.awaiting) {
        client.awaiting = false;
        serve_lines(client);
      }
    }
  };

  auto accept_from = [&](int listener, bool writable) {
    while (true) {
      const int fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) return;
      ucred credentials{};
      socklen_t length = sizeof credentials;
      getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length);
      if (clients.size() >= limits_.max_clients ||
          per_uid[credentials.uid] >= limits_.max_clients_per_uid) {
        const std::string line = ControlErrorLine(std::nullopt, {"busy", "too many clients"});
        send(fd, line.data(), line.size(), MSG_NOSIGNAL);
        close(fd);
        continue;
      }
      auto client = std::make_unique<Client>();
      client->fd = fd;
      client->peer = {credentials.uid, credentials.gid, credentials.pid, writable, next_id++};
      client->reader = RequestReader(limits_.max_line);
      ++per_uid[credentials.uid];
      clients.push_back(std::move(client));
    }
  };

  // Milliseconds until the first unfinished line runs out of time; -1: none waits.
  auto poll_timeout = [&] {
    int timeout = -1;
    const Steady::time_point now = Steady::now();
    for (const auto& client : clients) {
      if (!client->partial_since) continue;
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(
          *client->partial_since + limits_.partial_line_limit - now);
      const int ms = static_cast<int>(std::max<std::int64_t>(left.count(), 0));
      timeout = timeout < 0 ? ms : std::min(timeout, ms);
    }
    return timeout;
  };

  std::vector<pollfd> polled;
  constexpr std::size_t kFixed = 4;
  while (true) {
    polled.clear();
    polled.push_back({sockets_->wake[0], POLLIN, 0});
    polled.push_back({outbox_->wake_fd(), POLLIN, 0});
    polled.push_back({sockets_->writable, POLLIN, 0});
    polled.push_back({sockets_->read_only, POLLIN, 0});
    for (const auto& client : clients) {
      const bool reads = !client->ended && !client->awaiting;
      const short events =
          static_cast<short>((reads ? POLLIN : 0) | (client->out.empty() ? 0 : POLLOUT));
      polled.push_back({client->fd, events, 0});
    }
    if (poll(polled.data(), polled.size(), poll_timeout()) < 0) {
      if (errno == EINTR) continue;
      log_.Write(LogPriority::kErr, Errno("control socket poll"));
      break;
    }
    if (polled[0].revents != 0) break;
    const Steady::time_point now = Steady::now();
    for (std::size_t i = 0; i < clients.size(); ++i) {
      const short events = polled[kFixed + i].revents;
      Client& client = *clients[i];
      if (events & POLLOUT) flush(client);
      if (events & (POLLIN | POLLHUP | POLLERR)) read_from(client);
      // Hung up altogether (not only its sending side): nobody reads what is still to come.
      if (events & (POLLHUP | POLLERR)) client.drop = true;
      if (client.partial_since && now - *client.partial_since >= limits_.partial_line_limit) {
        client.drop = true;
      }
    }
    if (polled[1].revents != 0) take_outbox();
    std::erase_if(clients, [&](const std::unique_ptr<Client>& client) {
      // A client waiting for a reply is kept until it came, so the reply is not lost to a
      // client that closed its sending side only.
      if (!client->drop && !(client->ended && client->out.empty() && !client->awaiting)) {
        return false;
      }
      close(client->fd);
      if (--per_uid[client->peer.uid] == 0) per_uid.erase(client->peer.uid);
      if (closed_) closed_(client->peer.client);
      return true;
    });
    if (polled[2].revents != 0) accept_from(sockets_->writable, true);
    if (polled[3].revents != 0) accept_from(sockets_->read_only, false);
  }
  for (const auto& client : clients) {
    close(client->fd);
    if (closed_) closed_(client->peer.client);
  }
}

}  // namespace orvane
