// Every user operation through the window, with each device fault injected in turn before each
// of the operation's exchanges: nothing crashes or waits without bound, the window never offers
// device controls without an open, read device, it comes back as a fresh start-up would show the
// device, and the device never receives a report that breaks a command's layout.
#include <charconv>
#include <functional>
#include <iostream>

#include "device/hid/forwarding_backend.h"
#include "support/window_fixture.h"

namespace orvane {
namespace {

using std::chrono::milliseconds;

enum class Fault {
  kUnplug,
  kFailedSet,
  kFailedGet,
  kFailedRead,
  kStalledInput,
  kLength39,  // the device comes back with reports too short for the readback
  kLength20,  // ... too short even for the PLL configuration
  kLength0,   // ... and a capability query that yields no lengths at all
};
const char* const kFaultNames[] = {"unplug",  "failed set", "failed get", "failed read",
                                   "stalled", "length 39",  "length 20",  "length 0"};

const char* const kDeviceControls[] = {"Frame3",   "Frame4",   "Enc1",    "OUT1ID",  "OUT1EN",
                                       "Out1Freq", "FindFreq", "SetFreq", "Advanced"};
const char* const kShownChecks[] = {"OUT1EN",      "GNSS_GPS",  "GNSS_SBAS", "GNSS_Galileo",
                                    "GNSS_BeiDou", "GNSS_IMES", "GNSS_QZSS", "GNSS_Glonass"};

// One window on fresh simulated devices, opened through this backend in front of the traced
// ones: it counts the exchanges (feature sets and gets, input reads) and injects `fault` just
// before exchange number `inject_at`. Its failed set, get or read, unlike the device's own, is
// disarmed when the fault is removed; the devices it opens with `zero_lengths` report lengths of 0.
class Rig : public WindowTest, public ForwardingHidBackend {
 public:
  Rig() : ForwardingHidBackend(traced_) {}
  ~Rig() override { window_.reset(); }  // before the backend its handles lead through
  void TestBody() override {}

  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error) override {
    std::unique_ptr<HidDevice> device = ForwardingHidBackend::Open(path, error);
    if (device == nullptr) return nullptr;
    std::size_t index = 0;
    std::from_chars(path.data() + path.find(':') + 1, path.data() + path.size(), index);
    return std::make_unique<Device>(std::move(device), *this, index);
  }

  void PickAndSave(const char* list) {
    Pick(list, 1);
    Click("Command2");  // a divider choice is sent by "Save and recalibrate PLL"
  }
  void Search() {
    SetText("Out1Freq", "10000000");
    window_->search().Out1Freq_KeyPress(13);
  }
  // The device state the window shows after reading a device, and the controls it offers. BW
  // and the frequency labels keep what they showed when a readback cannot fill them.
  std::string Shown() {
    std::string shown =
        Texts({"SerNo", "lblManuf", "lblProduct", "lblVersion", "Enc1", "Out1Freq", "GPS", "N31",
               "N2_HS", "N2_LS", "N1_HS", "NC1_LS", "NC2_LS", "TCXO"});
    for (const char* box : kShownChecks)
      shown += Control<QCheckBox>(box)->isChecked() ? " x" : " -";
    for (const char* name : kDeviceControls) shown += Control(name)->isEnabled() ? " E" : " D";
    const DeviceLink& link = window_->link();
    return shown + " " + link.serial + (link.DeviceDetected ? " detected" : "") +
           (link.ConfigLoaded ? " loaded " : " ") + std::to_string(link.FeatureReportByteLength);
  }
  // What a window started afresh on the same devices shows.
  std::string FreshStartUp() {
    std::unique_ptr<frmMain> kept = std::exchange(window_, MakeWindow(traced_));
    window_->Form_Load();
    const std::string shown = Shown();
    window_ = std::move(kept);
    return shown;
  }
  // Device controls are offered exactly while a device is open and read.
  void ExpectConsistent(const char* where) {
    const DeviceLink& link = window_->link();
    EXPECT_EQ(link.DeviceDetected, link.DeviceHandle != nullptr) << where;
    for (const char* name : kDeviceControls) {
      EXPECT_EQ(Control(name)->isEnabled(), link.DeviceDetected && link.ConfigLoaded)
          << name << " " << where;
    }
  }
  std::vector<std::string> Violations() {
    std::vector<std::string> all;
    for (std::size_t i = 0; i < sim_.device_count(); ++i) {
      all.insert(all.end(), sim_.device(i).violations().begin(), sim_.device(i).violations().end());
    }
    return all;
  }

