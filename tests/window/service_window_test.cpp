// The window through an in-process orvaned on a simulated clock: it shows the service's clock,
// its controls reach that clock through the service's operations, live status comes from the
// subscription, and neither closing nor losing the service harms either side.
#include <QApplication>
#include <algorithm>
#include <functional>

#include "access/service_socket.h"
#include "protocol/command_codes.h"
#include "support/running_service.h"
#include "support/status_messages_off.h"
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
  // The command codes the service's clock received from `mark` on.
  std::vector<int> ServiceCodesSince(std::size_t mark) {
    std::vector<int> codes;
    const auto& received = service_->device().received();
    for (std::size_t i = mark; i < received.size(); ++i) codes.push_back(received[i][1]);
    return codes;
  }

  std::unique_ptr<RunningService> service_ =
      std::make_unique<RunningService>(std::vector<std::string>{"G60031"});
  SteadyClock steady_;
  std::unique_ptr<ServiceAccess> access_;
};

TEST_F(ServiceWindowTest, StartsOnTheServicesClockAndSaysSo) {
  EXPECT_EQ(window_->windowTitle().toStdString(), "Orvane Configuration (through orvaned)");
  EXPECT_EQ(Text("SerNo"), "G60031");
  EXPECT_TRUE(window_->access().ConfigLoaded());
  EXPECT_FALSE(Text("N2_LS").empty());
  // Nothing of this window's own backend was opened.
  EXPECT_EQ(sim_.device_count(), 0u);
}

TEST_F(ServiceWindowTest, EachControlReachesTheServicesClockAsItsCommand) {
  const struct {
    const char* name;
    std::function<void()> act;
    int code;
  } kControls[] = {
      {"output", [this] { Click("OUT1EN"); }, command::kOutputEnable},
      {"drive", [this] { Pick("Enc1", 2); }, command::kDriveStrength},
      {"constellations", [this] { Click("GNSS_Galileo"); }, command::kConstellations},
      {"program", [this] { Click("SetFreq"); }, command::kPllConfiguration},
  };
  for (const auto& control : kControls) {
    const std::size_t mark = service_->device().received().size();
    control.act();
    const std::vector<int> codes = ServiceCodesSince(mark);
    EXPECT_NE(std::find(codes.begin(), codes.end(), control.code), codes.end()) << control.name;
  }
  EXPECT_TRUE(window_->access().DeviceDetected());
}

TEST_F(ServiceWindowTest, LiveStatusComesFromTheServicesPolls) {
  const std::uint64_t revision = window_->history().revision();
  // The satellite bars and the history take the stream's NAV-SVINFO, the offset its NAV-CLOCK.
  EXPECT_TRUE(TickUntil([&] {
    return window_->history().revision() != revision && Text("TCXO_acc") != "" &&
           Text("Label16") == "Signal loss count: 0";
  }));
}

TEST_F(ServiceWindowTest, ClosingLeavesTheServicesReceiverMessagesOn) {
  const std::size_t mark = service_->device().received().size();
  window_->close();
  const auto& received = service_->device().received();
  steady_.SleepFor(std::chrono::milliseconds(300));
  EXPECT_FALSE(StatusMessagesSwitchedOff({received.begin() + mark, received.end()}));
}

TEST_F(ServiceWindowTest, AServiceThatGoesAwayLosesTheClockWithoutHangingTheWindow) {
  ASSERT_TRUE(TickUntil([this] { return Text("Label16") != ""; }));
  service_.reset();
  EXPECT_TRUE(TickUntil([this] { return !window_->access().DeviceDetected(); }));
  EXPECT_EQ(Text("SerNo"), "");
  EXPECT_FALSE(window_->access().ConfigLoaded());
}

}  // namespace
}  // namespace orvane
