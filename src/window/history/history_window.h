#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "history/history_store.h"
#include "ui/modal_message.h"

class QComboBox;
class QTabWidget;

namespace orvane {

class CnoMap;
class SkyPlot;
class StabilityView;
class TimeSeriesView;

// The History window: the recorded time series, the stability of the oscillator and the sky, of
// the clock selected in the main window or of a CSV log opened here. An ordinary top-level window
// that keeps its place and size between runs.
class HistoryWindow : public QWidget {
 public:
  // The spans selector's choices; 0 is the whole history.
  static constexpr std::int64_t kSpansMs[] = {600'000, 3'600'000, 21'600'000, 86'400'000, 0};

  HistoryWindow(const HistoryStore& store, std::function<std::string()> selected_serial,
                ModalMessage message, QWidget* parent = nullptr);
  ~HistoryWindow() override;

  // Redraws what changed since the last time: new samples, another clock, another range.
  void Refresh();
  // Shows the last `span` (an index of kSpansMs) up to the newest sample, following new ones.
  void SelectSpan(int span);

  bool ImportCsv(const QString& path);
  bool ExportCsv(const QString& path) const;
  bool ExportDeviationTable(const QString& path) const;
  // The plot of the current tab.
  bool ExportPlot(const QString& path);

  QTabWidget& tabs() const { return *tabs_; }
  TimeSeriesView& time_series() const { return *time_series_; }
  StabilityView& stability() const { return *stability_; }
  SkyPlot& sky_plot() const { return *sky_plot_; }
  QComboBox& source() const { return *source_; }
  std::int64_t from_ms() const { return from_ms_; }
  std::int64_t to_ms() const { return to_ms_; }

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  struct ImportedLog {
    QString name;
    SampleRing samples;
  };
  // What is on show: the samples, the clock among them and its sky (none for a log).
  struct Shown {
    const SampleRing* samples = nullptr;
    std::optional<std::uint8_t> clock;
    const SkyView* sky = nullptr;
  };

  Shown Current() const;
  void RequestRange(std::int64_t from_ms, std::int64_t to_ms);
  void FollowNewest(const Shown& shown);
  void Draw();
  void AskAndImport();
  void AskAndExport(const QString& what, const QString& filter,
                    const std::function<bool(const QString&)>& save);

  const HistoryStore& store_;
  std::function<std::string()> selected_serial_;
  ModalMessage message_;
  std::vector<std::unique_ptr<ImportedLog>> logs_;
  QComboBox* source_;
  QComboBox* span_;
  QTabWidget* tabs_;
  TimeSeriesView* time_series_;
  StabilityView* stability_;
  SkyPlot* sky_plot_;
  CnoMap* cno_map_;
  QTimer refresh_timer_;
  bool following_ = true;
  std::int64_t from_ms_ = 0;
  std::int64_t to_ms_ = 0;
  // What the plots show now; a refresh that finds the same draws nothing.
  struct Drawn {
    const SampleRing* samples = nullptr;
    std::optional<std::uint8_t> clock;
    std::uint64_t revision = 0;
    std::int64_t from_ms = 0, to_ms = 0;
    int tab = -1;
    QSize size;
    bool operator==(const Drawn&) const = default;
  } drawn_;
};

}  // namespace orvane