  // Remembers how many opens there were when the fault ended: later ones are recoveries. A
  // failed set, get or read ends when it strikes, the others when they are removed.
  void FaultEnds() {
    if (!opens_at_end) opens_at_end = TraceLines("open").size();
  }
  void Remove() {
    zero_lengths.reset();
    fail_next.reset();
    sim_.device(*faulted).StallInput(false);
    if (fault == Fault::kUnplug || fault >= Fault::kLength39) ComeBackWith(64);
    FaultEnds();
  }

  Fault fault{};
  std::size_t exchanges = 0;
  std::optional<std::size_t> inject_at, faulted, opens_at_end;

 private:
  class Device : public ForwardingHidDevice {
   public:
    Device(std::unique_ptr<HidDevice> inner, Rig& rig, std::size_t index)
        : ForwardingHidDevice(std::move(inner)), rig_(rig), index_(index) {}

    bool SendFeature(std::span<const std::uint8_t> report) override {
      return rig_.Before(index_, Fault::kFailedSet) && ForwardingHidDevice::SendFeature(report);
    }
    bool GetFeature(std::span<std::uint8_t> report) override {
      return rig_.Before(index_, Fault::kFailedGet) && ForwardingHidDevice::GetFeature(report);
    }
    int ReadInput(std::span<std::uint8_t> buffer, milliseconds timeout,
                  ReceiveTime* received = nullptr) override {
      if (!rig_.Before(index_, Fault::kFailedRead)) return -1;
      return ForwardingHidDevice::ReadInput(buffer, timeout, received);
    }
    int FeatureReportLength() const override {
      return zero_ ? 0 : ForwardingHidDevice::FeatureReportLength();
    }
    int InputReportLength() const override {
      return zero_ ? 0 : ForwardingHidDevice::InputReportLength();
    }

   private:
    Rig& rig_;
    const std::size_t index_;
    const bool zero_ = rig_.zero_lengths == index_;
  };

  // False when this exchange is to fail.
  bool Before(std::size_t device, Fault kind) {
    if (inject_at == exchanges++) Inject(device);
    if (fail_next != kind) return true;
    fail_next.reset();
    FaultEnds();
    return false;
  }
  void Inject(std::size_t device) {
    faulted = device;
    if (fault == Fault::kUnplug) sim_.device(device).Unplug();
    if (fault >= Fault::kFailedSet && fault <= Fault::kFailedRead) fail_next = fault;
    if (fault == Fault::kStalledInput) sim_.device(device).StallInput(true);
    if (fault == Fault::kLength39) ComeBackWith(39);
    if (fault == Fault::kLength20) ComeBackWith(20);
    if (fault == Fault::kLength0) {
      zero_lengths = device;
      ComeBackWith(64);
    }
  }
  void ComeBackWith(int length) {
    sim_.device(*faulted).Unplug();
    sim_.device(*faulted).SetReportLengths(length, length);
    sim_.device(*faulted).Replug();
  }

