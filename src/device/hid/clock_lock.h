#pragma once

#include <memory>
#include <string>

namespace orvane {

// The advisory lock that makes one program at a time the direct owner of a clock: a lock file per
// device path in a directory every user can write to, flock()ed for as long as the lock lives and
// naming its holder. The kernel releases it when the holder's descriptor goes, on any exit. Where
// no lock file can be made (no such directory, a read-only one, no POSIX locks) the lock holds
// nothing: it is advisory, and must never keep a clock from being used.
class ClockLock {
 public:
  // Takes the lock of the clock at `device_path`; nullptr when another lock holds it, with that
  // holder in `holder` ("orvaned (pid 812)", or "another program" where the file does not say).
  // Each call is a lock of its own, even against another taken in the same process.
  static std::unique_ptr<ClockLock> Take(const std::string& directory,
                                         const std::string& device_path, std::string* holder);
  ~ClockLock();
  ClockLock(const ClockLock&) = delete;
  ClockLock& operator=(const ClockLock&) = delete;

 private:
  ClockLock(int descriptor, bool writable) : descriptor_(descriptor), writable_(writable) {}

  int descriptor_;  // -1: nothing held
  bool writable_;   // false: a file another user made, which this holder cannot sign
};

// The lock file's name for a device path: letters and digits kept, '/' as '-', every other byte
// as "_XX" (hex), so that no two absolute paths share a file and no name leaves the directory.
// "/dev/hidraw3" -> "orvane-dev-hidraw3.lock".
std::string LockFileName(const std::string& device_path);

// Where the lock files go: $ORVANE_LOCK_DIR when set, else the first directory of /run/lock,
// /var/lock that exists, else /tmp.
std::string DefaultLockDirectory();

}  // namespace orvane
