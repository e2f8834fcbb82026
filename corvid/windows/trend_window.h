// The "Trend" window: the last minute, ten minutes or hour of what the poll read,
// as two charts on one time axis (mains and the six output voltages; the six output
// currents), with breaks where the device did not answer and marks where an output
// faulted. Pause holds the picture while recording goes on; the pointer reads the
// values at any instant; the data saves as CSV, the picture as PNG. Modeless; it
// draws only while shown.
#pragma once

#include <QPen>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "corvid/core/trend_log.h"

class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QPushButton;
class QScatterSeries;
class QTimer;
class QValueAxis;

namespace common {
class Prompts;
}

namespace corvid::monitor {

class TrendWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr char kTitle[] = "Trend";
  // Mains, the six output voltages, the six output currents.
  static constexpr int kLines = 1 + 2 * kOutputs;
  // Past this many breaks in the span a line is drawn across the rest of them.
  static constexpr int kMaxRuns = 64;
  enum Span { kOneMinute, kTenMinutes, kOneHour };

  TrendWindow(const TrendLog& log, common::Prompts& prompts, QWidget* parent = nullptr);
  ~TrendWindow() override;

  // Milliseconds since the epoch; tests give their own clock.
  void SetClock(std::function<std::int64_t()> clock) { clock_ = std::move(clock); }
  bool Paused() const { return paused_; }
  std::int64_t SpanMs() const;
  // The time range of the picture as drawn last.
  std::int64_t ShownStart() const { return shown_start_; }
  std::int64_t ShownEnd() const { return shown_end_; }
  // How many times the charts were refilled: none while the window is hidden.
  int Redraws() const { return redraws_; }
  QString ReadoutText() const;
  static QString LineName(int line);
  // The pieces a line is drawn in, one per stretch of answers; the first one's
  // legend entry switches them all.
  const std::vector<QLineSeries*>& Segments(int line) const { return lines_[line].segments; }
  QChartView* VoltageView() const { return voltage_view_; }
  QChartView* CurrentView() const { return current_view_; }
  // Draws the picture now (the timer does it while the window is shown).
  void Redraw();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Line {
    QChart* chart = nullptr;
    QValueAxis* y = nullptr;
    QDateTimeAxis* x = nullptr;
    QPen pen;
    std::vector<QLineSeries*> segments;
    bool shown = true;
  };

  QChartView* BuildChart(const QString& name, const QString& title, const QString& unit,
                         QValueAxis*& y, QDateTimeAxis*& x);
  QScatterSeries* AddFaultMarks(QChart* chart, QDateTimeAxis* x, QValueAxis* y);
  void AddSegments(int line, std::size_t count);
  void ToggleLine(int line);
  void ShowLegendState(int line);
  void ApplyPalette();
  void AlignPlotAreas();
  void SetSpan(int index);
  void TogglePause();
  void ShowReadout(QChartView* view, const QPoint& pos);
  void SetReadout(const QString& text);
  void SaveData();
  void SavePicture();
  void ShowSaved(const QString& what, const QString& path);
  void Report(const QString& error, const QString& path);

  const TrendLog& log_;
  common::Prompts& prompts_;
  std::function<std::int64_t()> clock_;
  std::array<Line, kLines> lines_;
  QComboBox* span_box_;
  QPushButton* pause_button_;
  QPushButton* save_data_button_;
  QPushButton* save_picture_button_;
  QLabel* readout_label_;
  QLabel* saved_label_;
  QWidget* charts_;
  QChartView* voltage_view_;
  QChartView* current_view_;
  QValueAxis* voltage_axis_ = nullptr;
  QValueAxis* current_axis_ = nullptr;
  QDateTimeAxis* voltage_time_ = nullptr;
  QDateTimeAxis* current_time_ = nullptr;
  QScatterSeries* voltage_faults_ = nullptr;
  QScatterSeries* current_faults_ = nullptr;
  QTimer* refresh_timer_;
  bool paused_ = false;
  bool aligning_ = false;
  std::int64_t shown_start_ = 0;
  std::int64_t shown_end_ = 0;
  int redraws_ = 0;
};

}  // namespace corvid::monitor
