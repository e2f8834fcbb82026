#include "tessera/windows/io_timeline.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace tessera::panel {
namespace {

constexpr int kMargin = 6;
constexpr std::int64_t kMinuteMs = 60 * 1000;

}  // namespace

IoTimeline::IoTimeline(QWidget* parent) : QAbstractScrollArea(parent) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  viewport()->setMouseTracking(true);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  setFocusPolicy(Qt::StrongFocus);
  UpdateLabelWidth();
  UpdateLanes();
}

void IoTimeline::SetHistory(const IoHistory* history) {
  history_ = history;
  Refresh();
}

void IoTimeline::SetHideUnchanged(bool hide) {
  hide_unchanged_ = hide;
  Refresh();
}

void IoTimeline::Refresh() {
  UpdateLanes();
  viewport()->update();
  // The picture moved under a pointer that stayed still.
  if (pointer_x_) ReportPointer();
}

void IoTimeline::UpdateLanes() {
  const std::uint64_t changed =
      hide_unchanged_ && history_ != nullptr ? history_->ChangedLanes() : ~std::uint64_t{0};
  std::vector<int> lanes;
  for (int lane = 0; lane < kHistoryLanes; ++lane) {
    if ((changed >> lane) & 1) lanes.push_back(lane);
  }
  if (lanes == lanes_) return;
  lanes_ = std::move(lanes);
  UpdateScrollRange();
}

void IoTimeline::UpdateScrollRange() {
  const int lane_area = viewport()->height() - AxisHeight();
  const int total = static_cast<int>(lanes_.size()) * LaneHeight();
  verticalScrollBar()->setRange(0, std::max(0, total - lane_area));
  verticalScrollBar()->setPageStep(std::max(1, lane_area));
  verticalScrollBar()->setSingleStep(LaneHeight());
}

void IoTimeline::UpdateLabelWidth() {
  int widest = 0;
  for (int lane = 0; lane < kHistoryLanes; ++lane) {
    widest = std::max(widest,
                      fontMetrics().horizontalAdvance(QString::fromStdString(LaneCaption(lane))));
  }
  label_width_ = widest + 2 * kMargin;
}

int IoTimeline::LaneHeight() const { return fontMetrics().height() + 4; }
int IoTimeline::AxisHeight() const { return fontMetrics().height() + 8; }
int IoTimeline::PlotRight() const { return viewport()->width() - kMargin; }

std::int64_t IoTimeline::RightMs() const {
  return history_ != nullptr && history_->Size() > 0 ? (*history_)[history_->Size() - 1].ms : 0;
}

int IoTimeline::XOf(std::int64_t ms) const {
  const int width = std::max(1, PlotRight() - label_width_);
  const std::int64_t from_left = ms - (RightMs() - kSpanMs);
  return label_width_ + static_cast<int>(from_left * width / kSpanMs);
}

std::optional<std::int64_t> IoTimeline::TimeAt(int x) const {
  if (history_ == nullptr || history_->Size() == 0) return std::nullopt;
  if (x < label_width_ || x > PlotRight()) return std::nullopt;
  const int width = std::max(1, PlotRight() - label_width_);
  return RightMs() - kSpanMs + static_cast<std::int64_t>(x - label_width_) * kSpanMs / width;
}

std::optional<std::size_t> IoTimeline::PollAt(std::int64_t ms) const {
  if (history_ == nullptr) return std::nullopt;
  const std::optional<std::size_t> at = history_->Find(ms);
  if (!at || ms - (*history_)[*at].ms > kHoldMs) return std::nullopt;
  return at;
}

void IoTimeline::ReportPointer() {
  emit PointerAt(pointer_x_ ? TimeAt(*pointer_x_) : std::nullopt);
}

void IoTimeline::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
}

void IoTimeline::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    UpdateLabelWidth();
    UpdateScrollRange();
  }
}

void IoTimeline::PointTo(std::optional<int> x) {
  pointer_x_ = x;
  ReportPointer();
  viewport()->update();
}

void IoTimeline::mouseMoveEvent(QMouseEvent* event) { PointTo(event->position().toPoint().x()); }

void IoTimeline::keyPressEvent(QKeyEvent* event) {
  // Without a mouse the same readout: a pixel a key, ten with Shift.
  const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
  const int x = pointer_x_.value_or(PlotRight());
  switch (event->key()) {
    case Qt::Key_Left:
      PointTo(std::max(label_width_, x - step));
      break;
    case Qt::Key_Right:
      PointTo(std::min(PlotRight(), x + step));
      break;
    case Qt::Key_Home:
      PointTo(label_width_);
      break;
    case Qt::Key_End:
      PointTo(PlotRight());
      break;
    default:
      QAbstractScrollArea::keyPressEvent(event);
  }
}

bool IoTimeline::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Leave) PointTo(std::nullopt);
  return QAbstractScrollArea::viewportEvent(event);
}

