#include "corvid/windows/cal_manual_window.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <vector>

#include "common/qtcore/prompts.h"
#include "common/widgets/window_helpers.h"
#include "corvid/session/factor_boxes.h"
#include "corvid/session/session.h"

namespace corvid::calibration {
namespace {

using common::Named;

using common::ArrayName;

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CalManualWindow::CalManualWindow(Session& session, common::Prompts& prompts, FactorBoxes& boxes,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), session_(session), prompts_(prompts), boxes_(boxes) {
  setObjectName("frmCalManual");
  setWindowTitle("Calibration Factors");
  setAccessibleName(windowTitle());

  // One frame of labelled boxes: (factor index, object name, caption) per row.
  struct Row {
    int index;
    QString name;
    QString caption;
  };
  auto frame = [this](const QString& name, const QString& caption, const std::vector<Row>& rows) {
    auto* box = Named(new QGroupBox(caption, this), name, caption);
    auto* grid = new QGridLayout(box);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
      const Row& row = rows[r];
      auto* label = Named(new QLabel(row.caption, box), "lbl" + row.name.mid(3), row.caption);
      auto* edit = Named(new QLineEdit(box), row.name, row.caption);
      edit->setFixedWidth(72);
      label->setBuddy(edit);
      grid->addWidget(label, r, 0);
      grid->addWidget(edit, r, 1);
      boxes_ui_[row.index] = edit;
    }
    return box;
  };
  std::vector<Row> voltage, current;
  for (int i = 0; i < kOutputs; ++i) {
    voltage.push_back({i, ArrayName("txtChVoltage", i), ToQt(FactorName(i))});
    current.push_back({kFirstCurrentIndex + i, ArrayName("txtChCurrent", i),
                       ToQt(FactorName(kFirstCurrentIndex + i))});
  }
  QGroupBox* voltage_frame = frame("fraVoltage", "Channel Voltage Factors (Hex)", voltage);
  QGroupBox* signal_power_frame = frame("fraSignalPower", "Signal Power Voltage Factor (Hex)",
                                        {{kSignalPowerIndex, "txtSPVoltage", "Signal Power"}});
  QGroupBox* current_frame = frame("fraCurrent", "Channel Current Factors (Hex)", current);

  default_button_ = Named(new QPushButton("Load Default", this), "cmdDefault", "Load Default");
  set_button_ = Named(new QPushButton("Set", this), "cmdSet", "Set");
  close_button_ = Named(new QPushButton("&Close", this), "cmdClose", "Close");
  auto* left = new QVBoxLayout;
  left->addWidget(voltage_frame);
  left->addWidget(signal_power_frame);
  left->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(current_frame);
  right->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(default_button_);
  buttons->addWidget(set_button_);
  buttons->addWidget(close_button_);
  auto* columns = new QHBoxLayout;
  columns->addLayout(left);
  columns->addLayout(right);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(columns);
  layout->addLayout(buttons);

  for (int i = 0; i < kFactorCount; ++i) {
    boxes_ui_[i]->setText(boxes_.Text(i));
    connect(boxes_ui_[i], &QLineEdit::textEdited, this,
            [this, i](const QString& text) { boxes_.SetText(i, text); });
  }
  connect(&boxes_, &FactorBoxes::Changed, this, [this](int index, const QString& text) {
    if (boxes_ui_[index]->text() != text) boxes_ui_[index]->setText(text);
  });
  connect(default_button_, &QPushButton::clicked, this, &CalManualWindow::LoadDefault);
  connect(set_button_, &QPushButton::clicked, this, &CalManualWindow::Set);
  connect(close_button_, &QPushButton::clicked, this, &QWidget::close);
}

void CalManualWindow::ShowWindow() {
  if (isHidden() && !running_) {
    boxes_.Clear();
    // Defaults in front of a calibrated device would be sent back by "Set" unnoticed.
    if (const auto& sent = session_.SentFactors()) {
      boxes_.SetFactors(*sent);
    } else {
      LoadDefault();
    }
  }
  show();
  raise();
  activateWindow();
}

void CalManualWindow::SetRunInProgress(bool running) {
  running_ = running;
  for (QLineEdit* box : boxes_ui_) box->setReadOnly(running);
  default_button_->setEnabled(!running);
  set_button_->setEnabled(!running);
}

void CalManualWindow::LoadDefault() {
  if (running_) return;
  boxes_.LoadDefaults(session_.state().device_type);
}

void CalManualWindow::Set() {
  if (running_) return;
  if (const auto refused = FirstRefusedBox(boxes_.Texts())) {
    const std::string& text = boxes_.Texts()[*refused];
    const Message message = text.empty() ? NullFactorMessage() : BadFactorMessage(*refused, text);
    prompts_.Show({.title = ToQt(message.title),
                   .text = ToQt(message.text),
                   .buttons = common::Buttons::kOk,
                   .icon = common::Icon::kCritical,
                   .detail = {}});
    QLineEdit* box = boxes_ui_[*refused];
    box->setFocus();
    box->selectAll();
    return;
  }
  session_.RequestCalibration(CalibrationRequest::kFromManualWindow);
}

}  // namespace corvid::calibration
