#include "corvid/windows/port_dialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <cmath>

#include "common/qtcore/prompts.h"
#include "common/qtcore/serial_port.h"
#include "corvid/link/port_open.h"
#include "corvid/link/settings_store.h"

namespace corvid {
namespace {

constexpr int kListedPorts = 20;

QPushButton* MakeButton(const QString& name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAccessibleName(QString(caption).remove('&'));
  return button;
}

}  // namespace

PortDialog::PortDialog(common::SerialPort& port, common::Prompts& prompts, LinkSettings& settings,
                       SettingsStore& store, QWidget* parent)
    : QDialog(parent), port_(port), prompts_(prompts), settings_(settings), store_(store) {
  setObjectName(QStringLiteral("frmCommBox"));
  setWindowTitle(QStringLiteral("Deva Vad Urodirudir Comm Port"));
  // Wide enough for the whole title beside the window buttons.
  setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 160);
  setAccessibleName(windowTitle());
  setModal(false);

  setting_frame_ = new QGroupBox(QStringLiteral("Comm Port"), this);
  setting_frame_->setObjectName(QStringLiteral("fraSetting"));
  setting_frame_->setAccessibleName(QStringLiteral("Comm Port"));
  port_label_ = new QLabel(QStringLiteral("COM"), setting_frame_);
  port_label_->setObjectName(QStringLiteral("lblPort"));
  port_label_->setAccessibleName(QStringLiteral("COM"));
  port_box_ = new QComboBox(setting_frame_);
  port_box_->setObjectName(QStringLiteral("cmbPort"));
  port_box_->setEditable(true);
  port_box_->setInsertPolicy(QComboBox::NoInsert);
  port_box_->setAccessibleName(QStringLiteral("COM port number"));
  port_label_->setBuddy(port_box_);
  auto* row = new QHBoxLayout(setting_frame_);
  row->addWidget(port_label_);
  row->addWidget(port_box_, 1);

  ok_button_ = MakeButton(QStringLiteral("cmdOK"), QStringLiteral("&OK"), this);
  cancel_button_ = MakeButton(QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"), this);
  usb_button_ = MakeButton(QStringLiteral("cmdUSB"), QStringLiteral("&Search USB"), this);
  ok_button_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(usb_button_);
  buttons->addStretch(1);
  buttons->addWidget(ok_button_);
  buttons->addWidget(cancel_button_);
  simulated_label_ =
      new QLabel(QStringLiteral("The simulated device is built in: no serial port is used."), this);
  simulated_label_->setObjectName(QStringLiteral("lblSimulated"));
  simulated_label_->setWordWrap(true);
  simulated_label_->hide();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(simulated_label_);
  layout->addWidget(setting_frame_);
  layout->addLayout(buttons);

  connect(ok_button_, &QPushButton::clicked, this, [this] { OpenChosenPort(); });
  connect(cancel_button_, &QPushButton::clicked, this, &QDialog::reject);
  connect(usb_button_, &QPushButton::clicked, this, [this] { FindUsbPort(); });
}

void PortDialog::Load() {
  port_box_->clear();
  for (int i = 1; i <= kListedPorts; ++i) port_box_->addItem(QString::number(i));
  if (settings_.PortNumber >= 1 && settings_.PortNumber <= kListedPorts) {
    port_box_->setCurrentIndex(settings_.PortNumber - 1);
  } else {
    // An unlisted stored port (COM25) stays what OK opens instead of a blank box.
    port_box_->setCurrentIndex(-1);
    port_box_->setEditText(QString::number(settings_.PortNumber));
  }
}

void PortDialog::SetSimulated(bool simulated) {
  simulated_ = simulated;
  simulated_label_->setVisible(simulated);
  port_box_->setEnabled(!simulated);
  port_label_->setEnabled(!simulated);
  usb_button_->setEnabled(!simulated);
}

bool PortDialog::OpenChosenPort() {
  if (simulated_) {
    hide();
    return true;
  }
  bool ok = false;
  const double value = port_box_->currentText().trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value)) {
    prompts_.Show({.title = QStringLiteral("COM Port Number Error"),
                   .text = QStringLiteral("Port Number must be a valid number"),
                   .buttons = common::Buttons::kOk,
                   .icon = common::Icon::kCritical,
                   .detail = {}});
    RefocusPort();
    return false;
  }
  const double rounded = std::nearbyint(value);
  if (rounded < 1 || rounded > kMaxPortNumber) {
    // No such port can exist: keep the port that is open now.
    prompts_.Show(*PortOpenFailureMessage(QStringLiteral("Port not found"), {}));
    RefocusPort();
    return false;
  }
  const int n = static_cast<int>(rounded);
  if (!OpenCommPort(port_, prompts_, n)) {
    RefocusPort();
    return false;
  }
  store_.SavePortNumber(n);
  settings_.PortNumber = n;
  emit PortOpened(n);
  hide();
  return true;
}

void PortDialog::RefocusPort() {
  // After a box the technician types the number again: back in the port box, with
  // the rejected text selected so typing replaces it.
  activateWindow();
  port_box_->setFocus(Qt::OtherFocusReason);
  if (port_box_->lineEdit() != nullptr) port_box_->lineEdit()->selectAll();
}

void PortDialog::FindUsbPort() {
  const UsbSearchResult result = SearchUsbAdapter(usb_paths_);
  if (result.found) {
    port_box_->setEditText(QString::number(result.port_number));
    return;
  }
  prompts_.Show({.title = QStringLiteral("USB Search"),
                 .text = result.message,
                 .buttons = common::Buttons::kOk,
                 .icon = common::Icon::kCritical,
                 .detail = result.detail});
}

void PortDialog::showEvent(QShowEvent* event) {
  Load();
  QDialog::showEvent(event);
}

}  // namespace corvid
