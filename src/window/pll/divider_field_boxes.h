#pragma once

#include <QLineEdit>

#include "engine/divider_fields.h"

namespace orvane {

// The window's divider text boxes: the only place the program holds the divider set.
struct DividerFieldBoxes {
  QLineEdit* GPS;
  QLineEdit* N31;
  QLineEdit* N2_HS;
  QLineEdit* N2_LS;
  QLineEdit* N1_HS;
  QLineEdit* NC1_LS;
  QLineEdit* NC2_LS;
  QLineEdit* BW;

  DividerTexts Read() const;
  // Writes every field but BW, which no check or choice changes.
  void WriteDividers(const DividerTexts& texts) const;
};

}  // namespace orvane
