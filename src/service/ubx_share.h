#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "service/journal_log.h"
#include "service/listen_address.h"
#include "service/log_throttle.h"

namespace orvane {

// Republishes one clock's receiver stream, byte-exact and in order, to TCP clients (gpsd, UBX
// tools). Read-only: what clients send is read and thrown away. The sockets are served by the
// share's own thread, so a slow client never delays the publisher or the other clients; one
// whose unsent bytes pass kMaxPendingBytes is dropped. A flood costs little: one peer address
// holds at most kMaxClientsPerPeer connections, connection lines are throttled (LogThrottle) and
// accepting pauses for kAcceptPause when the process or system is out of descriptors.
class UbxShare {
 public:
  static constexpr std::size_t kMaxClients = 16;
  static constexpr std::size_t kMaxClientsPerPeer = 4;
  static constexpr std::size_t kMaxPendingBytes = std::size_t{1} << 20;
  static constexpr std::chrono::milliseconds kAcceptPause{1000};
  static constexpr int kListenBacklog = 64;

  // Called on the share's thread for connections, disconnections, drops and refusals.
  using EventLog = std::function<void(LogPriority, std::string_view)>;

  // Listens on `address` and starts serving; nullptr and `*error` when it cannot listen.
  static std::unique_ptr<UbxShare> Start(const ListenAddress& address, EventLog log,
                                         std::string* error);
  // Stops the thread and closes every connection.
  ~UbxShare();
  UbxShare(const UbxShare&) = delete;
  UbxShare& operator=(const UbxShare&) = delete;

  // Queues `bytes` for every connected client; cheap, never blocks on a client. Any thread.
  void Publish(std::span<const std::uint8_t> bytes);

  // The address actually bound (the port chosen when 0 was asked for).
  const ListenAddress& address() const { return address_; }
  std::size_t client_count() const { return client_count_; }
  std::uint64_t dropped_clients() const { return dropped_clients_; }

 private:
  struct Client;

  UbxShare(int listener, int wake_read, int wake_write, ListenAddress address, EventLog log);
  // Passes bytes and the stop request to the share's thread and wakes it.
  void HandOff(std::span<const std::uint8_t> bytes, bool stop);
  void Run();
  // Closes and logs the clients marked closing.
  void CloseEnded(std::vector<Client>& clients);
  // Closes the clients that hung up, without waiting for the next poll to say so.
  void CloseHungUp(std::vector<Client>& clients);
  // False when accepting must pause (out of descriptors).
  bool Accept(std::vector<Client>& clients);
  void Log(LogPriority priority, const std::string& message) const;
  // A connection's line, through the throttle.
  void LogClient(LogPriority priority, const std::string& message);

  const int listener_;
  const int wake_read_;
  const int wake_write_;
  const ListenAddress address_;
  const EventLog log_;
  LogThrottle client_lines_;  // the share's thread only

  std::mutex mutex_;  // guards the three below
  std::vector<std::uint8_t> incoming_;
  bool wake_pending_ = false;
  bool stopping_ = false;

  std::atomic<std::size_t> client_count_ = 0;
  std::atomic<std::uint64_t> dropped_clients_ = 0;
  std::thread thread_;
};

}  // namespace orvane
