// Every user operation through the window, with each device fault injected in turn before each
// of the operation's exchanges: nothing crashes or waits without bound, the window never offers
// device controls without an open, read device, it comes back as a fresh start-up would show the
// device, and the device never receives a report that breaks a command's layout.
#include <functional>

#include "device/hid/forwarding_backend.h"
#include "support/window_fixture.h"

namespace orvane {
namespace {

using std::chrono::milliseconds;

// The length faults bring the device back with reports too short for the readback (39), for the
// PLL configuration (20), or with a capability query that yields no lengths at all (0).
enum class Fault { kUnplug, kFailedSet, kFailedGet, kFailedRead, kStalled, kLen39, kLen20, kLen0 };
const char* const kFaultNames[] = {"unplug",  "failed set", "failed get", "failed read",
                                   "stalled", "length 39",  "length 20",  "length 0"};

const char* const kDeviceControls[] = {"Frame3",   "Frame4",   "Enc1",    "OUT1ID",  "OUT1EN",
                                       "Out1Freq", "FindFreq", "SetFreq", "Advanced"};

// One window on fresh simulated devices, opened through this backend in front of the traced
// ones: it counts the exchanges (feature sets and gets, input reads) and injects `fault` just
// before exchange number `inject_at`. Its failed set, get or read, unlike the device's own, is
// disarmed when the fault is removed; the devices it opens with `zero_lengths` report lengths of 0.
struct Rig : WindowTest, ForwardingHidBackend {
  Rig() : ForwardingHidBackend(traced_) {}
  ~Rig() override { window_.reset(); }  // before the backend its handles lead through
  void TestBody() override {}

  struct Device : ForwardingHidDevice {
    using Base = ForwardingHidDevice;
    Device(std::unique_ptr<HidDevice> inner, Rig& rig, std::size_t index)
        : Base(std::move(inner)), rig(rig), index(index) {}
    bool SendFeature(std::span<const std::uint8_t> r) override {
      return rig.Before(index, Fault::kFailedSet) && Base::SendFeature(r);
    }
    bool GetFeature(std::span<std::uint8_t> r) override {
      return rig.Before(index, Fault::kFailedGet) && Base::GetFeature(r);
    }
    int ReadInput(std::span<std::uint8_t> b, milliseconds t, ReceiveTime* at = nullptr) override {
      return rig.Before(index, Fault::kFailedRead) ? Base::ReadInput(b, t, at) : -1;
    }
    int FeatureReportLength() const override { return zero ? 0 : Base::FeatureReportLength(); }
    int InputReportLength() const override { return zero ? 0 : Base::InputReportLength(); }
    Rig& rig;
    const std::size_t index;
    const bool zero = rig.zero_lengths == index;
  };

  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error) override {
    std::unique_ptr<HidDevice> device = ForwardingHidBackend::Open(path, error);
    if (device == nullptr) return nullptr;
    const std::size_t index = std::stoul(path.substr(path.find(':') + 1));  // "sim:N"
    return std::make_unique<Device>(std::move(device), *this, index);
  }

  // The device state the window shows after reading a device, and the controls it offers. BW
  // and the frequency labels keep what they showed when a readback cannot fill them.
  std::string Shown() {
    std::string shown =
        Texts({"SerNo", "lblManuf", "lblProduct", "lblVersion", "Enc1", "Out1Freq", "GPS", "N31",
               "N2_HS", "N2_LS", "N1_HS", "NC1_LS", "NC2_LS", "TCXO"}) +
        " " + Boxes();
    for (const char* name : kDeviceControls) shown += Control(name)->isEnabled() ? " E" : " D";
    const DeviceLink& link = window_->link();
    return shown + " " + link.serial() + (link.DeviceDetected() ? " detected" : "") +
           (link.ConfigLoaded() ? " loaded " : " ") +
           std::to_string(link.FeatureReportByteLength());
  }
  // What a window started afresh on the same devices shows.
  std::string FreshStartUp() {
    std::unique_ptr<frmMain> kept = std::exchange(window_, MakeWindow(traced_));
    window_->Form_Load();
    const std::string shown = Shown();
    window_ = std::move(kept);
    return shown;
  }
  bool Loaded() { return window_->link().DeviceDetected() && window_->link().ConfigLoaded(); }
  // Device controls are offered exactly while a device is open and read.
  void ExpectConsistent(const char* where) {
    EXPECT_EQ(window_->link().DeviceDetected(), window_->link().DeviceHandleOpen()) << where;
    for (const char* name : kDeviceControls)
      EXPECT_EQ(Control(name)->isEnabled(), Loaded()) << name << " " << where;
  }
  std::vector<std::string> Violations() {
    std::vector<std::string> all;
    for (std::size_t i = 0; i < sim_.device_count(); ++i)
      all.insert(all.end(), sim_.device(i).violations().begin(), sim_.device(i).violations().end());
    return all;
  }