void IoTimeline::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  const QPalette& colours = palette();
  const std::int64_t left_ms = RightMs() - kSpanMs;
  const int lane_area = viewport()->height() - AxisHeight();
  painter.setClipRect(0, 0, viewport()->width(), lane_area);
  const int lane_height = LaneHeight();
  const int scroll = verticalScrollBar()->value();
  for (std::size_t row = 0; row < lanes_.size(); ++row) {
    const int top = static_cast<int>(row) * lane_height - scroll;
    if (top + lane_height < 0 || top > lane_area) continue;
    if (row % 2 == 1) {
      painter.fillRect(0, top, viewport()->width(), lane_height,
                       colours.color(QPalette::AlternateBase));
    }
    painter.setPen(colours.color(QPalette::Text));
    painter.drawText(QRect(kMargin, top, label_width_ - 2 * kMargin, lane_height),
                     Qt::AlignVCenter | Qt::AlignLeft,
                     QString::fromStdString(LaneCaption(lanes_[row])));
  }
  if (history_ == nullptr || history_->Size() == 0) {
    painter.setPen(colours.color(QPalette::PlaceholderText));
    painter.drawText(QRect(label_width_, 0, PlotRight() - label_width_, lane_area), Qt::AlignCenter,
                     "No polls yet");
    return;
  }
  const std::size_t first = history_->Find(left_ms - kHoldMs).value_or(0);
  PaintLanes(painter, first, lane_area);
  painter.setClipping(false);
  PaintAxis(painter, left_ms);
  if (pointer_x_ && TimeAt(*pointer_x_)) {
    painter.setPen(QPen(colours.color(QPalette::Text), 1, Qt::DashLine));
    painter.drawLine(*pointer_x_, 0, *pointer_x_, lane_area);
  }
}

void IoTimeline::PaintLanes(QPainter& painter, std::size_t first, int lane_area) {
  const IoHistory& history = *history_;
  const std::size_t size = history.Size();
  // When poll i's state stops holding on the picture.
  const auto end_of = [&](std::size_t i) {
    const std::int64_t ms = history[i].ms;
    return i + 1 < size ? std::min(history[i + 1].ms, ms + kHoldMs) : ms;
  };
  const auto span = [&](std::int64_t from, std::int64_t to, int top, int height,
                        const QBrush& brush) {
    const int x = std::max(XOf(from), label_width_);
    const int right = std::min(XOf(to), PlotRight());
    // Two pixels at least: one poll's chatter must still catch the eye.
    painter.fillRect(x, top, std::max(2, right - x), height, brush);
  };

  // Hatching over every lane where the unit did not answer.
  const QBrush gap(palette().color(QPalette::PlaceholderText), Qt::BDiagPattern);
  for (std::size_t i = first; i < size;) {
    if (history[i].Answered()) {
      ++i;
      continue;
    }
    const std::int64_t from = history[i].ms;
    while (i + 1 < size && !history[i + 1].Answered()) ++i;
    span(from, end_of(i), 0, lane_area, gap);
    ++i;
  }

  const QBrush lit(palette().color(QPalette::Highlight));
  const QColor rule = palette().color(QPalette::Mid);
  const int lane_height = LaneHeight();
  const int scroll = verticalScrollBar()->value();
  for (std::size_t row = 0; row < lanes_.size(); ++row) {
    const int top = static_cast<int>(row) * lane_height - scroll;
    if (top + lane_height < 0 || top > lane_area) continue;
    const int lane = lanes_[row];
    const int band_top = top + 3;
    const int band_height = lane_height - 6;
    painter.setPen(rule);
    painter.drawLine(label_width_, band_top + band_height, PlotRight(), band_top + band_height);
    // A run of lit polls is one band; each poll holds until the next or kHoldMs.
    std::optional<std::int64_t> run_from;
    std::int64_t run_to = 0;
    for (std::size_t i = first; i < size; ++i) {
      const HistoryPoll& poll = history[i];
      const bool on = poll.Answered() && poll.On(lane);
      if (run_from && (!on || poll.ms != run_to)) {
        span(*run_from, run_to, band_top, band_height, lit);
        run_from.reset();
      }
      if (!on) continue;
      if (!run_from) run_from = poll.ms;
      run_to = end_of(i);
    }
    if (run_from) span(*run_from, run_to, band_top, band_height, lit);
  }
}

void IoTimeline::PaintAxis(QPainter& painter, std::int64_t left_ms) {
  const int top = viewport()->height() - AxisHeight();
  painter.setPen(palette().color(QPalette::Text));
  painter.drawLine(label_width_, top, PlotRight(), top);
  // Whole local minutes, as many as fit with their times beside them.
  const int label = fontMetrics().horizontalAdvance("00:00") + 2 * kMargin;
  const int minute_px = XOf(left_ms + kMinuteMs) - XOf(left_ms);
  std::int64_t step = kMinuteMs;
  for (const int minutes : {2, 5, 10}) {
    if (minute_px * step / kMinuteMs >= label) break;
    step = minutes * kMinuteMs;
  }
  const std::int64_t offset = QDateTime::fromMSecsSinceEpoch(left_ms).offsetFromUtc() * 1000LL;
  std::int64_t tick = ((left_ms + offset) / step + 1) * step - offset;
  for (; tick <= RightMs(); tick += step) {
    const int x = XOf(tick);
    painter.drawLine(x, top, x, top + 4);
    const QString text = QDateTime::fromMSecsSinceEpoch(tick).toString("HH:mm");
    // Centred under its tick, but never cut by the edge.
    const int left = std::min(x - label / 2, viewport()->width() - label);
    painter.drawText(QRect(left, top + 4, label, AxisHeight() - 4), Qt::AlignCenter, text);
  }
}

}  // namespace tessera::panel
