// The "I/O History" window: the last ten minutes of the lamps the main window
// mirrors, one lane each, so a point that chattered for half a second can still be
// read. Pause holds the picture while recording goes on; the pointer reads the time
// and every point's state; "Save Data" writes the changes as CSV. Modeless.
#pragma once

#include <QWidget>
#include <optional>

#include "tessera/core/io_history.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

namespace common {
class Prompts;
}

namespace tessera {
class IoRecorder;
}

namespace tessera::panel {

class IoTimeline;

class IoHistoryWindow : public QWidget {
  Q_OBJECT
 public:
  static constexpr char kTitle[] = "I/O History";
  static constexpr char kSaveTitle[] = "Save I/O History Data";
  static constexpr char kFileName[] = "IO History.csv";
  static constexpr int kRefreshMs = 500;  // at most two repaints a second while polling

  IoHistoryWindow(IoRecorder& recorder, common::Prompts& prompts, QWidget* parent = nullptr);

  IoRecorder& Recorder() { return recorder_; }
  IoTimeline& Timeline() { return *timeline_; }
  bool Paused() const { return paused_; }
  // The polls on the picture: the held ones while paused, else the live record.
  const IoHistory& Shown() const;
  // What the pointer line says for a time on the picture.
  QString ReadoutText(std::int64_t ms) const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void TogglePause();
  void SaveData();
  void ShowReadout(std::optional<std::int64_t> ms);

  IoRecorder& recorder_;
  common::Prompts& prompts_;
  IoHistory held_;
  bool paused_ = false;
  QCheckBox* hide_unchanged_box_;
  QPushButton* pause_button_;
  QPushButton* save_button_;
  IoTimeline* timeline_;
  QLabel* readout_label_;
  QLabel* saved_label_;
  QTimer* refresh_timer_;
};

}  // namespace tessera::panel
