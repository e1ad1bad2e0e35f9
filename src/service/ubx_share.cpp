#include "service/ubx_share.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "service/listener_socket.h"

namespace orvane {
namespace {

// Unsent bytes kept at the front of a client's buffer before they are moved out.
constexpr std::size_t kCompactAfter = 64 * 1024;

std::chrono::nanoseconds Now() { return std::chrono::steady_clock::now().time_since_epoch(); }

std::string PeerHost(const std::string& name) { return name.substr(0, name.rfind(':')); }

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
  ListenAddress bound;
  // A burst of connections waits in the kernel rather than being retried by the clients' kernels.
  const int listener = OpenListener(address, kListenBacklog, &bound, error);
  if (listener < 0) return nullptr;
  int wake[2] = {-1, -1};
  if (pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
    *error = std::string("cannot make the share's wake-up pipe: ") + std::strerror(errno);
    close(listener);
    return nullptr;
  }
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

void UbxShare::LogClient(LogPriority priority, const std::string& message) {
  if (client_lines_.Allow(Now())) Log(priority, message);
}

void UbxShare::Run() {
  // Signals are for the thread that decides to stop, not for this one.
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);

  std::vector<Client> clients;
  std::vector<pollfd> fds;
  std::vector<std::uint8_t> chunk;
  std::chrono::nanoseconds accept_paused_until{0};
  for (;;) {
    const std::chrono::nanoseconds now = Now();
    if (auto summary = client_lines_.Summary(now, "client connections and refusals")) {
      Log(LogPriority::kNotice, *summary);
    }
    // While out of descriptors the listener stays readable: it is left out of the poll for a
    // while instead of being tried again at once.
    const bool accepting = now >= accept_paused_until;
    std::chrono::nanoseconds wake_at = std::chrono::nanoseconds::max();
    if (!accepting) wake_at = accept_paused_until;
    if (auto due = client_lines_.summary_due()) wake_at = std::min(wake_at, *due);
    const int timeout =
        wake_at == std::chrono::nanoseconds::max()
            ? -1
            : static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(
                                   std::max(wake_at - now, std::chrono::nanoseconds{0}))
                                   .count());
    fds.assign({{wake_read_, POLLIN, 0}, {accepting ? listener_ : -1, POLLIN, 0}});
    for (const Client& client : clients) {
      fds.push_back(
          {client.fd, static_cast<short>(POLLIN | (client.Unsent() > 0 ? POLLOUT : 0)), 0});
    }
    if (poll(fds.data(), fds.size(), timeout) < 0) {
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
    CloseEnded(clients);
    if ((fds[1].revents & POLLIN) && !Accept(clients)) accept_paused_until = Now() + kAcceptPause;
  }
  client_count_ = 0;
  for (const Client& client : clients) close(client.fd);
}

void UbxShare::CloseEnded(std::vector<Client>& clients) {
  std::erase_if(clients, [this](const Client& client) {
    if (!client.Closing()) return false;
    close(client.fd);
    LogClient(client.close_priority, "client " + client.name + " " + client.close_reason);
    return true;
  });
  client_count_ = clients.size();
}

void UbxShare::CloseHungUp(std::vector<Client>& clients) {
  for (Client& client : clients) {
    pollfd hung_up{client.fd, POLLIN, 0};
    if (poll(&hung_up, 1, 0) > 0) client.ReadAndDiscard();
  }
  CloseEnded(clients);
}

bool UbxShare::Accept(std::vector<Client>& clients) {
  for (;;) {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    const int fd = accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &length,
                           SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno != EMFILE && errno != ENFILE && errno != ENOBUFS && errno != ENOMEM) return true;
      LogClient(LogPriority::kWarning, std::string("cannot accept: ") + std::strerror(errno));
      return false;
    }
    const std::string name = PeerName(peer);
    // Slots held by clients that hung up since the last look are free.
    if (clients.size() >= kMaxClientsPerPeer) CloseHungUp(clients);
    const std::size_t from_peer = std::count_if(
        clients.begin(), clients.end(),
        [&](const Client& client) { return PeerHost(client.name) == PeerHost(name); });
    std::string refusal;
    if (clients.size() >= kMaxClients) {
      refusal = "already " + std::to_string(kMaxClients) + " clients";
    } else if (from_peer >= kMaxClientsPerPeer) {
      refusal = "already " + std::to_string(kMaxClientsPerPeer) + " clients from its address";
    }
    if (!refusal.empty()) {
      close(fd);
      LogClient(LogPriority::kWarning, "client " + name + " refused: " + refusal);
      continue;
    }
    // Frames go out as they come rather than waiting to fill a segment.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    Client& client = clients.emplace_back();
    client.fd = fd;
    client.name = name;
    client_count_ = clients.size();
    LogClient(LogPriority::kInfo, "client " + name + " connected (" +
                                      std::to_string(clients.size()) + " of " +
                                      std::to_string(kMaxClients) + ")");
  }
}

}  // namespace orvane
