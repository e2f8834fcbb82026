#include "corvid/windows/comm_box.h"

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

CommBox::CommBox(common::SerialPort& port, common::Prompts& prompts, LinkSettings& settings,
                 SettingsStore& store, QWidget* parent)
    : QDialog(parent), port_(port), prompts_(prompts), settings_(settings), store_(store) {
  setObjectName(QStringLiteral("frmCommBox"));
  setWindowTitle(QStringLiteral("Deva Vad Urodirudir Comm Port"));
  // Wide enough for the whole title beside the window buttons.
  setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 160);
  setAccessibleName(windowTitle());
  setModal(false);

  fra_setting_ = new QGroupBox(QStringLiteral("Comm Port"), this);
  fra_setting_->setObjectName(QStringLiteral("fraSetting"));
  fra_setting_->setAccessibleName(QStringLiteral("Comm Port"));
  lbl_port_ = new QLabel(QStringLiteral("COM"), fra_setting_);
  lbl_port_->setObjectName(QStringLiteral("lblPort"));
  lbl_port_->setAccessibleName(QStringLiteral("COM"));
  cmb_port_ = new QComboBox(fra_setting_);
  cmb_port_->setObjectName(QStringLiteral("cmbPort"));
  cmb_port_->setEditable(true);
  cmb_port_->setInsertPolicy(QComboBox::NoInsert);
  cmb_port_->setAccessibleName(QStringLiteral("COM port number"));
  lbl_port_->setBuddy(cmb_port_);
  auto* row = new QHBoxLayout(fra_setting_);
  row->addWidget(lbl_port_);
  row->addWidget(cmb_port_, 1);

  cmd_ok_ = MakeButton(QStringLiteral("cmdOK"), QStringLiteral("&OK"), this);
  cmd_cancel_ = MakeButton(QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"), this);
  cmd_usb_ = MakeButton(QStringLiteral("cmdUSB"), QStringLiteral("&Search USB"), this);
  cmd_ok_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmd_usb_);
  buttons->addStretch(1);
  buttons->addWidget(cmd_ok_);
  buttons->addWidget(cmd_cancel_);
  lbl_simulated_ =
      new QLabel(QStringLiteral("The simulated device is built in: no serial port is used."), this);
  lbl_simulated_->setObjectName(QStringLiteral("lblSimulated"));
  lbl_simulated_->setWordWrap(true);
  lbl_simulated_->hide();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lbl_simulated_);
  layout->addWidget(fra_setting_);
  layout->addLayout(buttons);

  connect(cmd_ok_, &QPushButton::clicked, this, [this] { ClickOK(); });
  connect(cmd_cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(cmd_usb_, &QPushButton::clicked, this, [this] { ClickUSB(); });
}

void CommBox::Load() {
  cmb_port_->clear();
  for (int i = 1; i <= kListedPorts; ++i) cmb_port_->addItem(QString::number(i));
  if (settings_.PortNumber >= 1 && settings_.PortNumber <= kListedPorts) {
    cmb_port_->setCurrentIndex(settings_.PortNumber - 1);
  } else {
    // An unlisted stored port (COM25) stays what OK opens instead of a blank box.
    cmb_port_->setCurrentIndex(-1);
    cmb_port_->setEditText(QString::number(settings_.PortNumber));
  }
}

void CommBox::SetSimulated(bool simulated) {
  simulated_ = simulated;
  lbl_simulated_->setVisible(simulated);
  cmb_port_->setEnabled(!simulated);
  lbl_port_->setEnabled(!simulated);
  cmd_usb_->setEnabled(!simulated);
}

bool CommBox::ClickOK() {
  if (simulated_) {
    hide();
    return true;
  }
  bool ok = false;
  const double value = cmb_port_->currentText().trimmed().toDouble(&ok);
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

void CommBox::RefocusPort() {
  // After a box the technician types the number again: back in the port box, with
  // the rejected text selected so typing replaces it.
  activateWindow();
  cmb_port_->setFocus(Qt::OtherFocusReason);
  if (cmb_port_->lineEdit() != nullptr) cmb_port_->lineEdit()->selectAll();
}

void CommBox::ClickUSB() {
  const UsbSearchResult result = SearchUsbAdapter(usb_paths_);
  if (result.found) {
    cmb_port_->setEditText(QString::number(result.port_number));
    return;
  }
  prompts_.Show({.title = QStringLiteral("USB Search"),
                 .text = result.message,
                 .buttons = common::Buttons::kOk,
                 .icon = common::Icon::kCritical,
                 .detail = result.detail});
}

void CommBox::showEvent(QShowEvent* event) {
  Load();
  QDialog::showEvent(event);
}

}  // namespace corvid
