#include "window/frm_main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

namespace orvane {
namespace {

// The caption says whose clocks the window shows: its own, or orvaned's (read-only when this
// user may not change them).
QString WindowTitle(const ServiceAccess* service) {
  QString title = QStringLiteral("Orvane Configuration");
  if (service != nullptr) {
    title += service->writable() ? QStringLiteral(" (through orvaned)")
                                 : QStringLiteral(" (through orvaned, read-only)");
  }
  return title;
}

}  // namespace

frmMain::frmMain(AppServices services, QWidget* parent)
    : QWidget(parent),
      services_(std::move(services)),
      controls_(this),
      session_(services_.backend, services_.trace, services_.clock),
      direct_(session_),
      access_(services_.service ? static_cast<ClockAccess&>(*services_.service) : direct_) {
  setObjectName(QStringLiteral("frmMain"));
  message_ = [this](const QString& title, const QString& text) {
    services_.trace.Write("-", "message", (title + " | " + text).toStdString());
    if (services_.show_message) services_.show_message(title, text);
  };
  setWindowTitle(WindowTitle(services_.service));
  if (services_.service) {
    services_.service->set_refusal_shown([this](const std::string& why) {
      message_(QStringLiteral("Change refused"), QString::fromStdString(why));
    });
  }
  // The window was laid out for a narrow sans-serif face; Arial (or a metric-compatible
  // substitute) keeps the captions inside their controls.
  QFont font(QStringLiteral("Arial"));
  font.setPointSizeF(9.75);
  setFont(font);
  setFixedSize(TwipsToPixels(kWideTwips), TwipsToPixels(kClientHeightTwips));

  Timer_.setInterval(static_cast<int>(ClockSession::kPollInterval.count()));

  bars_ = std::make_unique<SatelliteBars>(controls_.Get<QFrame>("PicSat"));
  discovery_ = std::make_unique<Discovery>(
      Discovery::Controls{.SerNo = controls_.Get<QComboBox>("SerNo"),
                          .lblAccessHint = controls_.Get<QLabel>("lblAccessHint")},
      access_, events_, Timer_, [this] { readback_->ReadDeviceConfiguration(); });
  CreateStatusHandlers();

  CreatePllHandlers();
  CreateConfigurationHandlers();
  events_.OnButtonClick(controls_.Get<QPushButton>("Advanced"), [this] { Advanced_Click(); });
  events_.OnButtonClick(controls_.Get<QPushButton>("History"), [this] { History_Click(); });
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_H), this), &QShortcut::activated, this,
          [this] { History_Click(); });
  connect(&Timer_, &QTimer::timeout, this, [this] { poll_->Timer_Timer(); });
}

frmMain::~frmMain() { Form_Unload(); }

DividerFieldBoxes frmMain::DividerFields() const {
  const auto field = [this](const char* name) { return controls_.Get<QLineEdit>(name); };
  return {.GPS = field("GPS"),
          .N31 = field("N31"),
          .N2_HS = field("N2_HS"),
          .N2_LS = field("N2_LS"),
          .N1_HS = field("N1_HS"),
          .NC1_LS = field("NC1_LS"),
          .NC2_LS = field("NC2_LS"),
          .BW = field("BW")};
}

void frmMain::CreateStatusHandlers() {
  const ControlInventory& c = controls_;
  telemetry_ = std::make_unique<TelemetryDisplay>(
      TelemetryDisplay::Controls{.TCXO_ppb = c.Get<QLabel>("TCXO_ppb"),
                                 .TCXO_acc = c.Get<QLabel>("TCXO_acc"),
                                 .Label20 = c.Get<QLabel>("Label20")},
      *bars_, access_, services_.host_clock, history_);
  poll_ = std::make_unique<PollHandlers>(
      PollHandlers::Controls{.Label16 = c.Get<QLabel>("Label16"),
                             .LOS = c.Get<QLabel>("LOS"),
                             .LOL = c.Get<QLabel>("LOL"),
                             .set_TCXO_GPS = c.Get<QPushButton>("set_TCXO_GPS"),
                             .Label29 = c.Get<QLabel>("Label29"),
                             .GPS = c.Get<QLineEdit>("GPS"),
                             .N2_HS = c.Get<QLineEdit>("N2_HS"),
                             .N2_LS = c.Get<QLineEdit>("N2_LS")},
      access_, Timer_, *telemetry_, *bars_,
      PollHandlers::Calls{
          .Scan_USB_devices = [this] { discovery_->Scan_USB_devices(); },
          .FindTheHid = [this] { return discovery_->FindTheHidOrAnother(); },
          .ReadDeviceConfiguration = [this] { readback_->ReadDeviceConfiguration(); }});
}

