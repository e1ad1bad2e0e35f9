#include "window/history/history_window.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <fstream>

#include "history/csv_log.h"
#include "history/deviation_table.h"
#include "history/stability_input.h"
#include "window/history/cno_map.h"
#include "window/history/plot_export.h"
#include "window/history/sky_plot.h"
#include "window/history/stability_view.h"
#include "window/history/time_series_view.h"

namespace orvane {
namespace {

constexpr char kGeometryKey[] = "HistoryWindow/geometry";
constexpr int kRefreshMs = 1000;
constexpr int kDefaultSpan = 1;  // 1 h
const char* const kSpanNames[] = {"10 min", "1 h", "6 h", "24 h", "all"};
enum Tab { kTimeSeriesTab, kStabilityTab, kSkyTab };

bool WriteFile(const QString& path, const std::string& text) {
  std::ofstream out(path.toStdString(), std::ios::binary);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace

HistoryWindow::HistoryWindow(const HistoryStore& store,
                             std::function<std::string()> selected_serial, ModalMessage message,
                             QWidget* parent)
    : QWidget(parent, Qt::Window),
      store_(store),
      selected_serial_(std::move(selected_serial)),
      message_(std::move(message)),
      source_(new QComboBox),
      span_(new QComboBox),
      tabs_(new QTabWidget),
      time_series_(new TimeSeriesView(
          [this](std::int64_t from_ms, std::int64_t to_ms) { RequestRange(from_ms, to_ms); })),
      stability_(new StabilityView),
      sky_plot_(new SkyPlot),
      cno_map_(new CnoMap) {
  setObjectName(QStringLiteral("HistoryWindow"));
  source_->addItem(QStringLiteral("Selected clock"));
  for (const char* name : kSpanNames) span_->addItem(QString::fromLatin1(name));
  span_->setCurrentIndex(kDefaultSpan);
  auto* reset = new QPushButton(QStringLiteral("Reset zoom"));
  auto* open = new QPushButton(QStringLiteral("Open CSV..."));
  auto* save_csv = new QPushButton(QStringLiteral("Save CSV..."));
  auto* save_table = new QPushButton(QStringLiteral("Save deviations..."));
  auto* save_plot = new QPushButton(QStringLiteral("Save plot..."));
  auto* bar = new QHBoxLayout;
  bar->addWidget(source_, 1);
  bar->addWidget(span_);
  bar->addWidget(reset);
  bar->addStretch(1);
  for (QPushButton* button : {open, save_csv, save_table, save_plot}) bar->addWidget(button);

  auto* sky = new QWidget;
  auto* sky_layout = new QHBoxLayout(sky);
  sky_layout->addWidget(sky_plot_, 1);
  sky_layout->addWidget(cno_map_, 1);
  tabs_->addTab(time_series_, QStringLiteral("Time series"));
  tabs_->addTab(stability_, QStringLiteral("Stability"));
  tabs_->addTab(sky, QStringLiteral("Sky"));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(bar);
  layout->addWidget(tabs_, 1);

  connect(span_, &QComboBox::activated, this, [this](int span) { SelectSpan(span); });
  connect(reset, &QPushButton::clicked, this, [this] { SelectSpan(span_->currentIndex()); });
  connect(source_, &QComboBox::currentIndexChanged, this,
          [this] { SelectSpan(span_->currentIndex()); });
  connect(tabs_, &QTabWidget::currentChanged, this, [this] { Refresh(); });
  connect(open, &QPushButton::clicked, this, [this] { AskAndImport(); });
  connect(save_csv, &QPushButton::clicked, this, [this] {
    AskAndExport(QStringLiteral("Save the series"), QStringLiteral("CSV (*.csv)"),
                 [this](const QString& path) { return ExportCsv(path); });
  });
  connect(save_table, &QPushButton::clicked, this, [this] {
    AskAndExport(QStringLiteral("Save the deviation table"), QStringLiteral("CSV (*.csv)"),
                 [this](const QString& path) { return ExportDeviationTable(path); });
  });
  connect(save_plot, &QPushButton::clicked, this, [this] {
    AskAndExport(QStringLiteral("Save the plot"), QStringLiteral("PNG (*.png);;SVG (*.svg)"),
                 [this](const QString& path) { return ExportPlot(path); });
  });

  refresh_timer_.setInterval(kRefreshMs);
  connect(&refresh_timer_, &QTimer::timeout, this, [this] {
    if (isVisible()) Refresh();
  });
  refresh_timer_.start();
  if (!restoreGeometry(QSettings().value(kGeometryKey).toByteArray())) resize(1150, 940);
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::hideEvent(QHideEvent* event) {
  QSettings().setValue(kGeometryKey, saveGeometry());
  QWidget::hideEvent(event);
}

HistoryWindow::Shown HistoryWindow::Current() const {
  const int source = source_->currentIndex();
  if (source > 0) return {&logs_[static_cast<std::size_t>(source - 1)]->samples, 0, nullptr};
  const std::optional<std::uint8_t> clock = store_.ClockIndex(selected_serial_());
  return {&store_.samples(), clock, clock ? &store_.sky(*clock) : nullptr};
}

void HistoryWindow::SelectSpan(int span) {
  span_->setCurrentIndex(span);
  following_ = true;
  Refresh();
}

void HistoryWindow::RequestRange(std::int64_t from_ms, std::int64_t to_ms) {
  if (to_ms <= from_ms) return;
  following_ = false;
  from_ms_ = from_ms;
  to_ms_ = to_ms;
  Refresh();
}

void HistoryWindow::FollowNewest(const Shown& shown) {
  const SampleRing& samples = *shown.samples;
  const std::int64_t newest =
      samples.empty() ? QDateTime::currentMSecsSinceEpoch() : samples.back().time_ms + 1;
  const std::int64_t span = kSpansMs[std::max(0, span_->currentIndex())];
  to_ms_ = newest;
  from_ms_ = span > 0 ? newest - span : samples.empty() ? newest - kSpansMs[0] : samples[0].time_ms;
}

void HistoryWindow::Refresh() {
  const Shown shown = Current();
  if (following_) FollowNewest(shown);
  const Drawn now{
      shown.samples, shown.clock, shown.samples == &store_.samples() ? store_.revision() : 0,
      from_ms_,      to_ms_,      tabs_->currentIndex(),
      size()};
  if (now == drawn_) return;
  drawn_ = now;
  const QString name = source_->currentIndex() > 0 ? source_->currentText()
                                                   : QString::fromStdString(selected_serial_());
  setWindowTitle(name.isEmpty() ? QStringLiteral("History") : QStringLiteral("History - ") + name);
  Draw();
}

void HistoryWindow::Draw() {
  const Shown shown = Current();
  // Before a clock's first message there is nothing of it: draw an empty history.
  static const SampleRing kNothing(0);
  static const SkyView kNoSky;
  const SampleRing& samples = shown.clock ? *shown.samples : kNothing;
  const std::uint8_t clock = shown.clock.value_or(0);
  switch (tabs_->currentIndex()) {
    case kTimeSeriesTab:
      time_series_->Draw(samples, clock, from_ms_, to_ms_);
      break;
    case kStabilityTab:
      stability_->Draw(MakeStabilityInput(samples, clock, from_ms_, to_ms_));
      break;
    case kSkyTab:
      sky_plot_->Draw(shown.sky ? *shown.sky : kNoSky);
      cno_map_->Draw(shown.sky);
      break;
  }
}

bool HistoryWindow::ImportCsv(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  CsvContents contents = ReadCsv(in);
  if (!in.eof() || contents.samples.empty()) {
    message_(QStringLiteral("History"),
             QStringLiteral("No samples could be read from %1").arg(path));
    return false;
  }
  std::stable_sort(
      contents.samples.begin(), contents.samples.end(),
      [](const HistorySample& a, const HistorySample& b) { return a.time_ms < b.time_ms; });
  auto log = std::make_unique<ImportedLog>(
      ImportedLog{QFileInfo(path).fileName(), SampleRing(contents.samples.size())});
  for (const HistorySample& sample : contents.samples) log->samples.Push(sample);
  logs_.push_back(std::move(log));
  source_->addItem(logs_.back()->name);
  source_->setCurrentIndex(source_->count() - 1);
  span_->setCurrentIndex(static_cast<int>(std::size(kSpansMs)) - 1);
  SelectSpan(span_->currentIndex());
  return true;
}

bool HistoryWindow::ExportCsv(const QString& path) const {
  const Shown shown = Current();
  std::string text = std::string(kCsvHeader) + '\n';
  for (std::size_t i = 0; shown.clock && i < shown.samples->size(); ++i) {
    if ((*shown.samples)[i].clock == *shown.clock) text += CsvRow((*shown.samples)[i]);
  }
  return WriteFile(path, text);
}

bool HistoryWindow::ExportDeviationTable(const QString& path) const {
  return WriteFile(path, DeviationTableCsv(stability_->points()));
}

bool HistoryWindow::ExportPlot(const QString& path) {
  Refresh();
  return SavePlot(*tabs_->currentWidget(), path);
}

void HistoryWindow::AskAndImport() {
  const QString path =
      QFileDialog::getOpenFileName(this, QStringLiteral("Open a clock's CSV log"), QString(),
                                   QStringLiteral("CSV (*.csv);;All files (*)"));
  if (!path.isEmpty()) ImportCsv(path);
}

void HistoryWindow::AskAndExport(const QString& what, const QString& filter,
                                 const std::function<bool(const QString&)>& save) {
  const QString path = QFileDialog::getSaveFileName(this, what, QString(), filter);
  if (path.isEmpty() || save(path)) return;
  message_(QStringLiteral("History"), QStringLiteral("Could not write %1").arg(path));
}

}  // namespace orvane
