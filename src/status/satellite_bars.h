#pragma once

#include <QColor>
#include <QFrame>
#include <array>

namespace orvane {

// The 32 signal bars (`Sat`) inside the picture box `PicSat`, in pixels.
class SatelliteBars {
 public:
  static constexpr int kCount = 32;

  explicit SatelliteBars(QFrame* PicSat);

  // Creates elements 1 to 31 as copies of element 0 (start-up).
  void CreateCopies();
  // Height of the drawing area inside the border, in pixels.
  int ScaleHeight() const;
  // Moves bar `index` to its place; heights may be fractional and are drawn rounded.
  void Place(int index, double left, double top, double width, double height);
  void SetFill(int index, const QColor& colour);
  QFrame* bar(int index) const { return Sat_[index]; }

 private:
  QFrame* PicSat_;
  std::array<QFrame*, kCount> Sat_{};
};

}  // namespace orvane
