#include "window/history/plot_export.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgGenerator>
#include <QWidget>

namespace orvane {

bool SavePlot(QWidget& widget, const QString& path) {
  if (!path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
    return widget.grab().save(path, "PNG");
  QSvgGenerator svg;
  svg.setFileName(path);
  svg.setSize(widget.size());
  svg.setViewBox(widget.rect());
  svg.setTitle(widget.windowTitle());
  QPainter painter;
  if (!painter.begin(&svg)) return false;
  widget.render(&painter);
  return painter.end();
}

}  // namespace orvane
