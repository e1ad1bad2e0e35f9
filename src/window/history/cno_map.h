#pragma once

#include <QWidget>

namespace orvane {

class SkyView;

// The mean C/N0 per azimuth × elevation cell over the whole run: low or empty cells show where
// something blocks the antenna's view.
class CnoMap : public QWidget {
 public:
  explicit CnoMap(QWidget* parent = nullptr);

  void Draw(const SkyView* sky);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const SkyView* sky_ = nullptr;
};

}  // namespace orvane
