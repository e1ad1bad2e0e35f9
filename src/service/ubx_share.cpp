#include "service/ubx_share.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace orvane {
namespace {

// Unsent bytes kept at the front of a client's buffer before they are moved out.
constexpr std::size_t kCompactAfter = 64 * 1024;

std::string PeerName(const sockaddr_storage& peer) {
  ListenAddress name;
  char text[INET6_ADDRSTRLEN] = "?";
  if (peer.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(peer);
    inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
    name.port = ntohs(v6.sin6_port);
  } else {
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(peer);
    inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
    name.port = ntohs(v4.sin_port);
  }
  name.host = text;
  return name.ToString();
}

}  // namespace

struct UbxShare::Client {
  int fd = -1;
  std::string name;
  std::vector<std::uint8_t> pending;
  std::size_t sent = 0;  // bytes of `pending` already sent
  std::string close_reason;
  LogPriority close_priority = LogPriority::kInfo;

  std::size_t Unsent() const { return pending.size() - sent; }
  bool Closing() const { return !close_reason.empty(); }
  void Close(LogPriority priority, std::string reason) {
    if (Closing()) return;
    close_priority = priority;
    close_reason = std::move(reason);
  }

  void ReadAndDiscard() {
    std::uint8_t discard[4096];
    const ssize_t got = recv(fd, discard, sizeof discard, 0);
    // A client that stops sending has gone: holding its slot for it would fill the share.
    if (got == 0) Close(LogPriority::kInfo, "disconnected");
    if (got < 0 && errno != EAGAIN) Close(LogPriority::kInfo, std::strerror(errno));
  }

  // False when the bytes would take the unsent ones past the limit.
  bool Queue(std::span<const std::uint8_t> bytes) {
    if (Unsent() + bytes.size() > kMaxPendingBytes) return false;
    pending.insert(pending.end(), bytes.begin(), bytes.end());
    return true;
  }

  void Flush() {
    while (!Closing() && Unsent() > 0) {
      const ssize_t count = send(fd, pending.data() + sent, Unsent(), MSG_NOSIGNAL);
      if (count < 0) {
        if (errno != EAGAIN) Close(LogPriority::kInfo, std::strerror(errno));
        break;
      }
      sent += static_cast<std::size_t>(count);
    }
    if (sent == pending.size() || sent > kCompactAfter) {
      pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(sent));
      sent = 0;
    }
  }
};

std::unique_ptr<UbxShare> UbxShare::Start(const ListenAddress& address, EventLog log,
                                          std::string* error) {
  sockaddr_storage storage{};
  socklen_t length = 0;
  if (address.IsIpv6()) {
    auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(address.port);
    inet_pton(AF_INET6, address.host.c_str(), &v6.sin6_addr);
    length = sizeof v6;
  } else {
    auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
    v4.sin_family = AF_INET;
    v4.sin_port = htons(address.port);
    inet_pton(AF_INET, address.host.c_str(), &v4.sin_addr);
    length = sizeof v4;
  }
  const int listener = socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  int wake[2] = {-1, -1};
  const int reuse = 1;
  const bool listening =
      listener >= 0 && setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) == 0 &&
      bind(listener, reinterpret_cast<const sockaddr*>(&storage), length) == 0 &&
      listen(listener, static_cast<int>(kMaxClients)) == 0 &&
      getsockname(listener, reinterpret_cast<sockaddr*>(&storage), &length) == 0 &&
      pipe2(wake, O_NONBLOCK | O_CLOEXEC) == 0;
  if (!listening) {
    *error = "cannot listen on " + address.ToString() + ": " + std::strerror(errno);
    for (int fd : {listener, wake[0], wake[1]}) {
      if (fd >= 0) close(fd);
    }
    return nullptr;
  }
  ListenAddress bound = address;
  bound.port =
      ntohs(storage.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6&>(storage).sin6_port
                                          : reinterpret_cast<const sockaddr_in&>(storage).sin_port);
  std::unique_ptr<UbxShare> share(
      new UbxShare(listener, wake[0], wake[1], std::move(bound), std::move(log)));
  share->thread_ = std::thread([raw = share.get()] { raw->Run(); });
  return share;
}

