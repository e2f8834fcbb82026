// The picture of the I/O History: one lane per lamp, a filled band while it was lit,
// hatching where the unit did not answer, the newest poll at the right edge and ten
// minutes across. Lanes scroll; the time axis stays at the bottom. The pointer, or
// with the focus the Left and Right keys, picks a time to read.
#pragma once

#include <QAbstractScrollArea>
#include <cstdint>
#include <optional>
#include <vector>

#include "tessera/core/io_history.h"

class QPainter;

namespace tessera::panel {

class IoTimeline : public QAbstractScrollArea {
  Q_OBJECT
 public:
  static constexpr std::int64_t kSpanMs = 10 * 60 * 1000;
  // A poll's state holds until the next poll, but no longer than this: beyond it
  // nobody asked (polling suspended, a long routine) and the lanes stay empty.
  static constexpr std::int64_t kHoldMs = 1000;

  explicit IoTimeline(QWidget* parent = nullptr);

  // What to draw; it must outlive the timeline or be replaced first.
  void SetHistory(const IoHistory* history);
  void SetHideUnchanged(bool hide);
  // Takes in new polls (and lanes that started to change); repaints.
  void Refresh();

  const std::vector<int>& ShownLanes() const { return lanes_; }
  // Viewport x of a time, and the time at a viewport x (nullopt off the plot or
  // without polls).
  int XOf(std::int64_t ms) const;
  std::optional<std::int64_t> TimeAt(int x) const;
  // The poll whose state holds at `ms`; nullopt where nothing was polled.
  std::optional<std::size_t> PollAt(std::int64_t ms) const;

 signals:
  // The pointer is over the plot at `ms`, or (nullopt) left it.
  void PointerAt(std::optional<std::int64_t> ms);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int LaneHeight() const;
  int AxisHeight() const;
  int LabelWidth() const;
  int PlotRight() const;
  std::int64_t RightMs() const;
  void UpdateLabelWidth();
  void UpdateLanes();
  void UpdateScrollRange();
  void ReportPointer();
  void PointTo(std::optional<int> x);
  void PaintLanes(QPainter& painter, std::size_t first, int lane_area);
  void PaintAxis(QPainter& painter, std::int64_t left_ms);

  const IoHistory* history_ = nullptr;
  bool hide_unchanged_ = false;
  std::vector<int> lanes_;
  std::optional<int> pointer_x_;
  int label_width_ = 0;  // the widest caption and its margins
};

}  // namespace tessera::panel
