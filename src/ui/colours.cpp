#include "ui/colours.h"

#include <QPalette>

namespace orvane {

void SetBackgroundColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Window, colour);
  widget->setAutoFillBackground(true);
  widget->setPalette(palette);
}

void SetFieldColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, colour);
  palette.setColor(QPalette::Button, colour);
  widget->setPalette(palette);
}

}  // namespace orvane
