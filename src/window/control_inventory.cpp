#include "window/control_inventory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

#include "ui/colours.h"

namespace orvane {
namespace {

enum class Kind {
  kFrame,
  kDropDown,
  kTextBox,
  kLabel,
  kButton,
  kCheckBox,
  kPicture,
  kShape,
  kLine
};

enum Flags : unsigned {
  kHidden = 1u << 0,
  kDisabled = 1u << 1,
  kArial = 1u << 2,             // Arial instead of the window's default face
  kRedWithBlackText = 1u << 3,  // warning labels
  kWindowBackground = 1u << 4,  // identity labels
  kGreenFill = 1u << 5,         // the search's progress shape
};

struct ControlRow {
  const char* name;
  Kind kind;
  const char* parent;  // "" for the client area
  const char* text;
  const char* tool_tip;
  int left, top, width, height;  // twips, within the parent
  unsigned flags;
  double points;  // 0: the parent's font
};

constexpr char kCorrectionTip[] = "Estimated local TCXO frequency offset correction, ppb";
constexpr char kManualTip[] = "Manual correction for TCXO offset, ppb";
constexpr char kAccuracyTip[] = "Estimated accuracy of frequency output, parts per billion";
constexpr char kAccessHint[] =
    "A clock is attached but cannot be opened: permission denied. Install the udev rule "
    "(70-orvane.rules) and plug the clock in again.";

// clang-format off
constexpr ControlRow kControls[] = {
  // Frames first, so that their children find them.
  {"Frame1", Kind::kFrame, "", "Device Details", "", 120, 120, 4455, 1810, kDisabled, 0},
  {"Frame3", Kind::kFrame, "", "Settings", "", 120, 2040, 4455, 7455, 0, 0},
  {"Frame2", Kind::kFrame, "", "Advanced", "", 4800, 120, 4455, 5835, 0, 0},
  {"Frame4", Kind::kFrame, "", "Internal GPS Reference", "", 4800, 6000, 4455, 1935, kDisabled, 0},
  {"Frame5", Kind::kFrame, "", "DPLL Setup", "", 9480, 120, 4335, 5055, 0, 12},

  {"SerNo", Kind::kDropDown, "Frame1", "", "", 1680, 320, 1320, 360, kDisabled, 0},
  {"Label3", Kind::kLabel, "Frame1", "Serial number", "", 240, 360, 1815, 285, 0, 0},
  {"Label4", Kind::kLabel, "Frame1", "Manufacturer", "", 240, 720, 1215, 285, 0, 0},
  {"lblManuf", Kind::kLabel, "Frame1", "", "", 1680, 720, 3300, 330, kWindowBackground, 0},
  {"Label5", Kind::kLabel, "Frame1", "Product", "", 240, 1080, 1215, 285, 0, 0},
  {"lblProduct", Kind::kLabel, "Frame1", "", "", 1680, 1080, 3300, 330, kWindowBackground, 0},
  {"Label2", Kind::kLabel, "Frame1", "Version", "", 240, 1440, 1455, 285, 0, 0},
  {"lblVersion", Kind::kLabel, "Frame1", "", "", 1680, 1440, 1215, 250, 0, 0},
  // Over the identity rows, which stay empty while no clock is open, and outside the frame, whose
  // disabled state would grey it out.
  {"lblAccessHint", Kind::kLabel, "", kAccessHint, "", 240, 810, 4215, 1050, kHidden | kRedWithBlackText, 0},

  {"Out1Freq", Kind::kTextBox, "Frame3", "", "", 240, 420, 3360, 480, 0, 13.5},
  {"Label1", Kind::kLabel, "Frame3", "Hz", "", 3720, 480, 495, 315, 0, 13.5},
  {"FindFreq", Kind::kButton, "Frame3", "Configure output frequency", "", 240, 960, 3840, 375, 0, 0},
  {"Bar", Kind::kPicture, "Frame3", "", "", 240, 1440, 3900, 100, kHidden, 0},
  {"Progress", Kind::kShape, "Bar", "", "", 0, 0, 3840, 255, kGreenFill, 0},
  {"LOS", Kind::kLabel, "Frame3", "No GPS signal", "", 240, 1560, 1800, 315, kRedWithBlackText, 0},
  {"LOL", Kind::kLabel, "Frame3", "No PLL lock", "", 2355, 1560, 1800, 315, kRedWithBlackText, 0},
  {"Command1", Kind::kButton, "Frame3", "Factory defaults", "", 240, 2040, 1800, 375, 0, 0},
  {"Advanced", Kind::kButton, "Frame3", "Advanced  >>>", "", 2350, 2040, 1800, 375, 0, 0},
  {"PicSat", Kind::kPicture, "Frame3", "", "Satellites signal strength", 240, 2640, 3912, 1665, 0, 0},
  {"TCXO_acc_lbl", Kind::kLabel, "Frame3", "Output frequency accuracy, ppb:", kAccuracyTip, 240, 4440, 2895, 255, 0, 0},
  {"TCXO_acc", Kind::kLabel, "Frame3", "", kAccuracyTip, 3240, 4440, 1095, 255, 0, 0},
  {"GNSS_GPS", Kind::kCheckBox, "Frame3", "GPS", "", 240, 4800, 1695, 315, 0, 0},
  {"GNSS_SBAS", Kind::kCheckBox, "Frame3", "SBAS", "", 240, 5160, 1695, 315, 0, 0},
  {"GNSS_Galileo", Kind::kCheckBox, "Frame3", "Galileo", "", 240, 5520, 1695, 315, 0, 0},
  {"GNSS_BeiDou", Kind::kCheckBox, "Frame3", "BeiDou", "", 240, 5880, 1695, 315, 0, 0},
  {"GNSS_IMES", Kind::kCheckBox, "Frame3", "IMES", "", 240, 6240, 1695, 315, 0, 0},
  {"GNSS_QZSS", Kind::kCheckBox, "Frame3", "QZSS", "", 240, 6600, 1695, 315, 0, 0},
  {"GNSS_Glonass", Kind::kCheckBox, "Frame3", "Glonass", "", 240, 6960, 1695, 315, 0, 0},
  {"F3lbl", Kind::kLabel, "Frame3", "", "", 120, 8640, 2415, 315, kArial, 9.75},

  {"Enc1", Kind::kDropDown, "Frame2", "", "", 240, 420, 2000, 360, kDisabled, 0},
  {"Label22", Kind::kLabel, "Frame2", "Output drive strength", "", 2400, 435, 1935, 375, 0, 0},
  {"OUT1ID", Kind::kButton, "Frame2", "Blink LED", "", 240, 960, 2000, 315, 0, 0},
  {"OUT1EN", Kind::kCheckBox, "Frame2", "Enable Output", "", 2400, 960, 1695, 315, 0, 0},
  {"Line4", Kind::kLine, "Frame2", "", "", 240, 1500, 3960, 15, 0, 0},
  {"GPS", Kind::kTextBox, "Frame2", "", "", 240, 1680, 1335, 315, 0, 0},
  {"Label23", Kind::kLabel, "Frame2", "GPS reference, Hz", "", 1680, 1680, 2655, 315, 0, 0},
  {"N31", Kind::kTextBox, "Frame2", "", "", 240, 2040, 1335, 315, 0, 0},
  {"Label24", Kind::kLabel, "Frame2", "N31", "", 1680, 2040, 1935, 315, 0, 0},
  {"N2_HS", Kind::kTextBox, "Frame2", "", "", 240, 2460, 1335, 315, 0, 0},
  {"Label7", Kind::kLabel, "Frame2", "N2_HS", "", 1680, 2460, 1935, 315, 0, 0},
  {"N2_LS", Kind::kTextBox, "Frame2", "", "", 240, 2880, 1335, 315, 0, 0},
  {"Label8", Kind::kLabel, "Frame2", "N2_LS", "", 1680, 2880, 1935, 315, 0, 0},
  {"N1_HS", Kind::kTextBox, "Frame2", "", "", 240, 3300, 1335, 315, 0, 0},
  {"Label9", Kind::kLabel, "Frame2", "N1_HS", "", 1680, 3300, 1935, 315, 0, 0},
  {"NC1_LS", Kind::kTextBox, "Frame2", "", "", 240, 3720, 1335, 315, 0, 0},
  {"Label10", Kind::kLabel, "Frame2", "NC1_LS", "", 1680, 3720, 1935, 315, 0, 0},
  {"BW", Kind::kTextBox, "Frame2", "", "", 240, 4200, 1335, 330, 0, 0},
  {"Label15", Kind::kLabel, "Frame2", "BW", "", 1680, 4215, 1935, 315, 0, 0},
  {"Fosclbl", Kind::kLabel, "Frame2", "", "", 2280, 4200, 2055, 315, 0, 0},
  {"NC2_LS", Kind::kTextBox, "Frame2", "", "", 2400, 4200, 1335, 315, kHidden | kArial, 9.75},
  {"Label11", Kind::kLabel, "Frame2", "NC2_LS", "", 2400, 4560, 1935, 315, kHidden | kArial, 9.75},
  {"SetFreq", Kind::kButton, "Frame2", "Update", "", 240, 4680, 1335, 375, 0, 0},
  {"Label16", Kind::kLabel, "Frame2", "", "", 1920, 4680, 2175, 255, 0, 0},
  {"freq_list", Kind::kDropDown, "Frame2", "", "", 240, 5280, 3960, 315, kHidden, 8.25},
  {"Label20", Kind::kLabel, "Frame2", "", "", 240, 8040, 2410, 320, kArial, 9.75},

  {"TCXO_offset", Kind::kLabel, "Frame4", "Current correction:", kCorrectionTip, 240, 300, 2655, 255, 0, 0},
  {"TCXO_ppb", Kind::kLabel, "Frame4", "", kCorrectionTip, 2880, 300, 855, 255, 0, 0},
  {"Label17", Kind::kLabel, "Frame4", "ppb", kCorrectionTip, 3840, 300, 495, 255, 0, 0},
  {"Label28", Kind::kLabel, "Frame4", "Stored correction:", kCorrectionTip, 240, 765, 2655, 255, 0, 0},
  {"TCXO", Kind::kTextBox, "Frame4", "-1", kManualTip, 2880, 720, 855, 360, kDisabled, 0},
  {"Label13", Kind::kLabel, "Frame4", "ppb", kManualTip, 3840, 765, 495, 255, 0, 0},
  {"set_TCXO", Kind::kButton, "Frame4", "Cold start correction", "Correction for TCXO offset, ppb", 240, 960, 2535, 375, kHidden, 0},
  {"set_TCXO_GPS", Kind::kButton, "Frame4", "Save current oscillator correction", "Set local TCXO correction offset, ppb", 240, 1320, 3975, 375, 0, 0},

  {"Sleep_cmd", Kind::kButton, "", "Sleep MCU", "", 5040, 9000, 1815, 375, 0, 0},
  // Beside "Sleep MCU", on the free row under the GPS frame, right edges aligned with it.
  {"History", Kind::kButton, "", "History...", "Time series, stability and sky view (Ctrl+H)", 7200, 9000, 1815, 375, 0, 0},

  {"Fvco_list", Kind::kDropDown, "Frame5", "", "", 120, 360, 3000, 420, 0, 0},
  {"Label18", Kind::kLabel, "Frame5", "Fvco", "", 3240, 360, 975, 315, 0, 0},
  {"N1HS_list", Kind::kDropDown, "Frame5", "", "", 120, 960, 3000, 420, 0, 0},
  {"Label19", Kind::kLabel, "Frame5", "N1_HS", "", 3240, 1080, 975, 315, 0, 0},
  {"NC1LS_calc", Kind::kTextBox, "Frame5", "", "", 120, 1560, 3015, 420, kDisabled, 0},
  {"Label25", Kind::kLabel, "Frame5", "NC1_LS", "", 3240, 1680, 975, 315, 0, 0},
  {"N2HS_list", Kind::kDropDown, "Frame5", "", "", 120, 2640, 3000, 420, 0, 0},
  {"Label21", Kind::kLabel, "Frame5", "N2_HS", "", 3240, 2640, 975, 315, 0, 0},
  {"N2LS_list", Kind::kDropDown, "Frame5", "", "", 120, 3240, 3000, 420, 0, 0},
  {"Label26", Kind::kLabel, "Frame5", "N2_LS", "", 3240, 3240, 975, 315, 0, 0},
  {"F3_calc", Kind::kTextBox, "Frame5", "", "", 120, 3840, 3015, 420, kDisabled, 0},
  {"Label27", Kind::kLabel, "Frame5", "F3", "", 3240, 3840, 975, 315, 0, 0},
  {"Command2", Kind::kButton, "Frame5", "Save and recalibrate PLL", "", 120, 4440, 3000, 375, 0, 0},

  {"SN", Kind::kTextBox, "", "G60031", "", 9600, 8640, 1695, 375, kHidden, 0},
  {"SetSN", Kind::kButton, "", "Set S/N", "", 11400, 8640, 1815, 375, kHidden, 0},
  {"Label29", Kind::kLabel, "", "", "", 9600, 5400, 4215, 2535, 0, 0},
  {"Label12", Kind::kLabel, "", "Label12", "", 4800, 8040, 4455, 375, kHidden, 0},
  {"REG", Kind::kTextBox, "", "", "", 120, 12600, 730, 330, 0, 0},
  {"DATA", Kind::kTextBox, "", "", "", 960, 12600, 730, 330, 0, 0},
  {"WriteRegister", Kind::kButton, "", "Register write", "", 1800, 12600, 1815, 315, 0, 0},
};
// clang-format on

QWidget* CreateWidget(const ControlRow& row, QWidget* parent) {
  const QString text = QString::fromUtf8(row.text);
  switch (row.kind) {
    case Kind::kFrame:
      return new QGroupBox(text, parent);
    case Kind::kDropDown: {
      auto* combo = new QComboBox(parent);  // fixed list: the user picks, never types
      // Lists can hold hundreds of thousands of entries; uniform rows keep them quick.
      if (auto* view = qobject_cast<QListView*>(combo->view())) view->setUniformItemSizes(true);
      return combo;
    }
    case Kind::kTextBox:
      return new QLineEdit(text, parent);
    case Kind::kLabel: {
      auto* label = new QLabel(text, parent);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case Kind::kButton:
      return new QPushButton(text, parent);
    case Kind::kCheckBox:
      return new QCheckBox(text, parent);
    case Kind::kPicture: {
      auto* picture = new QFrame(parent);
      picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      picture->setLineWidth(2);
      return picture;
    }
    case Kind::kShape:
      return new QFrame(parent);
    case Kind::kLine: {
      auto* line = new QFrame(parent);
      line->setFrameShape(QFrame::HLine);
      line->setFrameShadow(QFrame::Sunken);
      return line;
    }
  }
  return nullptr;
}

void ApplyLook(const ControlRow& row, QWidget* widget) {
  if (row.points > 0 || (row.flags & kArial)) {
    QFont font = widget->font();
    if (row.flags & kArial) font.setFamily(QStringLiteral("Arial"));
    if (row.points > 0) font.setPointSizeF(row.points);
    widget->setFont(font);
  }
  if (row.flags & kRedWithBlackText) {
    SetBackgroundColour(widget, QColor(255, 0, 0));
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    widget->setPalette(palette);
  }
  if (row.flags & kWindowBackground)
    SetBackgroundColour(widget, widget->palette().color(QPalette::Base));
  if (row.flags & kGreenFill) SetBackgroundColour(widget, QColor(0, 128, 0));
}

}  // namespace

ControlInventory::ControlInventory(QWidget* client) {
  for (const ControlRow& row : kControls) {
    QWidget* parent = row.parent[0] == '\0' ? client : controls_.value(QString(row.parent));
    QWidget* widget = CreateWidget(row, parent);
    widget->setObjectName(QString::fromUtf8(row.name));
    if (row.tool_tip[0] != '\0') widget->setToolTip(QString::fromUtf8(row.tool_tip));
    widget->setGeometry(TwipsToPixels(row.left), TwipsToPixels(row.top),
                        std::max(1, TwipsToPixels(row.width)),
                        std::max(1, TwipsToPixels(row.height)));
    ApplyLook(row, widget);
    widget->setEnabled(!(row.flags & kDisabled));
    widget->setVisible(!(row.flags & kHidden));
    controls_.insert(widget->objectName(), widget);
  }
}

QWidget* ControlInventory::Find(const QString& name) const { return controls_.value(name); }

}  // namespace orvane
