#include "device/hid/hidapi_backend.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include "device/device_ids.h"

namespace orvane {
namespace {

TEST(HidapiBackend, OpeningAMissingPathReportsNotFound) {
  HidapiBackend backend;
  OpenError error = OpenError::kNone;
  EXPECT_EQ(backend.Open("/dev/hidraw-orvane-missing", &error), nullptr);
  EXPECT_EQ(error, OpenError::kNotFound);
}

// A signal for the process must never interrupt the reader's wait: hidapi turns that into a failed
// read, and the program into a lost device. The reader's thread keeps signals pending instead.
TEST(StartSignalFreeThread, SignalsStayPendingOnTheReaderThread) {
  struct sigaction action = {}, previous = {};
  action.sa_handler = [](int) {};
  sigaction(SIGUSR2, &action, &previous);
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);

  bool pending = false;
  std::thread reader = StartSignalFreeThread([&] {
    char go = 0;
    EXPECT_EQ(read(pipe_fds[0], &go, 1), 1);  // the signal is sent before this returns
    sigset_t waiting;
    sigpending(&waiting);
    pending = sigismember(&waiting, SIGUSR2) == 1;
  });
  pthread_kill(reader.native_handle(), SIGUSR2);
  ASSERT_EQ(write(pipe_fds[1], "g", 1), 1);
  reader.join();

  EXPECT_TRUE(pending);
  close(pipe_fds[0]);
  close(pipe_fds[1]);
  sigaction(SIGUSR2, &previous, nullptr);
}

}  // namespace
}  // namespace orvane
