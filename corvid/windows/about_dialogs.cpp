#include "corvid/windows/about_dialogs.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include "common/widgets/window_helpers.h"

namespace corvid::monitor {

QString AboutText(const QString& product, int major, int minor, int revision) {
  QString text = QStringLiteral("%1 %2.%3").arg(product).arg(major).arg(minor);
  if (revision != 0) text += QStringLiteral(".%1").arg(revision);
  return text;
}

QString AboutText(const QString& product, const QString& version) {
  const QStringList parts = version.split('.');
  auto part = [&](int i) { return i < parts.size() ? parts[i].toInt() : 0; };
  return AboutText(product, part(0), part(1), part(2));
}

namespace {

QLabel* FramedText(QWidget* parent, QVBoxLayout* layout, const QString& frame_name,
                   const QString& caption, const QString& label_name) {
  auto* frame = new QGroupBox(caption, parent);
  frame->setObjectName(frame_name);
  frame->setAccessibleName(caption);
  auto* label = new QLabel(frame);
  label->setObjectName(label_name);
  // The name a screen reader speaks is the text shown; the caption says what it is.
  label->setAccessibleDescription(caption);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setMinimumWidth(280);
  (new QVBoxLayout(frame))->addWidget(label);
  layout->addWidget(frame);
  return label;
}

}  // namespace

AboutDeviceDialog::AboutDeviceDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("frmAboutDevice");
  setWindowTitle("About Device");
  setAccessibleName("About Device");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  type_label_ = FramedText(this, layout, "fraType", "Device Type", "lblType");
  id_label_ = FramedText(this, layout, "fraID", "Device ID", "lblID");
  firmware_label_ = FramedText(this, layout, "fraRevision", "Device Firmware", "lblFirmware");
  auto* ok = new QPushButton("&OK", this);
  ok->setObjectName("cmdOK");
  ok->setAccessibleName("OK");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignRight);
}

void AboutDeviceDialog::ShowFor(const DeviceIdentity& identity) {
  type_label_->setText(
      QString::fromStdString(std::string(DeviceDescription(identity.device_type))));
  id_label_->setText(QString::fromStdString(identity.module_id));
  firmware_label_->setText(QString::fromStdString(FirmwareLine(identity)));
  setWindowTitle("About Device");
  open();
}

}  // namespace corvid::monitor