void frmMain::CreatePllHandlers() {
  const ControlInventory& c = controls_;
  programming_ = std::make_unique<ProgrammingHandlers>(
      ProgrammingHandlers::Controls{.fields = DividerFields(),
                                    .Out1Freq = c.Get<QLineEdit>("Out1Freq"),
                                    .F3lbl = c.Get<QLabel>("F3lbl"),
                                    .Fosclbl = c.Get<QLabel>("Fosclbl"),
                                    .Label12 = c.Get<QLabel>("Label12"),
                                    .REG = c.Get<QLineEdit>("REG"),
                                    .DATA = c.Get<QLineEdit>("DATA"),
                                    .NC1LS_calc = c.Get<QLineEdit>("NC1LS_calc"),
                                    .F3_calc = c.Get<QLineEdit>("F3_calc"),
                                    .N1HS_list = c.Get<QComboBox>("N1HS_list"),
                                    .N2HS_list = c.Get<QComboBox>("N2HS_list"),
                                    .N2LS_list = c.Get<QComboBox>("N2LS_list"),
                                    .SetFreq = c.Get<QPushButton>("SetFreq"),
                                    .WriteRegister = c.Get<QPushButton>("WriteRegister"),
                                    .Command2 = c.Get<QPushButton>("Command2")},
      access_, events_, message_);
  vco_selection_ = std::make_unique<VcoSelectionHandlers>(
      VcoSelectionHandlers::Controls{.fields = DividerFields(),
                                     .Out1Freq = c.Get<QLineEdit>("Out1Freq"),
                                     .Fvco_list = c.Get<QComboBox>("Fvco_list"),
                                     .N1HS_list = c.Get<QComboBox>("N1HS_list"),
                                     .NC1LS_calc = c.Get<QLineEdit>("NC1LS_calc"),
                                     .N2HS_list = c.Get<QComboBox>("N2HS_list"),
                                     .N2LS_list = c.Get<QComboBox>("N2LS_list"),
                                     .F3_calc = c.Get<QLineEdit>("F3_calc")},
      candidates_, events_, *programming_, message_);
  search_ = std::make_unique<SearchHandlers>(
      SearchHandlers::Controls{.fields = DividerFields(),
                               .Out1Freq = c.Get<QLineEdit>("Out1Freq"),
                               .Label1 = c.Get<QLabel>("Label1"),
                               .Fosclbl = c.Get<QLabel>("Fosclbl"),
                               .FindFreq = c.Get<QPushButton>("FindFreq"),
                               .SetFreq = c.Get<QPushButton>("SetFreq"),
                               .Advanced = c.Get<QPushButton>("Advanced"),
                               .Command1 = c.Get<QPushButton>("Command1"),
                               .set_TCXO = c.Get<QPushButton>("set_TCXO"),
                               .set_TCXO_GPS = c.Get<QPushButton>("set_TCXO_GPS"),
                               .Bar = c.Find("Bar"),
                               .Progress = c.Find("Progress"),
                               .freq_list = c.Get<QComboBox>("freq_list"),
                               .Fvco_list = c.Get<QComboBox>("Fvco_list")},
      candidates_, *vco_selection_, events_, message_, [] { QCoreApplication::processEvents(); });
}

