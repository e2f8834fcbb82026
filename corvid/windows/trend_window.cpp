#include "corvid/windows/trend_window.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QEvent>
#include <QGraphicsLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPushButton>
#include <QScatterSeries>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "common/qtcore/prompts.h"
#include "common/qtcore/save_text.h"
#include "common/widgets/window_helpers.h"

namespace corvid::monitor {

namespace {

using common::Named;

constexpr int kMains = 0;
constexpr int kFirstVolts = 1;
constexpr int kFirstAmps = 1 + kOutputs;

// Signal-head colours, mid-tones that read on a light and on a dark background.
const std::array<QColor, 3> kHeadColours = {QColor(220, 50, 47), QColor(215, 140, 0),
                                            QColor(40, 160, 60)};
const QColor kFaultColour(200, 60, 220);
constexpr int kChartMargin = 4;

struct SpanChoice {
  const char* caption;
  std::int64_t ms;
  int refresh_ms;  // a few pixels of the picture, no more often than once a second
  const char* time_format;
};
const std::array<SpanChoice, 3> kSpans = {{{"1 min", 60'000, 1000, "hh:mm:ss"},
                                           {"10 min", 600'000, 1000, "hh:mm:ss"},
                                           {"1 h", 3'600'000, 4000, "hh:mm"}}};

double Value(const TrendSample& s, int line) {
  if (line == kMains) return s.mains / 10.0;
  if (line < kFirstAmps) return s.volts[line - kFirstVolts] / 10.0;
  return s.amps[line - kFirstAmps];
}

QString Time(std::int64_t ms) {
  return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("hh:mm:ss.zzz"));
}

QString Tenths(int tenths) { return QString::fromStdString(FormatTenths(tenths)); }

}  // namespace

TrendWindow::TrendWindow(const TrendLog& log, common::Prompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window),
      log_(log),
      prompts_(prompts),
      clock_([] { return QDateTime::currentMSecsSinceEpoch(); }) {
  setObjectName("frmTrend");
  setWindowTitle(kTitle);
  setAccessibleName(kTitle);

  auto* column = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  column->addLayout(bar);
  span_box_ = Named(new QComboBox(this), "cmbSpan", "Time span");
  for (const SpanChoice& span : kSpans) span_box_->addItem(span.caption);
  span_box_->setCurrentIndex(kTenMinutes);
  auto* span_label = Named(new QLabel("&Span:", this), "lblSpan", "Span");
  span_label->setBuddy(span_box_);
  const auto add_button = [this, bar](const char* name, const QString& caption,
                                      const QString& accessible) {
    auto* button = Named(new QPushButton(caption, this), name, accessible);
    bar->addWidget(button);
    return button;
  };
  bar->addWidget(span_label);
  bar->addWidget(span_box_);
  bar->addStretch();
  pause_button_ = add_button("cmdPause", "&Pause", "Pause");
  pause_button_->setToolTip("Hold the picture; recording goes on");
  save_data_button_ = add_button("cmdSaveData", QStringLiteral("Save &Data\u2026"), "Save Data");
  save_data_button_->setToolTip("Save every reading kept (the last hour) as CSV");
  save_picture_button_ =
      add_button("cmdSavePicture", QStringLiteral("Save P&icture\u2026"), "Save Picture");
  save_picture_button_->setToolTip("Save the charts as shown as a PNG picture");

  readout_label_ = Named(new QLabel(this), "lblReadout", "Reading at the pointer");
  readout_label_->setWordWrap(true);
  readout_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  readout_label_->setMinimumHeight(readout_label_->fontMetrics().lineSpacing() * 3);
  readout_label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  column->addWidget(readout_label_);

  charts_ = new QWidget(this);
  charts_->setObjectName("fraCharts");
  auto* charts_column = new QVBoxLayout(charts_);
  charts_column->setContentsMargins(0, 0, 0, 0);
  charts_column->setSpacing(0);
  voltage_view_ = BuildChart("chtVoltages", "Voltages", "Vrms", voltage_axis_, voltage_time_);
  current_view_ = BuildChart("chtCurrents", "Currents", "mArms", current_axis_, current_time_);
  // The time labels once, under both charts.
  voltage_time_->setLabelsVisible(false);
  charts_column->addWidget(voltage_view_, 1);
  charts_column->addWidget(current_view_, 1);
  column->addWidget(charts_, 1);

  saved_label_ = Named(new QLabel(this), "lblSaved", "");
  saved_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  saved_label_->setAccessibleDescription("What was saved last, and where");
  column->addWidget(saved_label_);

  for (int line = 0; line < kLines; ++line) {
    Line& l = lines_[line];
    const bool volts = line < kFirstAmps;
    l.chart = volts ? voltage_view_->chart() : current_view_->chart();
    l.y = volts ? voltage_axis_ : current_axis_;
    l.x = volts ? voltage_time_ : current_time_;
    if (line != kMains) {
      const int output = (line - 1) % kOutputs;
      l.pen = QPen(kHeadColours[output % 3], 1, output < 3 ? Qt::SolidLine : Qt::DashLine);
      l.pen.setCosmetic(true);
    }
    AddSegments(line, 1);
  }
  // Fault marks last, so they lie over the lines at the foot of each chart.
  voltage_faults_ = AddFaultMarks(voltage_view_->chart(), voltage_time_, voltage_axis_);
  current_faults_ = AddFaultMarks(current_view_->chart(), current_time_, current_axis_);
  ApplyPalette();

  refresh_timer_ = new QTimer(this);
  refresh_timer_->setObjectName("tmrTrend");
  connect(refresh_timer_, &QTimer::timeout, this, &TrendWindow::Redraw);
  connect(span_box_, &QComboBox::currentIndexChanged, this, &TrendWindow::SetSpan);
  connect(pause_button_, &QPushButton::clicked, this, &TrendWindow::TogglePause);
  connect(save_data_button_, &QPushButton::clicked, this, &TrendWindow::SaveData);
  connect(save_picture_button_, &QPushButton::clicked, this, &TrendWindow::SavePicture);
  SetSpan(span_box_->currentIndex());
  SetReadout("Point at a chart to read the values at that instant.");
  resize(780, 520);
}

TrendWindow::~TrendWindow() = default;

QChartView* TrendWindow::BuildChart(const QString& name, const QString& title, const QString& unit,
                                    QValueAxis*& y, QDateTimeAxis*& x) {
  auto* chart = new QChart;
  chart->setMargins(QMargins(kChartMargin, 2, kChartMargin, 2));
  chart->layout()->setContentsMargins(0, 0, 0, 0);
  chart->setBackgroundRoundness(0);
  chart->legend()->setAlignment(Qt::AlignRight);
  x = new QDateTimeAxis;
  y = new QValueAxis;
  y->setTitleText(QStringLiteral("%1 (%2)").arg(title, unit));
  y->setLabelFormat("%.0f");
  y->setRange(0, 10);
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  auto* view = Named(new QChartView(chart, this), name, title + " chart");
  view->setRenderHint(QPainter::Antialiasing);
  view->setMinimumHeight(150);
  view->viewport()->setMouseTracking(true);
  view->viewport()->installEventFilter(this);
  connect(chart, &QChart::plotAreaChanged, this, &TrendWindow::AlignPlotAreas);
  return view;
}

QScatterSeries* TrendWindow::AddFaultMarks(QChart* chart, QDateTimeAxis* x, QValueAxis* y) {
  auto* faults = new QScatterSeries;
  faults->setName("Fault");
  faults->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
  faults->setMarkerSize(9);
  faults->setColor(kFaultColour);
  faults->setBorderColor(kFaultColour);
  chart->addSeries(faults);
  faults->attachAxis(x);
  faults->attachAxis(y);
  return faults;
}

QString TrendWindow::LineName(int line) {
  if (line == kMains) return "Mains";
  const int output = (line - 1) % kOutputs;
  return QString::fromLatin1(TrendOutputNames()[output]);
}

void TrendWindow::AddSegments(int line, std::size_t count) {
  Line& l = lines_[line];
  while (l.segments.size() < count) {
    auto* series = new QLineSeries;
    series->setName(LineName(line));
    series->setPen(l.pen);
    l.chart->addSeries(series);
    series->attachAxis(l.x);
    series->attachAxis(l.y);
    series->setVisible(l.shown);
    const QList<QLegendMarker*> markers = l.chart->legend()->markers(series);
    if (l.segments.empty()) {
      for (QLegendMarker* marker : markers)
        connect(marker, &QLegendMarker::clicked, this, [this, line] { ToggleLine(line); });
    } else {
      for (QLegendMarker* marker : markers) marker->setVisible(false);
    }
    l.segments.push_back(series);
  }
}

void TrendWindow::ToggleLine(int line) {
  Line& l = lines_[line];
  l.shown = !l.shown;
  for (QLineSeries* series : l.segments) series->setVisible(l.shown);
  ShowLegendState(line);
  if (isVisible()) Redraw();  // the value axis follows the lines shown
}

void TrendWindow::ShowLegendState(int line) {
  // The entry of a hidden line stays, dimmed, so it can be switched back on.
  const Line& l = lines_[line];
  for (QLegendMarker* marker : l.chart->legend()->markers(l.segments.front())) {
    marker->setVisible(true);
    QColor label = palette().color(QPalette::WindowText);
    QBrush brush = marker->brush();
    QColor fill = brush.color();
    const int alpha = l.shown ? 255 : 70;
    label.setAlpha(alpha);
    fill.setAlpha(alpha);
    brush.setColor(fill);
    marker->setLabelBrush(label);
    marker->setBrush(brush);
    QPen pen = marker->pen();
    pen.setColor(fill);
    marker->setPen(pen);
  }
}

void TrendWindow::ApplyPalette() {
  // The window's palette, so a dark desktop gets a dark chart.
  const QPalette& p = palette();
  // One pixel wide: wider lines are filled as outlines, which an hour of spikes
  // makes a hundred times dearer to draw.
  lines_[kMains].pen = QPen(p.color(QPalette::WindowText), 1);
  lines_[kMains].pen.setCosmetic(true);
  for (QLineSeries* series : lines_[kMains].segments) series->setPen(lines_[kMains].pen);
  QColor grid = p.color(QPalette::WindowText);
  grid.setAlpha(40);
  for (QChartView* view : {voltage_view_, current_view_}) {
    QChart* chart = view->chart();
    chart->setBackgroundBrush(p.brush(QPalette::Base));
    chart->setBackgroundPen(Qt::NoPen);
    chart->legend()->setLabelColor(p.color(QPalette::WindowText));
    for (QAbstractAxis* axis : chart->axes()) {
      axis->setLabelsBrush(p.brush(QPalette::WindowText));
      axis->setTitleBrush(p.brush(QPalette::WindowText));
      axis->setLinePenColor(p.color(QPalette::Mid));
      axis->setGridLineColor(grid);
    }
    view->setBackgroundBrush(p.brush(QPalette::Base));
  }
  for (int line = 0; line < kLines; ++line) ShowLegendState(line);
}

void TrendWindow::changeEvent(QEvent* event) {
  if (event->type() == QEvent::PaletteChange) ApplyPalette();
  QWidget::changeEvent(event);
}

void TrendWindow::AlignPlotAreas() {
  // Both charts share the time axis: their plot areas start and end at the same x
  // whatever room their value labels, legends and time labels take.
  if (aligning_) return;
  aligning_ = true;
  std::array<QChart*, 2> charts = {voltage_view_->chart(), current_view_->chart()};
  std::array<qreal, 2> left{}, right{};
  for (std::size_t i = 0; i < 2; ++i) {
    const QMargins m = charts[i]->margins();
    left[i] = charts[i]->plotArea().left() - (m.left() - kChartMargin);
    right[i] =
        charts[i]->size().width() - charts[i]->plotArea().right() - (m.right() - kChartMargin);
  }
  const qreal want_left = std::max(left[0], left[1]);
  const qreal want_right = std::max(right[0], right[1]);
  for (std::size_t i = 0; i < 2; ++i) {
    QMargins m = charts[i]->margins();
    const QMargins wanted(
        kChartMargin + static_cast<int>(std::lround(want_left - left[i])), m.top(),
        kChartMargin + static_cast<int>(std::lround(want_right - right[i])), m.bottom());
    if (wanted != m) charts[i]->setMargins(wanted);
  }
  aligning_ = false;
}

std::int64_t TrendWindow::SpanMs() const { return kSpans[span_box_->currentIndex()].ms; }

void TrendWindow::SetSpan(int index) {
  if (index < 0) return;
  refresh_timer_->setInterval(kSpans[index].refresh_ms);
  for (QDateTimeAxis* axis : {voltage_time_, current_time_})
    axis->setFormat(kSpans[index].time_format);
  if (isVisible()) Redraw();
}

void TrendWindow::TogglePause() {
  paused_ = !paused_;
  pause_button_->setText(paused_ ? "&Resume" : "&Pause");
  pause_button_->setAccessibleName(paused_ ? "Resume" : "Pause");
  if (paused_) {
    refresh_timer_->stop();
  } else if (isVisible()) {
    Redraw();
    refresh_timer_->start();
  }
}

void TrendWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!paused_) {
    Redraw();
    refresh_timer_->start();
  }
}