UbxShare::UbxShare(int listener, int wake_read, int wake_write, ListenAddress address, EventLog log)
    : listener_(listener),
      wake_read_(wake_read),
      wake_write_(wake_write),
      address_(std::move(address)),
      log_(std::move(log)) {}

UbxShare::~UbxShare() {
  HandOff({}, true);
  thread_.join();
  close(listener_);
  close(wake_read_);
  close(wake_write_);
}

void UbxShare::Publish(std::span<const std::uint8_t> bytes) {
  // Without clients the bytes have nowhere to go; a client joins the stream where it is.
  if (bytes.empty() || client_count_ == 0) return;
  HandOff(bytes, false);
}

void UbxShare::HandOff(std::span<const std::uint8_t> bytes, bool stop) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    incoming_.insert(incoming_.end(), bytes.begin(), bytes.end());
    stopping_ = stopping_ || stop;
    wake = !std::exchange(wake_pending_, true);
  }
  // One byte in the pipe at a time, so it never fills.
  if (wake) (void)!write(wake_write_, "", 1);
}

void UbxShare::Log(LogPriority priority, const std::string& message) const {
  if (log_) log_(priority, "UBX share " + address_.ToString() + ": " + message);
}

void UbxShare::Run() {
  // Signals are for the thread that decides to stop, not for this one.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);

  std::vector<Client> clients;
  std::vector<pollfd> fds;
  std::vector<std::uint8_t> chunk;
  for (;;) {
    fds.assign({{wake_read_, POLLIN, 0}, {listener_, POLLIN, 0}});
    for (const Client& client : clients) {
      fds.push_back(
          {client.fd, static_cast<short>(POLLIN | (client.Unsent() > 0 ? POLLOUT : 0)), 0});
    }
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      Log(LogPriority::kErr, std::string("stopped: ") + std::strerror(errno));
      break;
    }
    if (fds[0].revents != 0) {
      char drained[64];
      while (read(wake_read_, drained, sizeof drained) > 0) {
      }
      std::lock_guard lock(mutex_);
      if (stopping_) break;
      chunk.swap(incoming_);
      wake_pending_ = false;
    }
    for (std::size_t i = 0; i < clients.size(); ++i) {
      const short revents = fds[i + 2].revents;
      if (revents & POLLIN) clients[i].ReadAndDiscard();
      if (revents & (POLLERR | POLLHUP)) clients[i].Close(LogPriority::kInfo, "disconnected");
    }
    for (Client& client : clients) {
      if (client.Closing() || chunk.empty() || client.Queue(chunk)) continue;
      ++dropped_clients_;
      client.Close(LogPriority::kWarning, "dropped: more than 1 MiB unread");
    }
    chunk.clear();
    for (Client& client : clients) client.Flush();
    std::erase_if(clients, [this](const Client& client) {
      if (!client.Closing()) return false;
      close(client.fd);
      Log(client.close_priority, "client " + client.name + " " + client.close_reason);
      return true;
    });
    client_count_ = clients.size();
    if (fds[1].revents & POLLIN) Accept(clients);
  }
  client_count_ = 0;
  for (const Client& client : clients) close(client.fd);
}

void UbxShare::Accept(std::vector<Client>& clients) {
  for (;;) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    const int fd = accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &length,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    const std::string name = PeerName(peer);
    if (clients.size() >= kMaxClients) {
      close(fd);
      Log(LogPriority::kWarning,
          "client " + name + " refused: already " + std::to_string(kMaxClients) + " clients");
      continue;
    }
    // Frames go out as they come rather than waiting to fill a segment.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    Client& client = clients.emplace_back();
    client.fd = fd;
    client.name = name;
    client_count_ = clients.size();
    Log(LogPriority::kInfo, "client " + name + " connected (" + std::to_string(clients.size()) +
                                " of " + std::to_string(kMaxClients) + ")");
  }
}

}  // namespace orvane
