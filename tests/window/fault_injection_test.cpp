// Every user operation through the window, with each device fault injected in turn before each
// of the operation's exchanges: nothing crashes or waits without bound, the window never offers
// device controls without an open, read device, it comes back as a fresh start-up would show the
// device, and the device never receives a report that breaks a command's layout.
#include <charconv>
#include <functional>
#include <iostream>
#include <map>

#include "device/hid/forwarding_backend.h"
#include "support/window_fixture.h"

namespace orvane {
namespace {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

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
constexpr Fault kFaults[] = {Fault::kUnplug,     Fault::kFailedSet,    Fault::kFailedGet,
                             Fault::kFailedRead, Fault::kStalledInput, Fault::kLength39,
                             Fault::kLength20,   Fault::kLength0};
const char* Name(Fault fault) {
  static const char* const kNames[] = {"unplug",  "failed set", "failed get", "failed read",
                                       "stalled", "length 39",  "length 20",  "length 0"};
  return kNames[static_cast<int>(fault)];
}

// In front of the traced devices: counts the exchanges (feature sets and gets, input reads) and
// calls `inject` with the device's index just before exchange number `inject_at`. Also fails the
// device's next set, get or read when asked (as the device's own controls do, but disarmed when
// the fault is removed), and gives handles opened on `zero_lengths_device` lengths of 0.
class FaultBackend : public ForwardingHidBackend {
 public:
  using ForwardingHidBackend::ForwardingHidBackend;

  std::unique_ptr<HidDevice> Open(const std::string& path, OpenError* error) override {
    std::unique_ptr<HidDevice> device = ForwardingHidBackend::Open(path, error);
    if (device == nullptr) return nullptr;
    std::size_t index = 0;
    std::from_chars(path.data() + path.find(':') + 1, path.data() + path.size(), index);
    return std::make_unique<Device>(std::move(device), *this, index);
  }

  std::size_t exchanges = 0;
  std::optional<std::size_t> inject_at;
  std::function<void(std::size_t device)> inject;
  std::optional<Fault> fail_next;  // kFailedSet, kFailedGet or kFailedRead
  std::function<void()> failed;    // `fail_next` has struck
  std::optional<std::size_t> zero_lengths_device;

 private:
  class Device : public ForwardingHidDevice {
   public:
    Device(std::unique_ptr<HidDevice> inner, FaultBackend& faults, std::size_t index)
        : ForwardingHidDevice(std::move(inner)),
          faults_(faults),
          index_(index),
          zero_(faults.zero_lengths_device == index) {}

    bool SendFeature(std::span<const std::uint8_t> report) override {
      return faults_.Before(index_, Fault::kFailedSet) && ForwardingHidDevice::SendFeature(report);
    }
    bool GetFeature(std::span<std::uint8_t> report) override {
      return faults_.Before(index_, Fault::kFailedGet) && ForwardingHidDevice::GetFeature(report);
    }
    int ReadInput(std::span<std::uint8_t> buffer, milliseconds timeout,
                  ReceiveTime* received = nullptr) override {
      if (!faults_.Before(index_, Fault::kFailedRead)) return -1;
      return ForwardingHidDevice::ReadInput(buffer, timeout, received);
    }
    int FeatureReportLength() const override {
      return zero_ ? 0 : ForwardingHidDevice::FeatureReportLength();
    }
    int InputReportLength() const override {
      return zero_ ? 0 : ForwardingHidDevice::InputReportLength();
    }

   private:
    FaultBackend& faults_;
    const std::size_t index_;
    const bool zero_;
  };