void frmMain::CreateConfigurationHandlers() {
  const ControlInventory& c = controls_;
  readback_ = std::make_unique<ConfigReadback>(
      ConfigReadback::Controls{
          .Frame1 = c.Find("Frame1"),
          .Frame3 = c.Find("Frame3"),
          .Frame4 = c.Find("Frame4"),
          .lblManuf = c.Get<QLabel>("lblManuf"),
          .lblProduct = c.Get<QLabel>("lblProduct"),
          .lblVersion = c.Get<QLabel>("lblVersion"),
          .Enc1 = c.Get<QComboBox>("Enc1"),
          .OUT1ID = c.Get<QPushButton>("OUT1ID"),
          .OUT1EN = c.Get<QCheckBox>("OUT1EN"),
          .Out1Freq = c.Get<QLineEdit>("Out1Freq"),
          .FindFreq = c.Get<QPushButton>("FindFreq"),
          .Label1 = c.Get<QLabel>("Label1"),
          .SetFreq = c.Get<QPushButton>("SetFreq"),
          .Advanced = c.Get<QPushButton>("Advanced"),
          .fields = DividerFields(),
          .TCXO_ppb = c.Get<QLabel>("TCXO_ppb"),
          .TCXO = c.Get<QLineEdit>("TCXO"),
          .constellations = {c.Get<QCheckBox>("GNSS_GPS"), c.Get<QCheckBox>("GNSS_SBAS"),
                             c.Get<QCheckBox>("GNSS_Galileo"), c.Get<QCheckBox>("GNSS_BeiDou"),
                             c.Get<QCheckBox>("GNSS_IMES"), c.Get<QCheckBox>("GNSS_QZSS"),
                             c.Get<QCheckBox>("GNSS_Glonass")}},
      access_, events_, message_,
      ConfigReadback::Calls{
          .RefreshFrequencyDisplays = [this] { programming_->RefreshFrequencyDisplays(); },
          .FlattenSignalBars = [this] { PlaceEmptyBars(); }});
  output_ = std::make_unique<OutputHandlers>(
      OutputHandlers::Controls{.OUT1EN = c.Get<QCheckBox>("OUT1EN"),
                               .OUT1ID = c.Get<QPushButton>("OUT1ID"),
                               .Enc1 = c.Get<QComboBox>("Enc1"),
                               .SN = c.Get<QLineEdit>("SN"),
                               .SetSN = c.Get<QPushButton>("SetSN")},
      access_, Timer_, events_, message_);
  constellations_ = std::make_unique<ConstellationHandlers>(
      ConstellationHandlers::Controls{.GNSS_GPS = c.Get<QCheckBox>("GNSS_GPS"),
                                      .GNSS_SBAS = c.Get<QCheckBox>("GNSS_SBAS"),
                                      .GNSS_Galileo = c.Get<QCheckBox>("GNSS_Galileo"),
                                      .GNSS_BeiDou = c.Get<QCheckBox>("GNSS_BeiDou"),
                                      .GNSS_IMES = c.Get<QCheckBox>("GNSS_IMES"),
                                      .GNSS_QZSS = c.Get<QCheckBox>("GNSS_QZSS"),
                                      .GNSS_Glonass = c.Get<QCheckBox>("GNSS_Glonass")},
      access_, events_);
  correction_ = std::make_unique<CorrectionHandlers>(
      CorrectionHandlers::Controls{.TCXO = c.Get<QLineEdit>("TCXO"),
                                   .TCXO_ppb = c.Get<QLabel>("TCXO_ppb"),
                                   .set_TCXO = c.Get<QPushButton>("set_TCXO"),
                                   .set_TCXO_GPS = c.Get<QPushButton>("set_TCXO_GPS"),
                                   .Sleep_cmd = c.Get<QPushButton>("Sleep_cmd"),
                                   .Command1 = c.Get<QPushButton>("Command1"),
                                   .SerNo = c.Get<QComboBox>("SerNo"),
                                   .Enc1 = c.Get<QComboBox>("Enc1"),
                                   .OUT1EN = c.Get<QCheckBox>("OUT1EN"),
                                   .Out1Freq = c.Get<QLineEdit>("Out1Freq"),
                                   .Fvco_list = c.Get<QComboBox>("Fvco_list")},
      access_, events_, message_,
      CorrectionHandlers::Calls{
          .SetSN_Click = [this] { output_->SetSN_Click(); },
          .FindFreq_Click = [this] { search_->FindFreq_Click(); },
          .Command2_Click = [this] { programming_->Command2_Click(); },
          .ReadDeviceConfiguration = [this] { readback_->ReadDeviceConfiguration(); }});
}

void frmMain::Form_Load() {
  AdvancedCollapsed = true;  // the link's flags start false with the session
  Advanced_Click();
  show();
  bars_->CreateCopies();
  PlaceEmptyBars();
  discovery_->Scan_USB_devices();
  discovery_->FindTheHidOrAnother();
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
  access_.StopStatusMessages();
  Timer_.stop();
  // An open History window would keep the program running without its main window.
  if (history_window_) history_window_->close();
  access_.Close();
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

void frmMain::History_Click() {
  if (!history_window_) {
    history_window_ = std::make_unique<HistoryWindow>(
        history_, [this] { return access_.serial(); }, message_);
  }
  history_window_->show();
  history_window_->raise();
  history_window_->activateWindow();
  history_window_->Refresh();
}

void frmMain::closeEvent(QCloseEvent* event) {
  Form_Unload();
  event->accept();
}

}  // namespace orvane
