// Exit status per class of failure, and refused input that sends nothing.
#include <unistd.h>

#include <fstream>

#include "cli/exit_codes.h"
#include "cli_fixture.h"
#include "device/hid/locking_backend.h"

namespace orvane {
namespace {

// A backend whose clocks are listed but refuse to be opened, as without the udev rule.
struct DeniedBackend : ForwardingHidBackend {
  using ForwardingHidBackend::ForwardingHidBackend;
  std::unique_ptr<HidDevice> Open(const std::string&, OpenError* error) override {
    if (error != nullptr) *error = OpenError::kPermissionDenied;
    return nullptr;
  }
};

// Clocks that take every report but ignore the command with code `ignored`.
struct ForgetfulBackend : ForwardingHidBackend {
  struct Device : ForwardingHidDevice {
    Device(std::unique_ptr<HidDevice> inner, std::uint8_t ignored)
        : ForwardingHidDevice(std::move(inner)), ignored(ignored) {}
    bool SendFeature(std::span<const std::uint8_t> report) override {
      return report[1] == ignored || ForwardingHidDevice::SendFeature(report);
    }
    std::uint8_t ignored;
  };
  ForgetfulBackend(HidBackend& inner, std::uint8_t ignored)
      : ForwardingHidBackend(inner), ignored(ignored) {}
  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error) override {
    std::unique_ptr<HidDevice> device = ForwardingHidBackend::Open(path, error);
    return device ? std::make_unique<Device>(std::move(device), ignored) : nullptr;
  }
  std::uint8_t ignored;
};

int Code(ExitCode code) { return static_cast<int>(code); }

TEST_F(CliTest, NoClockOrNotTheNamedOneIsExitThreeAndOneThatCannotBeOpenedExitFour) {
  for (const char* command : {"show", "list"}) EXPECT_EQ(Run({command}), Code(ExitCode::kNoClock));
  backend_.AddDevice();
  EXPECT_EQ(Run({"--serial", "A00001", "output", "on"}), Code(ExitCode::kNoClock));
  EXPECT_NE(err_.str().find("attached: G60031"), std::string::npos) << err_.str();
  EXPECT_TRUE(backend_.device(0).received().empty());

  // A capture already there survives a record that finds no clock.
  const std::string capture = testing::TempDir() + "orvanectl_kept.ubx";
  std::ofstream(capture) << "kept";
  EXPECT_EQ(Run({"--serial", "A00001", "record", capture}), Code(ExitCode::kNoClock));
  std::string kept;
  std::getline(std::ifstream(capture), kept);
  EXPECT_EQ(kept, "kept");

  // Opening it refused, the error names the udev rule.
  DeniedBackend denied(backend_);
  decorated_ = &denied;
  EXPECT_EQ(Run({"show"}), Code(ExitCode::kCannotOpen));
  EXPECT_NE(err_.str().find("70-orvane.rules"), std::string::npos) << err_.str();
  EXPECT_EQ(Run({"list"}), 0);
  EXPECT_NE(out_.str().find("permission denied"), std::string::npos) << out_.str();

  // Held by another direct owner, the error names it.
  const std::string locks = testing::TempDir();
  LockingBackend locking(backend_, locks);
  decorated_ = &locking;
  const std::unique_ptr<ClockLock> held = ClockLock::Take(locks, "sim:0", nullptr);
  const std::string holder =
      std::string(program_invocation_short_name) + " (pid " + std::to_string(getpid()) + ")";
  EXPECT_EQ(Run({"show"}), Code(ExitCode::kCannotOpen));
  EXPECT_EQ(
      err_.str(),
      "orvanectl: the clock at sim:0 is attached but cannot be opened: in use by " + holder + "\n");
  EXPECT_EQ(Run({"list"}), 0);
  EXPECT_NE(out_.str().find("in use by " + holder), std::string::npos) << out_.str();
  EXPECT_TRUE(backend_.device(0).received().empty());
}

TEST_F(CliTest, ASettingTheReadbackDoesNotShowIsExitOne) {
  backend_.AddDevice();
  const std::pair<std::vector<std::string>, std::uint8_t> cases[] = {
      {{"output", "off"}, 1}, {{"drive", "8"}, 3}, {{"constellations", "gps"}, 12}};
  for (const auto& [args, code] : cases) {
    SCOPED_TRACE(args.front());
    ForgetfulBackend forgetful(backend_, code);
    decorated_ = &forgetful;
    EXPECT_EQ(Run(args), Code(ExitCode::kDeviceFailed));
    EXPECT_NE(err_.str().find("did not hold the " + args.front()), std::string::npos);
    EXPECT_EQ(out_.str(), "");
    decorated_ = nullptr;
    EXPECT_EQ(Run(args), 0) << err_.str();
  }
}

TEST_F(CliTest, RefusedReportsALostClockAndNoLockWithinTheWaitAreExitOne) {
  ClockDevice& clock = backend_.AddDevice();
  clock.FailNextGet();  // the configuration readback
  EXPECT_EQ(Run({"show"}), Code(ExitCode::kDeviceFailed));
  clock.FailNextSet();  // the first receiver-message switch
  EXPECT_EQ(Run({"output", "on"}), Code(ExitCode::kDeviceFailed));
  EXPECT_NE(err_.str().find("refused"), std::string::npos) << err_.str();

  int checks = 0;
  stop_ = [&] {
    if (++checks == 5) clock.Unplug();
    return false;
  };
  EXPECT_EQ(Run({"monitor"}), Code(ExitCode::kDeviceFailed));
  EXPECT_NE(err_.str().find("lost"), std::string::npos) << err_.str();

  backend_.AddDevice({.serial = "G60032", .make_receiver = {}});
  // The simulated PLL locks a second after programming.
  EXPECT_EQ(Run({"set-frequency", "10000000", "--wait", "0.5"}), Code(ExitCode::kDeviceFailed));
  EXPECT_NE(err_.str().find("did not report lock within 0.5 s"), std::string::npos);
  EXPECT_EQ(Run({"set-frequency", "10000000"}), 0) << err_.str();
  EXPECT_NE(out_.str().find("PLL             locked after"), std::string::npos) << out_.str();
}

TEST_F(CliTest, BadInputIsExitTwoWithNothingSent) {
  // The arguments and part of what the user is told.
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"set-frequency", "100"}, "lowest available frequency is 365 Hz"},
      {{"set-frequency", "9e8"}, "highest available frequency is 825 MHz"},
      {{"set-frequency", "10 MHz"}, "is not a number"},
      {{"program", "--gps", "1875000", "--n31", "0", "--n2hs", "10", "--n2ls", "224", "--n1hs",
        "10", "--nc1ls", "42", "--nc2ls", "46"},
       "--n31 0 is not accepted: the nearest value the PLL accepts is 1"},
      {{"serial", "123456"}, "one letter and five digits"},
      {{"constellations", "gps,galileo,mars"}, "constellation \"mars\" is not known"},
      {{"drive", "12"}, "choose 8, 16, 24 or 32"},
      {{"correction", "save", "9000"}, "from -7500 to 7500"},
      {{"record", "/nonexistent/dir/x.ubx"}, "cannot write /nonexistent/dir/x.ubx"},
      {{}, "subcommand"},
  };
  ClockDevice& clock = backend_.AddDevice();
  for (const auto& [args, message] : cases) {
    SCOPED_TRACE(message);
    EXPECT_EQ(Run(args), Code(ExitCode::kBadInput));
    EXPECT_NE(err_.str().find(message), std::string::npos) << err_.str();
  }
  EXPECT_TRUE(clock.received().empty());
}

}  // namespace
}  // namespace orvane