  // False when this exchange is to fail.
  bool Before(std::size_t device, Fault kind) {
    if (inject_at == exchanges++ && inject) inject(device);
    if (fail_next != kind) return true;
    fail_next.reset();
    if (failed) failed();
    return false;
  }
};

// The device state a window shows after reading a device, and whether it offers the controls.
using Snapshot = std::map<std::string, std::string>;

const char* const kDeviceControls[] = {"Frame3",   "Frame4",   "Enc1",    "OUT1ID",  "OUT1EN",
                                       "Out1Freq", "FindFreq", "SetFreq", "Advanced"};
// BW and the frequency labels keep what they showed when a readback cannot fill them.
const char* const kShownTexts[] = {"SerNo",    "lblManuf", "lblProduct", "lblVersion", "Enc1",
                                   "Out1Freq", "GPS",      "N31",        "N2_HS",      "N2_LS",
                                   "N1_HS",    "NC1_LS",   "NC2_LS",     "TCXO"};
const char* const kShownChecks[] = {"OUT1EN",      "GNSS_GPS",  "GNSS_SBAS", "GNSS_Galileo",
                                    "GNSS_BeiDou", "GNSS_IMES", "GNSS_QZSS", "GNSS_Glonass"};

// One window on fresh simulated devices, with the fault backend in front of them.
class Rig : public WindowTest {
 public:
  using WindowTest::SetUpTestSuite;
  // The window's handles lead through `faults_`, which goes before the fixture's members.
  ~Rig() override { window_.reset(); }
  void TestBody() override {}

  frmMain& window() { return *window_; }
  ClockDevice& device(std::size_t index = 0) { return sim_.device(index); }
  void Create() { window_ = MakeWindow(faults_); }
  void Open() { Start(faults_); }
  using WindowTest::AddDevice;
  using WindowTest::Control;
  using WindowTest::SetText;
  using WindowTest::Text;
  using WindowTest::Tick;
  using WindowTest::TraceLines;

  // A user's choice of entry `index` in list `name`.
  void Pick(const char* name, int index) {
    QComboBox* list = Control<QComboBox>(name);
    list->setCurrentIndex(index);
    emit list->activated(index);
  }
  void Click(const char* name) { Control<QAbstractButton>(name)->click(); }
  void PickAndSave(const char* list) {
    Pick(list, 1);
    Click("Command2");
  }
  void Search() {
    SetText("Out1Freq", "10000000");
    window_->search().Out1Freq_KeyPress(13);
  }

  Snapshot Shown() { return SnapshotOf(*window_); }
  // What a window started afresh on the same devices shows.
  Snapshot FreshStartUp() {
    std::unique_ptr<frmMain> fresh = MakeWindow(traced_);
    fresh->Form_Load();
    return SnapshotOf(*fresh);
  }

  // Device controls are offered exactly while a device is open and read.
  void ExpectConsistent(const std::string& where) {
    const DeviceLink& link = window_->link();
    EXPECT_EQ(link.DeviceDetected, link.DeviceHandle != nullptr) << where;
    const bool usable = link.DeviceDetected && link.ConfigLoaded;
    for (const char* name : kDeviceControls) {
      EXPECT_EQ(Control<QWidget>(name)->isEnabled(), usable) << name << " " << where;
    }
  }

  std::vector<std::string> Violations() {
    std::vector<std::string> all;
    for (std::size_t i = 0; i < sim_.device_count(); ++i) {
      all.insert(all.end(), sim_.device(i).violations().begin(), sim_.device(i).violations().end());
    }
    return all;
  }

  ManualClock& clock() { return clock_; }
  FaultBackend faults_{traced_};