void TrendWindow::hideEvent(QHideEvent* event) {
  // Hidden, the window costs nothing: the recording goes on without it.
  refresh_timer_->stop();
  QWidget::hideEvent(event);
}

void TrendWindow::Redraw() {
  const std::int64_t end = paused_ ? shown_end_ : clock_();
  const std::int64_t span = SpanMs();
  const std::int64_t start = end - span;
  shown_start_ = start;
  shown_end_ = end;
  ++redraws_;
  for (QDateTimeAxis* axis : {voltage_time_, current_time_}) {
    axis->setRange(QDateTime::fromMSecsSinceEpoch(start), QDateTime::fromMSecsSinceEpoch(end));
  }

  // Per two pixel columns the lowest and the highest value, in their order: an hour
  // is 72 000 readings, and a dip of one reading must still show.
  const auto buckets = static_cast<std::int64_t>(
      std::max<qreal>(100, current_view_->chart()->plotArea().width() / 2));
  std::array<std::vector<QList<QPointF>>, kLines> runs;
  QList<QPointF> faults;
  struct Extreme {
    QPointF low, high;
    int count = 0;
  };
  std::array<Extreme, kLines> extremes{};
  const auto new_run = [&runs] {
    for (auto& line_runs : runs) {
      if (line_runs.empty() || (!line_runs.back().empty() && line_runs.size() < kMaxRuns))
        line_runs.emplace_back();
    }
  };
  const auto flush = [&runs, &extremes] {
    for (int line = 0; line < kLines; ++line) {
      Extreme& e = extremes[line];
      if (e.count == 0) continue;
      QList<QPointF>& run = runs[line].back();
      const bool low_first = e.low.x() <= e.high.x();
      run.append(low_first ? e.low : e.high);
      if (e.low != e.high) run.append(low_first ? e.high : e.low);
      e.count = 0;
    }
  };
  new_run();
  const TrendRing<TrendSample>& samples = log_.Samples();
  std::size_t first = samples.LowerBound(start);
  if (first > 0) --first;  // the line comes in from the left edge
  std::int64_t bucket = -2;
  bool fault_marked = false;
  double top_volts = 0, top_amps = 0;
  for (std::size_t i = first; i < samples.Size(); ++i) {
    const TrendSample& s = samples[i];
    if (s.time_ms > end) break;
    if (s.no_answer) {
      flush();
      new_run();
      continue;
    }
    const std::int64_t b = s.time_ms < start ? -1 : (s.time_ms - start) * buckets / span;
    if (b != bucket) {
      flush();
      bucket = b;
      fault_marked = false;
    }
    const auto t = static_cast<qreal>(s.time_ms);
    for (int line = 0; line < kLines; ++line) {
      const double v = Value(s, line);
      Extreme& e = extremes[line];
      if (e.count++ == 0 || v < e.low.y()) e.low = QPointF(t, v);
      if (e.count == 1 || v > e.high.y()) e.high = QPointF(t, v);
      if (!lines_[line].shown || s.time_ms < start) continue;
      (line < kFirstAmps ? top_volts : top_amps) =
          std::max(line < kFirstAmps ? top_volts : top_amps, v);
    }
    if (s.fault_bits != 0 && !fault_marked && s.time_ms >= start) {
      faults.append(QPointF(t, 0));
      fault_marked = true;
    }
  }
  flush();

  for (int line = 0; line < kLines; ++line) {
    std::vector<QList<QPointF>>& line_runs = runs[line];
    AddSegments(line, line_runs.size());
    std::vector<QLineSeries*>& segments = lines_[line].segments;
    for (std::size_t k = 0; k < segments.size(); ++k) {
      if (k < line_runs.size()) {
        segments[k]->replace(line_runs[k]);
      } else if (segments[k]->count() > 0) {
        segments[k]->clear();
      }
    }
  }
  voltage_faults_->replace(faults);
  current_faults_->replace(faults);
  // Round ticks from 0, with a little room above the highest value shown.
  voltage_axis_->setRange(0, std::max(top_volts * 1.05, 10.0));
  voltage_axis_->applyNiceNumbers();
  current_axis_->setRange(0, std::max(top_amps * 1.05, 100.0));
  current_axis_->applyNiceNumbers();

  const QString range = QStringLiteral("%1 to %2").arg(Time(start), Time(end));
  voltage_view_->setAccessibleDescription("Mains and output voltages, " + range);
  current_view_->setAccessibleDescription("Output currents, " + range);
}

bool TrendWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) {
    for (QChartView* view : {voltage_view_, current_view_}) {
      if (watched == view->viewport())
        ShowReadout(view, static_cast<QMouseEvent*>(event)->position().toPoint());
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TrendWindow::ShowReadout(QChartView* view, const QPoint& pos) {
  const QRectF area = view->chart()->plotArea();
  const QPointF at = view->chart()->mapFromScene(view->mapToScene(pos));
  if (!area.contains(at) || shown_end_ <= shown_start_) return;
  const auto t = shown_start_ + static_cast<std::int64_t>(
                                    std::llround((at.x() - area.left()) / area.width() *
                                                 static_cast<double>(shown_end_ - shown_start_)));
  const TrendRing<TrendSample>& samples = log_.Samples();
  // The nearest reading within a few pixels' worth of time; beyond that, or after
  // the device stopped answering, there is nothing to read.
  const std::int64_t reach = std::max<std::int64_t>(
      150, 3 * (shown_end_ - shown_start_) / std::max<std::int64_t>(1, std::lround(area.width())));
  const std::size_t after = samples.LowerBound(t);
  const TrendSample* nearest = nullptr;
  for (std::size_t i : {after - 1, after}) {
    if (i >= samples.Size()) continue;  // also after == 0
    const TrendSample& s = samples[i];
    if (nearest == nullptr || std::llabs(s.time_ms - t) < std::llabs(nearest->time_ms - t))
      nearest = &s;
  }
  if (nearest == nullptr || nearest->no_answer || std::llabs(nearest->time_ms - t) > reach) {
    const bool silent = after > 0 && samples[after - 1].no_answer;
    SetReadout(Time(t) + (silent ? "  no answer from the device" : "  no reading"));
    return;
  }
  const TrendSample& s = *nearest;
  QString text = Time(s.time_ms) + "   Mains " + Tenths(s.mains) + " Vrms";
  if (const TrendTemperature* temperature = log_.TemperatureAt(s.time_ms))
    text += QStringLiteral("   Temperature %1 oF").arg(temperature->temperature);
  QStringList faulted;
  for (int i = 0; i < kOutputs; ++i)
    if (s.fault_bits >> i & 1) faulted << LineName(kFirstVolts + i);
  text += faulted.isEmpty() ? QString("   No fault") : "   Fault: " + faulted.join(", ");
  QStringList outputs;
  for (int i = 0; i < kOutputs; ++i) {
    outputs << QStringLiteral("%1 %2 Vrms %3 mArms%4")
                   .arg(LineName(kFirstVolts + i), Tenths(s.volts[i]))
                   .arg(s.amps[i])
                   .arg((s.on_bits >> i & 1) ? " on" : "");
  }
  SetReadout(text + "\n" + outputs.join(";  "));
}

void TrendWindow::SetReadout(const QString& text) {
  readout_label_->setText(text);
  readout_label_->setAccessibleName(text);
}

QString TrendWindow::ReadoutText() const { return readout_label_->text(); }

void TrendWindow::SaveData() {
  const std::optional<QString> path = prompts_.SaveFile("Save Trend Data As", "Corvid Trend.csv",
                                                        "CSV Files (*.csv);;All Files (*)");
  if (!path) return;
  std::optional<QString> error;
  {
    common::BusyGuard hourglass(prompts_);
    error = common::WriteWholeFile(*path, TrendCsv(log_));
  }
  if (error) return Report(*error, *path);
  std::size_t readings = 0;
  for (std::size_t i = 0; i < log_.Samples().Size(); ++i) readings += !log_.Samples()[i].no_answer;
  ShowSaved(QStringLiteral("%1 status and %2 temperature readings")
                .arg(readings)
                .arg(log_.Temperatures().Size()),
            *path);
}

void TrendWindow::SavePicture() {
  const std::optional<QString> path = prompts_.SaveFile("Save Trend Picture As", "Corvid Trend.png",
                                                        "PNG Pictures (*.png);;All Files (*)");
  if (!path) return;
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  charts_->grab().save(&buffer, "PNG");
  if (const auto error =
          common::WriteWholeFile(*path, std::string_view(png.constData(), png.size())))
    return Report(*error, *path);
  ShowSaved("the picture", *path);
}

void TrendWindow::ShowSaved(const QString& what, const QString& path) {
  const QString text = QStringLiteral("Saved %1 to %2").arg(what, path);
  saved_label_->setText(text);
  saved_label_->setAccessibleName(text);
}

void TrendWindow::Report(const QString& error, const QString& path) {
  prompts_.Show({.title = QCoreApplication::applicationName(),
                 .text = error,
                 .buttons = common::Buttons::kOk,
                 .icon = common::Icon::kWarning,
                 .detail = path,
                 .owner = this});
}

}  // namespace corvid::monitor
