#pragma once

#include <QWidget>
#include <vector>

#include "history/stability_input.h"
#include "stability/deviation.h"
#include "stability/statistic.h"

class QChart;
class QComboBox;
class QLabel;
class QLogValueAxis;

namespace orvane {

// The stability of the receiver's oscillator measured against GNSS time: one statistic of the
// Allan family over octave or decade taus on log-log axes, each point with its confidence bar.
class StabilityView : public QWidget {
 public:
  explicit StabilityView(QWidget* parent = nullptr);

  // Computes and draws the chosen statistic of `input`.
  void Draw(const StabilityInput& input);
  const std::vector<DeviationPoint>& points() const { return points_; }
  QChart* chart() const { return chart_; }

 private:
  void Redraw();

  QComboBox* statistic_;
  QComboBox* spacing_;
  QLabel* summary_;
  QChart* chart_;
  QLogValueAxis* tau_axis_;
  QLogValueAxis* deviation_axis_;
  StabilityInput input_;
  std::vector<DeviationPoint> points_;
};

}  // namespace orvane