 private:
  Snapshot SnapshotOf(frmMain& window) {
    Snapshot shown;
    for (const char* name : kShownTexts) {
      QWidget* control = window.controls().Find(QString::fromLatin1(name));
      if (auto* box = qobject_cast<QLineEdit*>(control)) shown[name] = box->text().toStdString();
      if (auto* label = qobject_cast<QLabel*>(control)) shown[name] = label->text().toStdString();
      if (auto* list = qobject_cast<QComboBox*>(control))
        shown[name] = list->currentText().toStdString();
    }
    for (const char* name : kShownChecks) {
      shown[std::string(name) + " checked"] =
          window.controls().Get<QCheckBox>(QString::fromLatin1(name))->isChecked() ? "1" : "0";
    }
    for (const char* name : kDeviceControls) {
      shown[std::string(name) + " enabled"] =
          window.controls().Find(QString::fromLatin1(name))->isEnabled() ? "1" : "0";
    }
    const DeviceLink& link = window.link();
    shown["link"] = link.serial + (link.DeviceDetected ? " detected" : "") +
                    (link.ConfigLoaded ? " loaded" : "") + " " +
                    std::to_string(link.FeatureReportByteLength);
    return shown;
  }
};

void Inject(Rig& rig, Fault fault, std::size_t index) {
  ClockDevice& device = rig.device(index);
  const auto come_back_with = [&](int length) {
    device.Unplug();
    device.SetReportLengths(length, length);
    device.Replug();
  };
  switch (fault) {
    case Fault::kUnplug:
      device.Unplug();
      break;
    case Fault::kFailedSet:
    case Fault::kFailedGet:
    case Fault::kFailedRead:
      rig.faults_.fail_next = fault;
      break;
    case Fault::kStalledInput:
      device.StallInput(true);
      break;
    case Fault::kLength39:
      come_back_with(39);
      break;
    case Fault::kLength20:
      come_back_with(20);
      break;
    case Fault::kLength0:
      rig.faults_.zero_lengths_device = index;
      come_back_with(64);
      break;
  }
}

void Remove(Rig& rig, Fault fault, std::size_t index) {
  ClockDevice& device = rig.device(index);
  rig.faults_.zero_lengths_device.reset();
  rig.faults_.fail_next.reset();
  device.StallInput(false);
  if (fault == Fault::kUnplug || fault >= Fault::kLength39) {
    device.Unplug();
    device.SetReportLengths(64, 64);
    device.Replug();
  }
}

struct Operation {
  const char* name;
  std::function<void(Rig&)> setup;  // not faulted; the window exists afterwards
  std::function<void(Rig&)> act;
  std::size_t devices = 1;
  bool ends_the_window = false;
};

const auto kOpen = [](Rig& rig) { rig.Open(); };
const auto kOpenAndSearch = [](Rig& rig) {
  rig.Open();
  rig.Search();
};

const Operation kOperations[] = {
    {"StartUp", [](Rig& rig) { rig.Create(); }, [](Rig& rig) { rig.window().Form_Load(); }},
    {"SearchAndProgramming", kOpen, [](Rig& rig) { rig.Search(); }},
    {"VcoChoice", kOpenAndSearch, [](Rig& rig) { rig.Pick("Fvco_list", 59); }},
    // A divider choice is sent by "Save and recalibrate PLL".
    {"N1HsChoiceSaved", kOpenAndSearch, [](Rig& rig) { rig.PickAndSave("N1HS_list"); }},
    {"N2HsChoiceSaved", kOpenAndSearch, [](Rig& rig) { rig.PickAndSave("N2HS_list"); }},
    {"N2LsChoiceSaved", kOpenAndSearch, [](Rig& rig) { rig.PickAndSave("N2LS_list"); }},
    {"DriveStrength", kOpen, [](Rig& rig) { rig.Pick("Enc1", 2); }},
    {"OutputEnable", kOpen, [](Rig& rig) { rig.Click("OUT1EN"); }},
    {"LedBlink", kOpen, [](Rig& rig) { rig.Click("OUT1ID"); }},
    {"Constellation", kOpen, [](Rig& rig) { rig.Click("GNSS_Galileo"); }},
    {"Update", kOpen, [](Rig& rig) { rig.Click("SetFreq"); }},
    {"SaveAndRecalibrate", kOpenAndSearch, [](Rig& rig) { rig.Click("Command2"); }},
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
    {"SaveCorrection",
     [](Rig& rig) {
       rig.Open();
       // Until the receiver has a fix and its first estimate has been shown.
       for (int i = 0; i < 400 && !rig.Control<QWidget>("set_TCXO_GPS")->isEnabled(); ++i) {
         rig.Tick();
       }
       ASSERT_TRUE(rig.Control<QWidget>("set_TCXO_GPS")->isEnabled());
     },
     [](Rig& rig) { rig.Click("set_TCXO_GPS"); }},
    {"Sleep", kOpen, [](Rig& rig) { rig.Click("Sleep_cmd"); }},
    {"FactoryDefaults", kOpen, [](Rig& rig) { rig.Click("Command1"); }},
    {"SerialChange", kOpen,
     [](Rig& rig) {
       rig.SetText("SN", "G60040");
       rig.Click("SetSN");
     }},
    {"Reselection", kOpen, [](Rig& rig) { rig.Pick("SerNo", 0); }, 2},
    {"StatusTick", kOpen, [](Rig& rig) { rig.Tick(); }},
    {"Shutdown", kOpen, [](Rig& rig) { rig.window().Form_Unload(); }, 1, true},
};

// Ticks with the fault still in place: long enough for a silent device to count as lost.
constexpr int kTicksWithFault = 25;
// Ticks allowed for the window to find the device again once the fault is gone.
constexpr int kTicksToRecover = 40;
// The most device waiting (pauses, bounded reads) one operation may hold the window for.
constexpr nanoseconds kLongestOperation = milliseconds(500);

std::unique_ptr<Rig> Prepare(const Operation& op) {
  auto rig = std::make_unique<Rig>();
  for (std::size_t i = 0; i < op.devices; ++i) {
    ClockDeviceOptions options;
    options.serial = "G6003" + std::to_string(i + 1);
    rig->AddDevice(options);
  }
  op.setup(*rig);
  return rig;
}

std::size_t CountExchanges(const Operation& op) {
  std::unique_ptr<Rig> rig = Prepare(op);
  const std::size_t before = rig->faults_.exchanges;
  op.act(*rig);
  EXPECT_TRUE(rig->Violations().empty()) << op.name;
  return rig->faults_.exchanges - before;
}

void RunCase(const Operation& op, std::size_t at, Fault fault) {
  const std::string where =
      std::string(op.name) + " exchange " + std::to_string(at) + " " + Name(fault);
  SCOPED_TRACE(where);
  std::unique_ptr<Rig> rig = Prepare(op);
  std::optional<std::size_t> faulted;
  rig->faults_.inject_at = rig->faults_.exchanges + at;
  rig->faults_.inject = [&](std::size_t index) {
    faulted = index;
    Inject(*rig, fault, index);
  };
  // Opens from the end of the fault on are recoveries: a failed set, get or read ends when it
  // strikes, the others when they are removed.
  std::optional<std::size_t> opens_at_end;
  const auto fault_ends = [&] {
    if (!opens_at_end) opens_at_end = rig->TraceLines("open").size();
  };
  rig->faults_.failed = fault_ends;
  const nanoseconds start = rig->clock().Now();
  op.act(*rig);
  EXPECT_LE(rig->clock().Now() - start, kLongestOperation);
  ASSERT_TRUE(faulted.has_value());
  if (!op.ends_the_window) {
    for (int i = 0; i < kTicksWithFault; ++i) {
      rig->Tick();
      rig->ExpectConsistent("with the fault");
    }
    Remove(*rig, fault, *faulted);
    fault_ends();
    const auto recovered = [&] {
      return rig->window().link().DeviceDetected && rig->window().link().ConfigLoaded;
    };
    for (int i = 0; i < kTicksToRecover && !recovered(); ++i) {
      rig->Tick();
      rig->ExpectConsistent("recovering");
    }
    EXPECT_TRUE(recovered());
    // A window that found the device again shows it as a fresh start-up does.
    if (rig->TraceLines("open").size() > *opens_at_end) {
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
  const std::size_t exchanges = CountExchanges(op);
  ASSERT_GT(exchanges, 0u);
  for (std::size_t at = 0; at < exchanges; ++at) {
    for (const Fault fault : kFaults) RunCase(op, at, fault);
  }
  std::cout << op.name << ": " << exchanges << " exchanges x " << std::size(kFaults)
            << " faults = " << exchanges * std::size(kFaults) << " cases\n";
}

INSTANTIATE_TEST_SUITE_P(Operations, FaultInjectionTest, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvane
