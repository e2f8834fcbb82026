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

  fra_status_ = Named(new QGroupBox("Status", this), "fraStatus", "Status");
  shp_status_ = new common::Indicator("shpStatus", "Calibration status", kRed, fra_status_, 22);
  lbl_status_ = Named(new QLabel("Status", fra_status_), "lblStatus", "Status");
  // The frame keeps its height while the shape and its label are hidden.
  for (QWidget* w : {static_cast<QWidget*>(shp_status_), static_cast<QWidget*>(lbl_status_)}) {
    QSizePolicy policy = w->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    w->setSizePolicy(policy);
  }
  auto* status_row = new QHBoxLayout(fra_status_);
  status_row->addWidget(shp_status_);
  status_row->addWidget(lbl_status_, 1);

  // The sign is placed by hand: it moves right once the step runs.
  attention_row_ = new QWidget(this);
  attention_row_->setFixedHeight(kAttentionSize + 4);
  attention_row_->setMinimumWidth(kAttentionStartedLeft + kAttentionSize + 8);
  img_attention_ = new common::Picture("imgAttention", "Attention sign",
                                       common::WarningPixmap(kAttentionSize, QColor(255, 210, 0)),
                                       attention_row_);
  lbl_attention_ = Named(new QLabel("Attention", attention_row_), "lblAttention", "Attention");
  lbl_attention_->adjustSize();
  lbl_attention_->move(kAttentionLeft + kAttentionSize + 8,
                       (kAttentionSize + 4 - lbl_attention_->height()) / 2);

  lbl_instruct_ = Named(new QLabel("Instructions", this), "lblInstruct", "Instructions");
  lbl_instruct_->setTextFormat(Qt::PlainText);
  lbl_instruct_->setWordWrap(true);
  lbl_instruct_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lbl_instruct_->setMargin(3);
  // A failed run's report can outgrow the label: it scrolls, keeping the newest lines
  // (the result) in view, and the window stays narrow enough to fit beside the
  // readings on a 1024-pixel screen.
  auto* instruct_scroll = new QScrollArea(this);
  instruct_scroll->setWidget(lbl_instruct_);
  instruct_scroll->setWidgetResizable(true);
  instruct_scroll->setMinimumSize(360, 200);
  instruct_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QScrollBar* scroll_bar = instruct_scroll->verticalScrollBar();
  connect(scroll_bar, &QScrollBar::rangeChanged, scroll_bar,
          [scroll_bar](int, int max) { scroll_bar->setValue(max); });

  cmd_start_ = Named(new QPushButton("&Start", this), "cmdStart", "Start");
  cmd_cancel_ = Named(new QPushButton("&Cancel", this), "cmdCancel", "Cancel");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cmd_start_);
  buttons->addWidget(cmd_cancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fra_status_);
  layout->addWidget(attention_row_);
  layout->addWidget(instruct_scroll, 1);
  layout->addLayout(buttons);

  tmr_flash_ = new QTimer(this);
  tmr_flash_->setObjectName("tmrFlash");
  tmr_flash_->setInterval(kFlashMs);
  connect(tmr_flash_, &QTimer::timeout, this, &CalibrateWindow::Flash);

  connect(cmd_start_, &QPushButton::clicked, this, [this] {
    cmd_start_->setEnabled(false);
    shp_status_->show();
    lbl_status_->show();
    lbl_attention_->hide();
    img_attention_->move(kAttentionStartedLeft, img_attention_->y());
    emit StartClicked();
  });
  connect(cmd_cancel_, &QPushButton::clicked, this, [this] {
    CloseStep();
    emit CancelClicked();
  });
  Reset();
}

void CalibrateWindow::Reset() {
  tmr_flash_->stop();
  SetInstructions("Instructions");
  SetCancelCaption("&Cancel");
  reported_ = false;
  shp_status_->SetColour(kRunning);
  shp_status_->SetFilled(false);
  cmd_start_->setEnabled(false);
}

void CalibrateWindow::PrepareStep(const QString& instructions, bool start_enabled) {
  if (isHidden()) Reset();
  reported_ = false;
  SetCancelCaption("&Cancel");
  img_attention_->move(kAttentionLeft, 2);
  img_attention_->SetShown(true);
  lbl_attention_->show();
  shp_status_->SetFilled(false);
  shp_status_->SetColour(kRunning);
  shp_status_->setAccessibleDescription("Calibration running");
  shp_status_->hide();
  lbl_status_->hide();
  cmd_start_->setEnabled(false);
  cmd_cancel_->setEnabled(true);
  flash_on_ = true;
  tmr_flash_->start();
  SetInstructions(instructions);
  cmd_start_->setEnabled(start_enabled);
  show();
  raise();
  activateWindow();
  // Keyboard users answer with Space once the switches are set.
  (start_enabled ? cmd_start_ : cmd_cancel_)->setFocus();
}

void CalibrateWindow::ShowInstructions(const QString& instructions) {
  SetInstructions(instructions);
}

void CalibrateWindow::ShowReport(bool passed) {
  tmr_flash_->stop();
  shp_status_->SetColour(passed ? kGreen : kRed);
  shp_status_->SetFilled(true);
  shp_status_->show();
  shp_status_->setAccessibleDescription(passed ? "Calibration Completed"
                                               : "Calibration Not Completed");
  SetCancelCaption(passed ? "Done" : "Error");
  reported_ = true;
  cmd_cancel_->setFocus();
}

void CalibrateWindow::CloseStep() {
  closing_quietly_ = true;
  close();
  closing_quietly_ = false;
  tmr_flash_->stop();
}

QString CalibrateWindow::Instructions() const { return lbl_instruct_->text(); }

void CalibrateWindow::closeEvent(QCloseEvent* event) {
  tmr_flash_->stop();
  event->accept();
  if (!closing_quietly_) emit CancelClicked();  // the close box abandons the step
}

void CalibrateWindow::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (reported_ && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape)) {
    cmd_cancel_->click();
    return;
  }
  QWidget::keyPressEvent(event);
}

void CalibrateWindow::Flash() {
  flash_on_ = !flash_on_;
  img_attention_->SetShown(flash_on_);
  shp_status_->SetFilled(flash_on_);
}

void CalibrateWindow::SetInstructions(const QString& instructions) {
  const QString text = Displayed(instructions);
  if (lbl_instruct_->text() == text) return;
  lbl_instruct_->setText(text);
  lbl_instruct_->setAccessibleDescription(text);
}

void CalibrateWindow::SetCancelCaption(const QString& caption) {
  cmd_cancel_->setText(caption);
  cmd_cancel_->setAccessibleName(QString(caption).remove('&'));
}

}  // namespace corvid::calibration
