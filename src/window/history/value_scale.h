#pragma once

#include <QString>
#include <vector>

namespace orvane {

// The left axis of a time plot: the value range, where a value lies in it, and the labels.
class ValueScale {
 public:
  // Linear or logarithmic and fitted to the lines, or the state strip's two rows (LOS from 0 to
  // 1, LOL from 1 to 2).
  enum class Kind { kLinear, kLogarithmic, kStates };
  struct Tick {
    double value;
    QString label;
  };

  explicit ValueScale(Kind kind);

  // Fits the range to values from `low` to `high` with a little room; without values (or with
  // none above zero on a logarithmic axis) the range stays, and the strip's rows always do.
  void Fit(double low, double high);
  // 0 at the bottom of the range, 1 at the top.
  double Fraction(double value) const;
  std::vector<Tick> Ticks() const;
  double low() const { return low_; }
  double high() const { return high_; }

 private:
  Kind kind_;
  double low_;
  double high_;
  // The logarithmic axis labels every power of it.
  double base_ = 10;
};

}  // namespace orvane
