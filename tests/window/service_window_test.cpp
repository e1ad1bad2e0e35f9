// The window through an in-process orvaned on a simulated clock: it shows the service's clock,
// its controls reach that clock through the service's operations, live status comes from the
// subscription, and neither closing nor losing the service harms either side.
#include <QApplication>
#include <algorithm>
#include <functional>

#include "access/service_socket.h"
#include "protocol/command_codes.h"
#include "support/received_reports.h"
#include "support/running_service.h"
#include "support/window_fixture.h"

namespace orvane {
namespace {

using testing_support::RunningService;
using testing_support::StatusMessagesSwitchedOff;

class ServiceWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(service_->WaitServing("G60031"));
    std::string error;
    auto connection = ConnectToService(service_->socket(), &error);
    ASSERT_TRUE(connection) << error;
    connection->set_reply_wait(std::chrono::milliseconds(2000));
    access_ = std::make_unique<ServiceAccess>(std::move(connection), trace_, steady_,
                                              ServiceAccess::Failures::kLoseClock);
    window_ = std::make_unique<frmMain>(
        AppServices{traced_, trace_, {}, steady_, host_clock_, access_.get()});
    window_->Form_Load();
  }
  // The window goes before the access it drives.
  void TearDown() override { window_.reset(); }

  // Status ticks at the timer's pace in real time, until `done` holds (at most 10 s).
  bool TickUntil(const std::function<bool()>& done) {
    const auto end = steady_.Now() + std::chrono::seconds(10);
    while (!done() && steady_.Now() < end) {
      steady_.SleepFor(std::chrono::milliseconds(window_->timer().interval()));
      window_->poll().Timer_Timer();
    }
    return done();
  }

  std::unique_ptr<RunningService> service_ = std::make_unique<RunningService>();
  SteadyClock steady_;
  std::unique_ptr<ServiceAccess> access_;
};

TEST_F(ServiceWindowTest, StartsOnTheServicesClockAndItsControlsReachIt) {
  EXPECT_EQ(window_->windowTitle().toStdString(), "Orvane Configuration (through orvaned)");
  EXPECT_EQ(Text("SerNo"), "G60031");
  EXPECT_EQ(sim_.device_count(), 0u);  // nothing of the window's own backend was opened
  const std::size_t mark = service_->device().received().size();
  Click("OUT1EN");
  const auto& received = service_->device().received();
  EXPECT_TRUE(std::any_of(received.begin() + mark, received.end(),
                          [](const auto& report) { return report[1] == command::kOutputEnable; }));
}

TEST_F(ServiceWindowTest, OnTheReadOnlySocketAChangeIsRefusedWithTheServicesWords) {
  window_.reset();
  std::string error;
  auto connection = ControlConnection::Open(service_->socket() + ".ro", &error);
  ASSERT_TRUE(connection) << error;
  access_ = std::make_unique<ServiceAccess>(std::move(connection), trace_, steady_,
                                            ServiceAccess::Failures::kLoseClock);
  window_ = MakeWindow(traced_, {}, access_.get());
  window_->Form_Load();
  EXPECT_EQ(window_->windowTitle().toStdString(),
            "Orvane Configuration (through orvaned, read-only)");
  const std::size_t sent = service_->device().received().size();
  Click("OUT1EN");
  EXPECT_EQ(Title(), "Change refused");
  EXPECT_NE(Message().find("join group orvane"), std::string::npos) << Message();
  EXPECT_EQ(service_->device().received().size(), sent);
}

TEST_F(ServiceWindowTest, ClosingLeavesTheServicesReceiverMessagesOn) {
  const std::size_t mark = service_->device().received().size();
  window_->close();
  const auto& received = service_->device().received();
  steady_.SleepFor(std::chrono::milliseconds(300));
  EXPECT_FALSE(StatusMessagesSwitchedOff({received.begin() + mark, received.end()}));
}

TEST_F(ServiceWindowTest, LiveStatusFromTheServicesPollsUntilTheServiceGoesAway) {
  const std::uint64_t revision = window_->history().revision();
  // The satellite bars and the history take the stream's NAV-SVINFO, the offset its NAV-CLOCK.
  ASSERT_TRUE(TickUntil([&] {
    return window_->history().revision() != revision && Text("TCXO_acc") != "" &&
           Text("Label16") == "Signal loss count: 0";
  }));
  service_.reset();
  EXPECT_TRUE(TickUntil([this] { return !window_->access().DeviceDetected(); }));
  EXPECT_EQ(Text("SerNo"), "");
  EXPECT_FALSE(window_->access().ConfigLoaded());
}

}  // namespace
}  // namespace orvane
