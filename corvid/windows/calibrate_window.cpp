#include "corvid/windows/calibrate_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include "common/widgets/indicator.h"
#include "common/widgets/picture.h"
#include "common/widgets/window_helpers.h"

namespace corvid::calibration {
namespace {

using common::Named;

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
// While a step runs: red there would read as a failure before any result exists.
const QColor kRunning(30, 144, 255);
constexpr int kAttentionSize = 32;

// The label breaks lines at LF; the texts carry CR LF.
QString Displayed(const QString& text) { return QString(text).replace("\r\n", "\n"); }

}  // namespace

CalibrateWindow::CalibrateWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("frmCalibrate");
  setWindowTitle("Calibrate VELD / KRAN");
  setAccessibleName(windowTitle());

  status_frame_ = Named(new QGroupBox("Status", this), "fraStatus", "Status");
  status_lamp_ = new common::Indicator("shpStatus", "Calibration status", kRed, status_frame_, 22);
  status_label_ = Named(new QLabel("Status", status_frame_), "lblStatus", "Status");
  // The frame keeps its height while the shape and its label are hidden.
  for (QWidget* w : {static_cast<QWidget*>(status_lamp_), static_cast<QWidget*>(status_label_)}) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
  }
  auto* status_row = new QHBoxLayout(status_frame_);
  status_row->addWidget(status_lamp_);
  status_row->addWidget(status_label_, 1);

  // The sign is placed by hand: it moves right once the step runs.
  attention_row_ = new QWidget(this);
  attention_row_->setFixedHeight(kAttentionSize + 4);
  attention_row_->setMinimumWidth(kAttentionStartedLeft + kAttentionSize + 8);
  attention_picture_ = new common::Picture(
      "imgAttention", "Attention sign", common::WarningPixmap(kAttentionSize, QColor(255, 210, 0)),
      attention_row_);
  attention_label_ = Named(new QLabel("Attention", attention_row_), "lblAttention", "Attention");
  attention_label_->adjustSize();
  attention_label_->move(kAttentionLeft + kAttentionSize + 8,
                         (kAttentionSize + 4 - attention_label_->height()) / 2);

  instructions_label_ = Named(new QLabel("Instructions", this), "lblInstruct", "Instructions");
  instructions_label_->setTextFormat(Qt::PlainText);
  instructions_label_->setWordWrap(true);
  instructions_label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  instructions_label_->setMargin(3);
  // A failed run's report can outgrow the label: it scrolls, keeping the newest lines
  // (the result) in view, and the window stays narrow enough to fit beside the
  // readings on a 1024-pixel screen.
  auto* instruct_scroll = new QScrollArea(this);
  instruct_scroll->setWidget(instructions_label_);
  instruct_scroll->setWidgetResizable(true);
  instruct_scroll->setMinimumSize(360, 200);
  instruct_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QScrollBar* scroll_bar = instruct_scroll->verticalScrollBar();
  connect(scroll_bar, &QScrollBar::rangeChanged, scroll_bar,
          [scroll_bar](int, int max) { scroll_bar->setValue(max); });

  start_button_ = Named(new QPushButton("&Start", this), "cmdStart", "Start");
  cancel_button_ = Named(new QPushButton("&Cancel", this), "cmdCancel", "Cancel");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(start_button_);
  buttons->addWidget(cancel_button_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(status_frame_);
  layout->addWidget(attention_row_);
  layout->addWidget(instruct_scroll, 1);
  layout->addLayout(buttons);

  flash_timer_ = new QTimer(this);
  flash_timer_->setObjectName("tmrFlash");
  flash_timer_->setInterval(kFlashMs);
  connect(flash_timer_, &QTimer::timeout, this, &CalibrateWindow::Flash);

  connect(start_button_, &QPushButton::clicked, this, [this] {
    start_button_->setEnabled(false);
    status_lamp_->show();
    status_label_->show();
    attention_label_->hide();
    attention_picture_->move(kAttentionStartedLeft, attention_picture_->y());
    emit StartClicked();
  });
  connect(cancel_button_, &QPushButton::clicked, this, [this] {
    CloseStep();
    emit CancelClicked();
  });
  Reset();
}

void CalibrateWindow::Reset() {
  flash_timer_->stop();
  SetInstructions("Instructions");
  SetCancelCaption("&Cancel");
  reported_ = false;
  status_lamp_->SetColour(kRunning);
  status_lamp_->SetFilled(false);
  start_button_->setEnabled(false);
}

void CalibrateWindow::PrepareStep(const QString& instructions, bool start_enabled) {
  if (isHidden()) Reset();
  reported_ = false;
  SetCancelCaption("&Cancel");
  attention_picture_->move(kAttentionLeft, 2);
  attention_picture_->SetShown(true);
  attention_label_->show();
  status_lamp_->SetFilled(false);
  status_lamp_->SetColour(kRunning);
  status_lamp_->setAccessibleDescription("Calibration running");
  status_lamp_->hide();
  status_label_->hide();
  start_button_->setEnabled(false);
  cancel_button_->setEnabled(true);
  flash_on_ = true;
  flash_timer_->start();
  SetInstructions(instructions);
  start_button_->setEnabled(start_enabled);
  show();
  raise();
  activateWindow();
  // Keyboard users answer with Space once the switches are set.
  (start_enabled ? start_button_ : cancel_button_)->setFocus();
}

void CalibrateWindow::ShowInstructions(const QString& instructions) {
  SetInstructions(instructions);
}

void CalibrateWindow::ShowReport(bool passed) {
  flash_timer_->stop();
  status_lamp_->SetColour(passed ? kGreen : kRed);
  status_lamp_->SetFilled(true);
  status_lamp_->show();
  status_lamp_->setAccessibleDescription(passed ? "Calibration Completed"
                                                : "Calibration Not Completed");
  SetCancelCaption(passed ? "Done" : "Error");
  reported_ = true;
  cancel_button_->setFocus();
}

void CalibrateWindow::CloseStep() {
  closing_quietly_ = true;
  close();
  closing_quietly_ = false;
  flash_timer_->stop();
}

QString CalibrateWindow::Instructions() const { return instructions_label_->text(); }

void CalibrateWindow::closeEvent(QCloseEvent* event) {
  flash_timer_->stop();
  event->accept();
  if (!closing_quietly_) emit CancelClicked();  // the close box abandons the step
}

void CalibrateWindow::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (reported_ && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)) {
    cancel_button_->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void CalibrateWindow::Flash() {
  flash_on_ = !flash_on_;
  attention_picture_->SetShown(flash_on_);
  status_lamp_->SetFilled(flash_on_);
}

void CalibrateWindow::SetInstructions(const QString& instructions) {
  const QString text = Displayed(instructions);
  if (instructions_label_->text() == text) return;
  instructions_label_->setText(text);
  instructions_label_->setAccessibleDescription(text);
}

void CalibrateWindow::SetCancelCaption(const QString& caption) {
  cancel_button_->setText(caption);
  cancel_button_->setAccessibleName(QString(caption).remove('&'));
}

}  // namespace corvid::calibration
