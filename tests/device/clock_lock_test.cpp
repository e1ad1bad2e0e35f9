// The per-clock lock between direct owners: one holder at a time, named to the others, released
// with its descriptor, and never a way to write where a link points.
#include "device/hid/clock_lock.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "device/hid/locking_backend.h"
#include "device/monotonic_clock.h"
#include "sim/simulated_backend.h"

namespace orvane {
namespace {

class ClockLockTest : public ::testing::Test {
 protected:
  void TearDown() override { std::filesystem::remove_all(directory_); }

  std::unique_ptr<ClockLock> Take(const std::string& device, std::string* holder = nullptr) {
    return ClockLock::Take(directory_, device, holder);
  }
  std::filesystem::path File(const std::string& device) const {
    return std::filesystem::path(directory_) / LockFileName(device);
  }
  static std::string Us() {
    return std::string(program_invocation_short_name) + " (pid " + std::to_string(getpid()) + ")";
  }

  std::string directory_ = mkdtemp((testing::TempDir() + "clock_lock_XXXXXX").data());
};

TEST(LockFileName, KeepsPathsApartAndInsideTheDirectory) {
  const std::pair<const char*, const char*> cases[] = {
      {"/dev/hid-raw_3", "orvane-dev-hid_2Draw_5F3.lock"},
      {"/dev/hid/raw3", "orvane-dev-hid-raw3.lock"},
      {"../../etc/passwd", "orvane-_2E_2E-_2E_2E-etc-passwd.lock"},
      {"sim:0", "orvane-sim_3A0.lock"},
  };
  std::set<std::string> names;
  for (const auto& [path, name] : cases) {
    EXPECT_EQ(LockFileName(path), name);
    names.insert(LockFileName(path));
  }
  EXPECT_EQ(names.size(), std::size(cases));
}

TEST_F(ClockLockTest, OneHolderAtATimeIsNamedToTheOthersUntilItLetsGo) {
  std::unique_ptr<ClockLock> first = Take("/dev/hidraw3");
  ASSERT_NE(first, nullptr);
  std::string holder;
  EXPECT_EQ(Take("/dev/hidraw3", &holder), nullptr);  // another description, same process
  EXPECT_EQ(holder, Us());
  EXPECT_NE(Take("/dev/hidraw4"), nullptr);
  EXPECT_EQ(std::filesystem::status(File("/dev/hidraw3")).permissions(),
            std::filesystem::perms(0644));
  first.reset();
  EXPECT_EQ(std::filesystem::file_size(File("/dev/hidraw3")), 0u);  // unsigned on release
  EXPECT_NE(Take("/dev/hidraw3"), nullptr);
}

TEST_F(ClockLockTest, AHolderTheFileDoesNotNameIsAnotherProgram) {
  const pid_t ended = fork();
  ASSERT_GE(ended, 0);
  if (ended == 0) _exit(0);
  ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
  const std::pair<std::string, std::string> cases[] = {
      {"", "another program"},
      {std::to_string(ended) + " orvaned\n", "another program"},  // ended without clearing it
      {std::to_string(getpid()) + " two\x01words\n",
       "two?words (pid " + std::to_string(getpid()) + ")"},
  };
  const std::unique_ptr<ClockLock> held = Take("/dev/hidraw3");
  for (const auto& [content, named] : cases) {
    std::ofstream(File("/dev/hidraw3"), std::ios::trunc) << content;
    std::string holder;
    EXPECT_EQ(Take("/dev/hidraw3", &holder), nullptr);
    EXPECT_EQ(holder, named) << content;
  }
}

// Advisory: where no lock file can be had, nothing is held and nobody is kept out.
TEST_F(ClockLockTest, NoLockFileHoldsNothingAndALinkIsNeverFollowed) {
  const std::string target = directory_ + "/target";
  std::ofstream(target) << "kept";
  std::filesystem::create_symlink(target, File("/dev/hidraw3"));
  std::filesystem::create_directory(File("/dev/hidraw4"));
  for (const char* device : {"/dev/hidraw3", "/dev/hidraw4"}) {
    const std::unique_ptr<ClockLock> first = Take(device);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(Take(device), nullptr);
  }
  EXPECT_EQ(std::filesystem::file_size(target), 4u);
  EXPECT_NE(ClockLock::Take(directory_ + "/missing", "/dev/hidraw3", nullptr), nullptr);
}

// One backend is one owner: its handles share the lock, which lasts until the last one closes,
// and another owner's open fails as busy before the device is reached.
TEST_F(ClockLockTest, ABackendsHandlesShareTheLockAndAnotherBackendIsTold) {
  ManualClock clock;
  SimulatedBackend simulated(clock);
  simulated.AddDevice();
  LockingBackend owner(simulated, directory_);
  LockingBackend other(simulated, directory_);
  std::unique_ptr<HidDevice> handle = owner.Open("sim:0");
  std::unique_ptr<HidDevice> reader = owner.Open("sim:0");
  ASSERT_NE(handle, nullptr);
  ASSERT_NE(reader, nullptr);
  for (int closed = 0; closed < 2; ++closed) {
    OpenError error = OpenError::kNone;
    EXPECT_EQ(other.Open("sim:0", &error), nullptr);
    EXPECT_EQ(error, OpenError::kBusy);
    EXPECT_EQ(other.BusyHolder("sim:0"), Us());
    handle.reset();
  }
  reader.reset();
  EXPECT_NE(other.Open("sim:0"), nullptr);
}

}  // namespace
}  // namespace orvane