  void Remove() {
    zero_lengths.reset();
    fail_next.reset();
    sim_.device(*faulted).StallInput(false);
    if (fault == Fault::kUnplug || fault >= Fault::kLen39) ComeBackWith(64);
    if (!opens_at_end) opens_at_end = TraceLines("open").size();
  }
  // False when this exchange is to fail.
  bool Before(std::size_t device, Fault kind) {
    if (inject_at == exchanges++) Inject(device);
    if (fail_next != kind) return true;
    fail_next.reset();
    opens_at_end = TraceLines("open").size();
    return false;
  }
  void Inject(std::size_t device) {
    faulted = device;
    if (fault == Fault::kUnplug) sim_.device(device).Unplug();
    if (fault >= Fault::kFailedSet && fault <= Fault::kFailedRead) fail_next = fault;
    if (fault == Fault::kStalled) sim_.device(device).StallInput(true);
    if (fault == Fault::kLen0) zero_lengths = device;
    if (fault >= Fault::kLen39)
      ComeBackWith(std::array{39, 20, 64}[int(fault) - int(Fault::kLen39)]);
  }
  void ComeBackWith(int length) {
    sim_.device(*faulted).Unplug();
    sim_.device(*faulted).SetReportLengths(length, length);
    sim_.device(*faulted).Replug();
  }

