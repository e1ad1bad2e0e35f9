#pragma once

#include <QString>

class QWidget;

namespace orvane {

// Saves what `widget` shows as SVG when `path` ends in .svg, else as a PNG image.
bool SavePlot(QWidget& widget, const QString& path);

}  // namespace orvane
