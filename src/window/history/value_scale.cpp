#include "window/history/value_scale.h"

#include <algorithm>
#include <cmath>

namespace orvane {
namespace {

// Plots a hundred pixels high have room for three labels.
constexpr int kLinearTicks = 3;

}  // namespace

ValueScale::ValueScale(Kind kind)
    : kind_(kind),
      low_(kind == Kind::kLogarithmic ? 1 : 0),
      high_(kind == Kind::kLogarithmic ? 10
            : kind == Kind::kStates    ? 2
                                       : 1) {}

void ValueScale::Fit(double low, double high) {
  if (!std::isfinite(low) || !std::isfinite(high) || kind_ == Kind::kStates) return;
  if (kind_ == Kind::kLogarithmic) {
    if (low <= 0) return;
    // A label every decade while they fit into the low plot, else every third.
    base_ = high / low > 1e4 ? 1000 : 10;
    low_ = low / 1.5;
    high_ = high * 1.5;
    return;
  }
  const double margin = high > low ? 0.05 * (high - low) : std::max(1.0, 0.01 * std::abs(low));
  low_ = low - margin;
  high_ = high + margin;
}

double ValueScale::Fraction(double value) const {
  if (kind_ != Kind::kLogarithmic) return (value - low_) / (high_ - low_);
  // Nothing at or below zero has a place: below the bottom, out of sight.
  if (value <= 0) return -1;
  return std::log(value / low_) / std::log(high_ / low_);
}

std::vector<ValueScale::Tick> ValueScale::Ticks() const {
  std::vector<Tick> ticks;
  switch (kind_) {
    case Kind::kStates:
      ticks = {{0.5, QStringLiteral("LOS")}, {1.5, QStringLiteral("LOL")}};
      break;
    case Kind::kLogarithmic:
      for (double power = std::pow(base_, std::ceil(std::log(low_) / std::log(base_)));
           power <= high_; power *= base_)
        ticks.push_back({power, QString::asprintf("%.0e", power)});
      // A narrow range, as a receiver with a fix has, may hold no power at all.
      if (ticks.size() < 2) {
        ticks.clear();
        for (const double value : {low_, std::sqrt(low_ * high_), high_})
          ticks.push_back({value, QString::asprintf("%.3g", value)});
      }
      break;
    case Kind::kLinear:
      for (int i = 0; i < kLinearTicks; ++i) {
        const double value = low_ + (high_ - low_) * i / (kLinearTicks - 1);
        ticks.push_back({value, QString::asprintf("%.5g", value)});
      }
      break;
  }
  return ticks;
}

}  // namespace orvane
