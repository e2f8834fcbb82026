#include "tessera/windows/io_history_window.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QVBoxLayout>

#include "common/qtcore/prompts.h"
#include "common/qtcore/save_text.h"
#include "tessera/session/io_recorder.h"
#include "tessera/windows/io_timeline.h"

namespace tessera::panel {
namespace {

constexpr char kReadoutHint[] =
    "Point at the timeline, or give it the focus and use the arrow keys, to read every "
    "point's state at that time.";

QString ClockText(std::int64_t ms) {
  return QDateTime::fromMSecsSinceEpoch(ms).toString("HH:mm:ss.zzz");
}

void ShowText(QLabel* label, const QString& text) {
  label->setText(text);
  label->setAccessibleName(text);
}

}  // namespace

IoHistoryWindow::IoHistoryWindow(IoRecorder& recorder, common::Prompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), recorder_(recorder), prompts_(prompts) {
  setObjectName("frmIoHistory");
  setWindowTitle(kTitle);
  setAccessibleName(kTitle);

  auto* column = new QVBoxLayout(this);
  auto* bar = new QHBoxLayout;
  column->addLayout(bar);
  hide_unchanged_box_ = new QCheckBox("&Hide unchanged points", this);
  hide_unchanged_box_->setObjectName("chkHideUnchanged");
  hide_unchanged_box_->setAccessibleName("Hide unchanged points");
  hide_unchanged_box_->setToolTip("Show only the points seen both on and off in the history");
  bar->addWidget(hide_unchanged_box_);
  bar->addStretch();
  pause_button_ = new QPushButton("&Pause", this);
  pause_button_->setObjectName("cmdPause");
  pause_button_->setAccessibleName("Pause");
  pause_button_->setToolTip("Hold the picture; recording goes on");
  bar->addWidget(pause_button_);
  save_button_ = new QPushButton(QStringLiteral("&Save Data\u2026"), this);
  save_button_->setObjectName("cmdSaveData");
  save_button_->setAccessibleName("Save Data");
  save_button_->setToolTip("Save every change shown as a CSV file");
  bar->addWidget(save_button_);

  timeline_ = new IoTimeline(this);
  timeline_->setObjectName("picTimeline");
  timeline_->setAccessibleName("I/O timeline");
  timeline_->setAccessibleDescription(
      "One lane per point, filled while on, hatched where the TBX did not answer, the "
      "newest poll at the right, ten minutes across");
  timeline_->setMinimumSize(480, 240);
  column->addWidget(timeline_, 1);

  readout_label_ = new QLabel(this);
  readout_label_->setObjectName("lblPointer");
  readout_label_->setWordWrap(true);
  readout_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // Two lines always, so the timeline does not jump as the pointer moves.
  readout_label_->setMinimumHeight(2 * readout_label_->fontMetrics().lineSpacing());
  readout_label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  ShowText(readout_label_, kReadoutHint);
  column->addWidget(readout_label_);
  saved_label_ = new QLabel(this);
  saved_label_->setObjectName("lblSaved");
  saved_label_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  saved_label_->setAccessibleName("Not saved yet");
  saved_label_->setAccessibleDescription("Where the data was saved last");
  column->addWidget(saved_label_);

  connect(hide_unchanged_box_, &QCheckBox::toggled, timeline_, &IoTimeline::SetHideUnchanged);
  connect(pause_button_, &QPushButton::clicked, this, &IoHistoryWindow::TogglePause);
  connect(save_button_, &QPushButton::clicked, this, &IoHistoryWindow::SaveData);
  connect(timeline_, &IoTimeline::PointerAt, this, &IoHistoryWindow::ShowReadout);
  // Hidden or paused, a poll costs the window one test. Shown, the picture moves a
  // pixel every half second or so: a few repaints a second are all it needs.
  refresh_timer_ = new QTimer(this);
  refresh_timer_->setSingleShot(true);
  refresh_timer_->setInterval(kRefreshMs);
  connect(refresh_timer_, &QTimer::timeout, timeline_, &IoTimeline::Refresh);
  connect(&recorder_, &IoRecorder::Recorded, this, [this] {
    if (!paused_ && isVisible() && !refresh_timer_->isActive()) refresh_timer_->start();
  });
  timeline_->SetHistory(&recorder_.History());
  resize(960, 600);
}

const IoHistory& IoHistoryWindow::Shown() const { return paused_ ? held_ : recorder_.History(); }

void IoHistoryWindow::showEvent(QShowEvent* event) {
  // Polls that came while the window was closed.
  timeline_->Refresh();
  QWidget::showEvent(event);
}

void IoHistoryWindow::TogglePause() {
  paused_ = !paused_;
  // A copy of 16 bytes a poll: the ring goes on turning underneath.
  if (paused_) held_ = recorder_.History();
  timeline_->SetHistory(&Shown());
  pause_button_->setText(paused_ ? "&Resume" : "&Pause");
  pause_button_->setAccessibleName(paused_ ? "Resume" : "Pause");
}

QString IoHistoryWindow::ReadoutText(std::int64_t ms) const {
  const std::optional<std::size_t> at = timeline_->PollAt(ms);
  if (!at) {
    const bool before = Shown().Size() == 0 || ms < Shown()[0].ms;
    return ClockText(ms) + (before ? " - before the first poll kept" : " - not polled");
  }
  const HistoryPoll& poll = Shown()[*at];
  const QString time = ClockText(poll.ms);
  if (!poll.Answered()) return time + " - TBX not responding";
  QStringList lit;
  for (int lane = 0; lane < kHistoryLanes; ++lane) {
    if (poll.On(lane)) lit << QString::fromStdString(LaneCaption(lane));
  }
  if (lit.isEmpty()) return time + " - every point off";
  return time + " - on: " + lit.join(", ") + "; every other point off";
}

void IoHistoryWindow::ShowReadout(std::optional<std::int64_t> ms) {
  ShowText(readout_label_, ms ? ReadoutText(*ms) : QString(kReadoutHint));
}

void IoHistoryWindow::SaveData() {
  // The save dialog asks before it replaces a file.
  const std::optional<QString> path =
      prompts_.SaveFile(kSaveTitle, kFileName, "CSV Files (*.csv);;All Files (*)");
  if (!path) return;
  std::optional<QString> error;
  {
    common::BusyGuard hourglass(prompts_);
    error = common::WriteWholeFile(*path, HistoryCsv(Shown()));
  }
  if (error) {
    prompts_.Show({.title = QCoreApplication::applicationName(),
                   .text = "The I/O History was not saved. A file already there is unchanged.",
                   .buttons = common::Buttons::kOk,
                   .icon = common::Icon::kWarning,
                   .detail = *path + ": " + *error,
                   .owner = this});
    return;
  }
  ShowText(saved_label_, "Saved to " + *path);
}

}  // namespace tessera::panel
