#pragma once

#include <QColor>
#include <QWidget>

namespace orvane {

// Colours the design gives controls at run time.

// The background of a label, frame or bar.
void SetBackgroundColour(QWidget* widget, const QColor& colour);
// The field of a text box or list (a closed list shows its button colour).
void SetFieldColour(QWidget* widget, const QColor& colour);

}  // namespace orvane