  Fault fault{};
  std::size_t exchanges = 0;
  // `opens_at_end`: the opens there were when the fault ended, so later ones are recoveries. A
  // failed set, get or read ends when it strikes, the others when they are removed.
  std::optional<std::size_t> inject_at, faulted, zero_lengths, opens_at_end;
  std::optional<Fault> fail_next;  // kFailedSet, kFailedGet or kFailedRead
};

struct Operation {
  const char* name;
  std::function<void(Rig&)> setup;  // not faulted; the window exists afterwards
  std::function<void(Rig&)> act;
  std::size_t devices = 1;
  bool ends_the_window = false;
};

// Steps an operation is made of.
const auto kThen = [](auto... steps) { return [=](Rig& rig) { (steps(rig), ...); }; };
const auto kOpen = [](Rig& rig) { rig.Start(rig); };
const auto kClick = [](const char* button) { return [=](Rig& rig) { rig.Click(button); }; };
const auto kPick = [](const char* list, int i) { return [=](Rig& rig) { rig.Pick(list, i); }; };
const auto kType = [](const char* field, const char* text) {
  return [=](Rig& rig) { rig.SetText(field, text); };
};
const auto kSearch = kThen(kType("Out1Freq", "10000000"),
                           [](Rig& rig) { rig.window_->search().Out1Freq_KeyPress(13); });
// Ticks until the receiver has a fix and its first estimate has been shown.
const auto kUntilEstimate = [](Rig& rig) {
  for (int i = 0; i < 400 && !rig.Control("set_TCXO_GPS")->isEnabled(); ++i) rig.Tick();
  ASSERT_TRUE(rig.Control("set_TCXO_GPS")->isEnabled());
};
const auto kOpenAndSearch = kThen(kOpen, kSearch);
// A divider choice is sent by "Save and recalibrate PLL".
const auto kPickAndSave = [](const char* list) {
  return kThen(kPick(list, 1), kClick("Command2"));
};

const Operation kOperations[] = {
    {"StartUp", [](Rig& rig) { rig.window_ = rig.MakeWindow(rig); },
     [](Rig& rig) { rig.window_->Form_Load(); }},
    {"SearchAndProgramming", kOpen, kSearch},
    {"VcoChoice", kOpenAndSearch, kPick("Fvco_list", 59)},
    {"N1HsChoiceSaved", kOpenAndSearch, kPickAndSave("N1HS_list")},
    {"N2HsChoiceSaved", kOpenAndSearch, kPickAndSave("N2HS_list")},
    {"N2LsChoiceSaved", kOpenAndSearch, kPickAndSave("N2LS_list")},
    {"DriveStrength", kOpen, kPick("Enc1", 2)},
    {"OutputEnable", kOpen, kClick("OUT1EN")},
    {"LedBlink", kOpen, kClick("OUT1ID")},
    {"Constellation", kOpen, kClick("GNSS_Galileo")},
    {"Update", kOpen, kClick("SetFreq")},
    {"SaveAndRecalibrate", kOpenAndSearch, kClick("Command2")},
    {"RegisterWrite", kOpen,
     kThen(kType("REG", "25"), kType("DATA", "160"), kClick("WriteRegister"))},
    {"Correction", kOpen, kThen(kType("TCXO", "-300"), kClick("set_TCXO"))},
    {"SaveCorrection", kThen(kOpen, kUntilEstimate), kClick("set_TCXO_GPS")},
    {"Sleep", kOpen, kClick("Sleep_cmd")},
    {"FactoryDefaults", kOpen, kClick("Command1")},
    {"SerialChange", kOpen, kThen(kType("SN", "G60040"), kClick("SetSN"))},
    {"Reselection", kOpen, kPick("SerNo", 0), 2},
    {"StatusTick", kOpen, [](Rig& rig) { rig.Tick(); }},
    {"Shutdown", kOpen, [](Rig& rig) { rig.window_->Form_Unload(); }, 1, true},
};

// Ticks with the fault still in place: long enough for a silent device to count as lost.
constexpr int kTicksWithFault = 25;
// Ticks allowed for the window to find the device again once the fault is gone.
constexpr int kTicksToRecover = 40;
// The most device waiting (pauses, bounded reads) one operation may hold the window for.
constexpr std::chrono::nanoseconds kLongestOperation = milliseconds(500);

// Names the parameter in test listings, where its bytes would otherwise show.
void PrintTo(const Operation& op, std::ostream* out) { *out << op.name; }

class FaultInjectionTest : public ::testing::TestWithParam<Operation> {
 protected:
  static void SetUpTestSuite() { Rig::SetUpTestSuite(); }
  // A fresh rig set up for the operation, its exchanges counted from here on.
  Rig& Prepare() {
    rig_.reset();  // one window at a time
    rig_ = std::make_unique<Rig>();
    for (std::size_t i = 0; i < GetParam().devices; ++i)
      rig_->AddDevice("G6003" + std::to_string(i + 1));
    GetParam().setup(*rig_);
    rig_->exchanges = 0;
    return *rig_;
  }
  std::unique_ptr<Rig> rig_;
};

TEST_P(FaultInjectionTest, EveryFaultBeforeEveryExchange) {
  const Operation& op = GetParam();
  Rig* rig = &Prepare();
  op.act(*rig);
  EXPECT_TRUE(rig->Violations().empty());
  ASSERT_GT(rig->exchanges, 0u);
  for (std::size_t at = 0, exchanges = rig->exchanges; at < exchanges; ++at) {
    for (int fault = 0; fault < static_cast<int>(std::size(kFaultNames)); ++fault) {
      SCOPED_TRACE(std::string(op.name) + " exchange " + std::to_string(at) + " " +
                   kFaultNames[fault]);
      rig = &Prepare();
      rig->fault = static_cast<Fault>(fault);
      rig->inject_at = at;
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
        for (int i = 0; i < kTicksToRecover && !rig->Loaded(); ++i) {
          rig->Tick();
          rig->ExpectConsistent("recovering");
        }
        EXPECT_TRUE(rig->Loaded());
        // A window that found the device again shows it as a fresh start-up does.
        if (rig->TraceLines("open").size() > *rig->opens_at_end) {
          EXPECT_EQ(rig->Shown(), rig->FreshStartUp());
        }
      }
      EXPECT_EQ(rig->Violations(), std::vector<std::string>{});
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultInjectionTest, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvane
