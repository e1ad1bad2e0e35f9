#include "window/history/stability_view.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QLogValueAxis>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "stability/tau_list.h"

namespace orvane {
namespace {

struct StatisticChoice {
  const char* name;
  Statistic statistic;
  const char* axis;
};

constexpr StatisticChoice kStatistics[] = {
    {"OADEV", Statistic::kOadev, "overlapping Allan deviation σy(τ)"},
    {"MDEV", Statistic::kMdev, "modified Allan deviation mod σy(τ)"},
    {"TDEV", Statistic::kTdev, "time deviation σx(τ), s"},
    {"HDEV", Statistic::kHdev, "Hadamard deviation Hσy(τ)"},
};

}  // namespace

StabilityView::StabilityView(QWidget* parent)
    : QWidget(parent),
      statistic_(new QComboBox),
      spacing_(new QComboBox),
      summary_(new QLabel),
      chart_(new QChart),
      tau_axis_(new QLogValueAxis),
      deviation_axis_(new QLogValueAxis) {
  for (const StatisticChoice& choice : kStatistics) statistic_->addItem(choice.name);
  statistic_->setObjectName(QStringLiteral("statistic"));
  spacing_->addItems({QStringLiteral("octave taus"), QStringLiteral("decade taus")});
  auto* controls = new QHBoxLayout;
  controls->addWidget(statistic_);
  controls->addWidget(spacing_);
  controls->addWidget(summary_, 1);

  tau_axis_->setTitleText(QStringLiteral("τ, s"));
  tau_axis_->setLabelFormat(QStringLiteral("%g"));
  tau_axis_->setMinorTickCount(8);
  deviation_axis_->setLabelFormat(QStringLiteral("%.0e"));
  deviation_axis_->setMinorTickCount(8);
  chart_->addAxis(tau_axis_, Qt::AlignBottom);
  chart_->addAxis(deviation_axis_, Qt::AlignLeft);
  chart_->legend()->hide();
  auto* view = new QChartView(chart_);
  view->setRenderHint(QPainter::Antialiasing);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(controls);
  layout->addWidget(view, 1);
  connect(statistic_, &QComboBox::currentIndexChanged, this, [this] { Redraw(); });
  connect(spacing_, &QComboBox::currentIndexChanged, this, [this] { Redraw(); });
  Redraw();
}

void StabilityView::Draw(const StabilityInput& input) {
  input_ = input;
  Redraw();
}

void StabilityView::Redraw() {
  const StatisticChoice& choice = kStatistics[std::max(0, statistic_->currentIndex())];
  chart_->setTitle(QStringLiteral("%1 of the receiver's oscillator measured against GNSS time")
                       .arg(QString::fromLatin1(choice.name)));
  deviation_axis_->setTitleText(QString::fromUtf8(choice.axis));
  chart_->removeAllSeries();
  const TauSpacing spacing =
      spacing_->currentIndex() == 1 ? TauSpacing::kDecade : TauSpacing::kOctave;
  const std::vector<std::size_t> factors =
      AveragingFactors(spacing, MaxAveragingFactor(choice.statistic, input_.phase.size()));
  points_ = ComputeDeviations(choice.statistic, input_.phase, input_.tau0, factors);
  std::erase_if(points_, [](const DeviationPoint& point) { return !(point.deviation > 0); });
  summary_->setText(
      input_.phase.empty()
          ? QStringLiteral("Not enough evenly spaced samples with GNSS signal yet")
          : QStringLiteral("%1 phase points, τ0 = %2 s%3; bars: 68 % confidence (χ²)")
                .arg(input_.phase.size())
                .arg(input_.tau0)
                .arg(input_.drift_steps > 0
                         ? QStringLiteral(", %1 steps from drift").arg(input_.drift_steps)
                         : QString()));
  if (points_.empty()) return;

  const QColor colour(20, 60, 170);
  auto* line = new QLineSeries;
  auto* dots = new QScatterSeries;
  line->setColor(colour);
  dots->setColor(colour);
  dots->setMarkerSize(7);
  std::vector<QLineSeries*> series{line};
  double low = points_.front().deviation, high = low;
  for (const DeviationPoint& point : points_) {
    line->append(point.tau, point.deviation);
    dots->append(point.tau, point.deviation);
    // A bar from the interval's lower to its upper bound (the lower clipped above zero).
    const double lower = point.lower > 0 ? point.lower : point.deviation / 10;
    auto* bar = new QLineSeries;
    bar->setColor(colour.lighter(150));
    bar->append(point.tau, lower);
    bar->append(point.tau, point.upper);
    series.push_back(bar);
    low = std::min(low, lower);
    high = std::max(high, point.upper);
  }
  chart_->addSeries(dots);
  for (QLineSeries* item : series) chart_->addSeries(item);
  for (QAbstractSeries* item : chart_->series()) {
    item->attachAxis(tau_axis_);
    item->attachAxis(deviation_axis_);
  }
  const auto decade_below = [](double value) {
    return std::pow(10.0, std::floor(std::log10(value)));
  };
  const auto decade_above = [](double value) {
    return std::pow(10.0, std::ceil(std::log10(value)));
  };
  tau_axis_->setRange(decade_below(points_.front().tau), decade_above(points_.back().tau * 1.01));
  deviation_axis_->setRange(decade_below(low), decade_above(high));
}

}  // namespace orvane
