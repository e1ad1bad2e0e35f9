#include "window/pll/divider_field_boxes.h"

namespace orvane {
namespace {

std::string TextOf(const QLineEdit* box) { return box->text().toStdString(); }
void SetText(QLineEdit* box, const std::string& text) {
  box->setText(QString::fromStdString(text));
}

}  // namespace

DividerTexts DividerFieldBoxes::Read() const {
  return {TextOf(GPS),   TextOf(N31),    TextOf(N2_HS),  TextOf(N2_LS),
          TextOf(N1_HS), TextOf(NC1_LS), TextOf(NC2_LS), TextOf(BW)};
}

void DividerFieldBoxes::WriteDividers(const DividerTexts& texts) const {
  SetText(GPS, texts.gps);
  SetText(N31, texts.n31);
  SetText(N2_HS, texts.n2_hs);
  SetText(N2_LS, texts.n2_ls);
  SetText(N1_HS, texts.n1_hs);
  SetText(NC1_LS, texts.nc1_ls);
  SetText(NC2_LS, texts.nc2_ls);
}

}  // namespace orvane