  std::optional<Fault> fail_next;  // kFailedSet, kFailedGet or kFailedRead
  std::optional<std::size_t> zero_lengths;
};

struct Operation {
  const char* name;
  std::function<void(Rig&)> setup;  // not faulted; the window exists afterwards
  std::function<void(Rig&)> act;
  std::size_t devices = 1;
  bool ends_the_window = false;
};

const auto kOpen = [](Rig& rig) { rig.Start(rig); };
const auto kOpenAndSearch = [](Rig& rig) {
  kOpen(rig);
  rig.Search();
};
// Opened, then ticked until the receiver has a fix and its first estimate has been shown.
const auto kOpenUntilEstimate = [](Rig& rig) {
  kOpen(rig);
  for (int i = 0; i < 400 && !rig.Control("set_TCXO_GPS")->isEnabled(); ++i) rig.Tick();
  ASSERT_TRUE(rig.Control("set_TCXO_GPS")->isEnabled());
};
const auto kClick = [](const char* button) { return [=](Rig& rig) { rig.Click(button); }; };

const Operation kOperations[] = {
    {"StartUp", [](Rig& rig) { rig.window_ = rig.MakeWindow(rig); },
     [](Rig& rig) { rig.window_->Form_Load(); }},
    {"SearchAndProgramming", kOpen, [](Rig& rig) { rig.Search(); }},
    {"VcoChoice", kOpenAndSearch, [](Rig& rig) { rig.Pick("Fvco_list", 59); }},
    {"N1HsChoiceSaved", kOpenAndSearch, [](Rig& rig) { rig.PickAndSave("N1HS_list"); }},
    {"N2HsChoiceSaved", kOpenAndSearch, [](Rig& rig) { rig.PickAndSave("N2HS_list"); }},
    {"N2LsChoiceSaved", kOpenAndSearch, [](Rig& rig) { rig.PickAndSave("N2LS_list"); }},
    {"DriveStrength", kOpen, [](Rig& rig) { rig.Pick("Enc1", 2); }},
    {"OutputEnable", kOpen, kClick("OUT1EN")},
    {"LedBlink", kOpen, kClick("OUT1ID")},
    {"Constellation", kOpen, kClick("GNSS_Galileo")},
    {"Update", kOpen, kClick("SetFreq")},
    {"SaveAndRecalibrate", kOpenAndSearch, kClick("Command2")},
    {"RegisterWrite", kOpen,
     [](Rig& rig) {
       rig.SetText("REG", "25");
       rig.SetText("DATA", "160");
       rig.Click("WriteRegister");
     }},
    {"Correction", kOpen,
     [](Rig& rig) {
       rig.SetText("TCXO", "-300");
       rig.Click("set_TCXO");
     }},
    {"SaveCorrection", kOpenUntilEstimate, kClick("set_TCXO_GPS")},
    {"Sleep", kOpen, kClick("Sleep_cmd")},
    {"FactoryDefaults", kOpen, kClick("Command1")},
    {"SerialChange", kOpen,
     [](Rig& rig) {
       rig.SetText("SN", "G60040");
       rig.Click("SetSN");
     }},
    {"Reselection", kOpen, [](Rig& rig) { rig.Pick("SerNo", 0); }, 2},
    {"StatusTick", kOpen, [](Rig& rig) { rig.Tick(); }},
    {"Shutdown", kOpen, [](Rig& rig) { rig.window_->Form_Unload(); }, 1, true},
};

// Ticks with the fault still in place: long enough for a silent device to count as lost.
constexpr int kTicksWithFault = 25;
// Ticks allowed for the window to find the device again once the fault is gone.
constexpr int kTicksToRecover = 40;
// The most device waiting (pauses, bounded reads) one operation may hold the window for.
constexpr std::chrono::nanoseconds kLongestOperation = milliseconds(500);

std::unique_ptr<Rig> Prepare(const Operation& op) {
  auto rig = std::make_unique<Rig>();
  for (std::size_t i = 0; i < op.devices; ++i) {
    rig->AddDevice("G6003" + std::to_string(i + 1));
  }
  op.setup(*rig);
  return rig;
}

void RunCase(const Operation& op, std::size_t at, Fault fault) {
  SCOPED_TRACE(std::string(op.name) + " exchange " + std::to_string(at) + " " +
               kFaultNames[static_cast<int>(fault)]);
  std::unique_ptr<Rig> rig = Prepare(op);
  rig->fault = fault;
  rig->inject_at = rig->exchanges + at;
  const auto start = rig->clock_.Now();
  op.act(*rig);
  EXPECT_LE(rig->clock_.Now() - start, kLongestOperation);
  ASSERT_TRUE(rig->faulted.has_value());
  if (!op.ends_the_window) {
    for (int i = 0; i < kTicksWithFault; ++i) {
      rig->Tick();
      rig->ExpectConsistent("with the fault");
    }
    rig->Remove();
    const DeviceLink& link = rig->window_->link();
    for (int i = 0; i < kTicksToRecover && !(link.DeviceDetected && link.ConfigLoaded); ++i) {
      rig->Tick();
      rig->ExpectConsistent("recovering");
    }
    EXPECT_TRUE(link.DeviceDetected && link.ConfigLoaded);
    // A window that found the device again shows it as a fresh start-up does.
    if (rig->TraceLines("open").size() > *rig->opens_at_end) {
      EXPECT_EQ(rig->Shown(), rig->FreshStartUp());
    }
  }
  EXPECT_EQ(rig->Violations(), std::vector<std::string>{});
}

void PrintTo(const Operation& op, std::ostream* out) { *out << op.name; }

class FaultInjectionTest : public ::testing::TestWithParam<Operation> {
 protected:
  static void SetUpTestSuite() { Rig::SetUpTestSuite(); }
};

TEST_P(FaultInjectionTest, EveryFaultBeforeEveryExchange) {
  const Operation& op = GetParam();
  std::size_t exchanges = 0;
  {
    std::unique_ptr<Rig> rig = Prepare(op);
    const std::size_t before = rig->exchanges;
    op.act(*rig);
    EXPECT_TRUE(rig->Violations().empty());
    exchanges = rig->exchanges - before;
  }
  ASSERT_GT(exchanges, 0u);
  for (std::size_t at = 0; at < exchanges; ++at) {
    for (int fault = 0; fault < static_cast<int>(std::size(kFaultNames)); ++fault) {
      RunCase(op, at, static_cast<Fault>(fault));
    }
  }
  std::cout << op.name << ": " << exchanges << " exchanges x " << std::size(kFaultNames)
            << " faults\n";
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultInjectionTest, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvane
