#include "window/frm_main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orvane {

frmMain::frmMain(AppServices services, QWidget* parent)
    : QWidget(parent),
      services_(std::move(services)),
      controls_(this),
      session_(services_.backend, services_.trace, services_.clock) {
  setObjectName(QStringLiteral("frmMain"));
  message_ = [this](const QString& title, const QString& text) {
    services_.trace.Write("-", "message", (title + " | " + text).toStdString());
    if (services_.show_message) services_.show_message(title, text);
  };
  setWindowTitle(QStringLiteral("Orvane Configuration"));
  // The window was laid out for a narrow sans-serif face; Arial (or a metric-compatible
  // substitute) keeps the captions inside their controls.
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(9.75);
  setFont(font);
  setFixedSize(TwipsToPixels(kWideTwips), TwipsToPixels(kClientHeightTwips));

  Timer_.setInterval(50);
  session_.link().set_poll_interval = [this](std::chrono::milliseconds interval) {
    // Setting the interval restarts the timer: only a change may do that.
    if (Timer_.interval() != interval.count())
      Timer_.setInterval(static_cast<int>(interval.count()));
  };

  bars_ = std::make_unique<SatelliteBars>(controls_.Get<QFrame>("PicSat"));
  discovery_ = std::make_unique<Discovery>(
      Discovery::Controls{controls_.Get<QComboBox>("SerNo"),
                          controls_.Get<QLabel>("lblAccessHint")},
      session_, events_, Timer_, [this] { readback_->ReadDeviceConfiguration(); });
  CreateStatusHandlers();

  CreatePllHandlers();
  CreateConfigurationHandlers();
  events_.OnButtonClick(controls_.Get<QPushButton>("Advanced"), [this] { Advanced_Click(); });
  connect(&Timer_, &QTimer::timeout, this, [this] { poll_->Timer_Timer(); });
}

frmMain::~frmMain() { Form_Unload(); }

DividerFieldBoxes frmMain::DividerFields() const {
  return {controls_.Get<QLineEdit>("GPS"),    controls_.Get<QLineEdit>("N31"),
          controls_.Get<QLineEdit>("N2_HS"),  controls_.Get<QLineEdit>("N2_LS"),
          controls_.Get<QLineEdit>("N1_HS"),  controls_.Get<QLineEdit>("NC1_LS"),
          controls_.Get<QLineEdit>("NC2_LS"), controls_.Get<QLineEdit>("BW")};
}

void frmMain::CreateStatusHandlers() {
  const ControlInventory& c = controls_;
  telemetry_ = std::make_unique<TelemetryDisplay>(
      TelemetryDisplay::Controls{c.Get<QLabel>("TCXO_ppb"), c.Get<QLabel>("TCXO_acc"),
                                 c.Get<QLabel>("Label20")},
      *bars_, session_, services_.host_clock);
  poll_ = std::make_unique<PollHandlers>(
      PollHandlers::Controls{c.Get<QLabel>("Label16"), c.Get<QLabel>("LOS"), c.Get<QLabel>("LOL"),
                             c.Get<QPushButton>("set_TCXO_GPS"), c.Get<QLabel>("Label29"),
                             c.Get<QLineEdit>("GPS"), c.Get<QLineEdit>("N2_HS"),
                             c.Get<QLineEdit>("N2_LS")},
      session_, *telemetry_, *bars_,
      PollHandlers::Calls{[this] { discovery_->Scan_USB_devices(); },
                          [this] { return discovery_->FindTheHidOrAnother(); },
                          [this] { readback_->ReadDeviceConfiguration(); }});
}

void frmMain::CreatePllHandlers() {
  const ControlInventory& c = controls_;
  programming_ = std::make_unique<ProgrammingHandlers>(
      ProgrammingHandlers::Controls{
          DividerFields(), c.Get<QLineEdit>("Out1Freq"), c.Get<QLabel>("F3lbl"),
          c.Get<QLabel>("Fosclbl"), c.Get<QLabel>("Label12"), c.Get<QLineEdit>("REG"),
          c.Get<QLineEdit>("DATA"), c.Get<QLineEdit>("NC1LS_calc"), c.Get<QLineEdit>("F3_calc"),
          c.Get<QComboBox>("N1HS_list"), c.Get<QComboBox>("N2HS_list"),
          c.Get<QComboBox>("N2LS_list"), c.Get<QPushButton>("SetFreq"),
          c.Get<QPushButton>("WriteRegister"), c.Get<QPushButton>("Command2")},
      session_, events_, message_);
  vco_selection_ = std::make_unique<VcoSelectionHandlers>(
      VcoSelectionHandlers::Controls{DividerFields(), c.Get<QLineEdit>("Out1Freq"),
                                     c.Get<QComboBox>("Fvco_list"), c.Get<QComboBox>("N1HS_list"),
                                     c.Get<QLineEdit>("NC1LS_calc"), c.Get<QComboBox>("N2HS_list"),
                                     c.Get<QComboBox>("N2LS_list"), c.Get<QLineEdit>("F3_calc")},
      candidates_, events_, *programming_, message_);
  search_ = std::make_unique<SearchHandlers>(
      SearchHandlers::Controls{
          DividerFields(), c.Get<QLineEdit>("Out1Freq"), c.Get<QLabel>("Label1"),
          c.Get<QLabel>("Fosclbl"), c.Get<QPushButton>("FindFreq"), c.Get<QPushButton>("SetFreq"),
          c.Get<QPushButton>("Advanced"), c.Get<QPushButton>("Command1"),
          c.Get<QPushButton>("set_TCXO"), c.Get<QPushButton>("set_TCXO_GPS"), c.Find("Bar"),
          c.Find("Progress"), c.Get<QComboBox>("freq_list"), c.Get<QComboBox>("Fvco_list")},
      candidates_, *vco_selection_, events_, message_, [] { QCoreApplication::processEvents(); });
}

void frmMain::CreateConfigurationHandlers() {
  const ControlInventory& c = controls_;
  readback_ = std::make_unique<ConfigReadback>(
      ConfigReadback::Controls{c.Find("Frame1"),
                               c.Find("Frame3"),
                               c.Find("Frame4"),
                               c.Get<QLabel>("lblManuf"),
                               c.Get<QLabel>("lblProduct"),
                               c.Get<QLabel>("lblVersion"),
                               c.Get<QComboBox>("Enc1"),
                               c.Get<QPushButton>("OUT1ID"),
                               c.Get<QCheckBox>("OUT1EN"),
                               c.Get<QLineEdit>("Out1Freq"),
                               c.Get<QPushButton>("FindFreq"),
                               c.Get<QLabel>("Label1"),
                               c.Get<QPushButton>("SetFreq"),
                               c.Get<QPushButton>("Advanced"),
                               DividerFields(),
                               c.Get<QLabel>("TCXO_ppb"),
                               c.Get<QLineEdit>("TCXO"),
                               {c.Get<QCheckBox>("GNSS_GPS"), c.Get<QCheckBox>("GNSS_SBAS"),
                                c.Get<QCheckBox>("GNSS_Galileo"), c.Get<QCheckBox>("GNSS_BeiDou"),
                                c.Get<QCheckBox>("GNSS_IMES"), c.Get<QCheckBox>("GNSS_QZSS"),
                                c.Get<QCheckBox>("GNSS_Glonass")}},
      session_, events_, message_,
      ConfigReadback::Calls{[this] { programming_->RefreshFrequencyDisplays(); },
                            [this] { PlaceEmptyBars(); }});
  output_ = std::make_unique<OutputHandlers>(
      OutputHandlers::Controls{c.Get<QCheckBox>("OUT1EN"), c.Get<QPushButton>("OUT1ID"),
                               c.Get<QComboBox>("Enc1"), c.Get<QLineEdit>("SN"),
                               c.Get<QPushButton>("SetSN")},
      session_, events_, message_);
  constellations_ = std::make_unique<ConstellationHandlers>(
      ConstellationHandlers::Controls{c.Get<QCheckBox>("GNSS_GPS"), c.Get<QCheckBox>("GNSS_SBAS"),
                                      c.Get<QCheckBox>("GNSS_Galileo"),
                                      c.Get<QCheckBox>("GNSS_BeiDou"),
                                      c.Get<QCheckBox>("GNSS_IMES"), c.Get<QCheckBox>("GNSS_QZSS"),
                                      c.Get<QCheckBox>("GNSS_Glonass")},
      session_, events_);
  correction_ = std::make_unique<CorrectionHandlers>(
      CorrectionHandlers::Controls{
          c.Get<QLineEdit>("TCXO"), c.Get<QLabel>("TCXO_ppb"), c.Get<QPushButton>("set_TCXO"),
          c.Get<QPushButton>("set_TCXO_GPS"), c.Get<QPushButton>("Sleep_cmd"),
          c.Get<QPushButton>("Command1"), c.Get<QComboBox>("SerNo"), c.Get<QComboBox>("Enc1"),
          c.Get<QCheckBox>("OUT1EN"), c.Get<QLineEdit>("Out1Freq"), c.Get<QComboBox>("Fvco_list")},
      session_, events_, message_,
      CorrectionHandlers::Calls{[this] { output_->SetSN_Click(); },
                                [this] { search_->FindFreq_Click(); },
                                [this] { programming_->Command2_Click(); },
                                [this] { readback_->ReadDeviceConfiguration(); }});
}

void frmMain::Form_Load() {
  AdvancedCollapsed = true;
  session_.link().ConfigLoaded = false;
  session_.link().ReselectPending = false;
  session_.link().DeviceListReady = false;
  Advanced_Click();
  show();
  bars_->CreateCopies();
  PlaceEmptyBars();
  discovery_->Scan_USB_devices();
  session_.link().DeviceDetected = discovery_->FindTheHidOrAnother();
  readback_->ReadDeviceConfiguration();
  Timer_.start();
}

// Every bar at its place and empty height. A colour already drawn stays, as the readback's
// flattening wants; at start-up every bar is still black.
void frmMain::PlaceEmptyBars() { bars_->Flatten(); }

void frmMain::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  // The receiver stops the two messages the readback switched on (guards keep a closed or unread
  // device out of it).
  session_.StopStatusMessages();
  Timer_.stop();
  session_.link().DeviceListReady = false;
  session_.Close();
}

void frmMain::Advanced_Click() {
  auto* button = controls_.Get<QPushButton>("Advanced");
  if (AdvancedCollapsed) {
    AdvancedCollapsed = false;
    outer_width_twips_ = kWideTwips;
    button->setText(QStringLiteral("Advanced  <<<"));
  } else {
    AdvancedCollapsed = true;
    outer_width_twips_ = kNarrowTwips;
    button->setText(QStringLiteral("Advanced  >>>"));
  }
  // Narrowing cuts the advanced side off; its controls are not hidden one by one.
  setFixedWidth(TwipsToPixels(outer_width_twips_));
}

void frmMain::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

}  // namespace orvane
