#include "device/hid/clock_lock.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#if defined(__unix__) || defined(__APPLE__)
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#define ORVANE_POSIX_LOCK 1
#endif

namespace orvane {
namespace {

#ifdef ORVANE_POSIX_LOCK

constexpr std::size_t kMaxHolderText = 64;

const char* ProgramName() {
#ifdef __GLIBC__
  return program_invocation_short_name;
#elif defined(__APPLE__) || defined(__FreeBSD__) || defined(__NetBSD__) || defined(__OpenBSD__)
  return getprogname();
#else
  return "a program";
#endif
}

// The lock file, opened without following a link and without blocking on a FIFO put in its
// place; -1 when there is none to be had. A file another user made (the sticky directory keeps
// it theirs) is opened for reading only: that is enough for flock().
int OpenLockFile(const std::string& path, bool* writable) {
  constexpr int kFlags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
  *writable = true;
  int descriptor = open(path.c_str(), O_RDWR | O_CREAT | kFlags, 0644);
  if (descriptor < 0 && errno == EACCES) {
    *writable = false;
    descriptor = open(path.c_str(), O_RDONLY | kFlags);
  }
  if (descriptor < 0) return -1;
  struct stat status {};
  if (fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    close(descriptor);
    return -1;
  }
  // Readable by everyone whatever the umask, so that every user's program finds the lock.
  if (status.st_uid == geteuid()) fchmod(descriptor, 0644);
  return descriptor;
}

// "<pid> <program>" as the holder wrote it, as "<program> (pid <pid>)"; a holder that has ended
// without clearing the file (or never could sign it) is not named.
std::string HolderOf(int descriptor) {
  std::array<char, 128> text{};
  const ssize_t count = pread(descriptor, text.data(), text.size() - 1, 0);
  long pid = 0;
  int name_start = 0;
  if (count <= 0 || std::sscanf(text.data(), "%ld %n", &pid, &name_start) != 1 || pid <= 0 ||
      name_start == 0) {
    return "another program";
  }
  if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return "another program";
  std::string name;
  for (const char* c = text.data() + name_start; *c != '\0' && *c != '\n'; ++c) {
    if (name.size() == kMaxHolderText) break;
    name += (*c >= 0x20 && *c < 0x7F) ? *c : '?';
  }
  return (name.empty() ? "a program" : name) + " (pid " + std::to_string(pid) + ")";
}

#endif  // ORVANE_POSIX_LOCK

}  // namespace

std::unique_ptr<ClockLock> ClockLock::Take(const std::string& directory,
                                           const std::string& device_path, std::string* holder) {
#ifdef ORVANE_POSIX_LOCK
  bool writable = false;
  const int descriptor = OpenLockFile(
      (std::filesystem::path(directory) / LockFileName(device_path)).string(), &writable);
  if (descriptor < 0) return std::unique_ptr<ClockLock>(new ClockLock(-1, false));
  if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    if (busy && holder != nullptr) *holder = HolderOf(descriptor);
    close(descriptor);
    if (busy) return nullptr;
    return std::unique_ptr<ClockLock>(new ClockLock(-1, false));
  }
  if (writable) {
    const std::string signature = std::to_string(getpid()) + " " + ProgramName() + "\n";
    if (ftruncate(descriptor, 0) != 0 ||
        pwrite(descriptor, signature.data(), signature.size(), 0) < 0) {
      writable = false;
    }
  }
  return std::unique_ptr<ClockLock>(new ClockLock(descriptor, writable));
#else
  (void)directory;
  (void)device_path;
  (void)holder;
  return std::unique_ptr<ClockLock>(new ClockLock(-1, false));
#endif
}

ClockLock::~ClockLock() {
#ifdef ORVANE_POSIX_LOCK
  if (descriptor_ < 0) return;
  // Unsigned before the lock goes; the file stays, as removing it would let two programs lock
  // two different files of one name.
  if (writable_) {
    [[maybe_unused]] const int cleared = ftruncate(descriptor_, 0);
  }
  close(descriptor_);
#endif
}

std::string LockFileName(const std::string& device_path) {
  std::string name = "orvane-";
  std::size_t start = 0;
  while (start < device_path.size() && device_path[start] == '/') ++start;
  for (std::size_t i = start; i < device_path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(device_path[i]);
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      name += static_cast<char>(c);
    } else if (c == '/') {
      name += '-';
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "_%02X", c);
      name += escaped;
    }
  }
  return name + ".lock";
}

std::string DefaultLockDirectory() {
  if (const char* chosen = std::getenv("ORVANE_LOCK_DIR"); chosen != nullptr && *chosen != '\0') {
    return chosen;
  }
  for (const char* directory : {"/run/lock", "/var/lock"}) {
    std::error_code error;
    if (std::filesystem::is_directory(directory, error)) return directory;
  }
  return "/tmp";
}

}  // namespace orvane
