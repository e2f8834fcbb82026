#include "corvid/windows/cal_settings_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "common/widgets/window_helpers.h"
#include "corvid/core/link_settings.h"
#include "corvid/core/response_decoders.h"
#include "corvid/link/settings_store.h"

namespace corvid::calibration {
namespace {

using common::Named;

using common::ArrayName;

// Frame names and captions by index: LV, HV, VHV.
const std::array<QString, 3> kFrameNames = {"fraLV", "fraHV", "fraVHV"};
const std::array<QString, 3> kFamilyNames = {"VELD-LV", "VELD-HV", "VELD-VHV"};
// What "&Default" puts in the boxes.
const std::array<QString, 3> kDefaultVoltages = {"48", "110", "220"};
const std::array<QString, 3> kDefaultResistors = {"26.12", "55.01", "110.1"};

float* Voltage(CalibrationSettings& s, int i) {
  return std::array{&s.lv_voltage, &s.hv_voltage, &s.vhv_voltage}[i];
}
float* Resistor(CalibrationSettings& s, int i) {
  return std::array{&s.lv_resistor, &s.hv_resistor, &s.vhv_resistor}[i];
}

// The number the text begins with, 0 when none.
float Value(const QLineEdit* box) {
  return static_cast<float>(monitor::LeadingNumber(box->text().toStdString()));
}

}  // namespace

CalSettingsDialog::CalSettingsDialog(CalibrationSettings& settings, SettingsStore& store,
                                     QWidget* parent)
    : QDialog(parent), settings_(settings), store_(store) {
  setObjectName("frmCalSettings");
  setWindowTitle("Calibration Parameters");
  setAccessibleName(windowTitle());
  setModal(true);

  // Voltages are whole numbers; a resistance may have one decimal point.
  auto* digits = new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this);
  auto* decimal = new QRegularExpressionValidator(QRegularExpression("[0-9]*\\.?[0-9]*"), this);

  auto* frames = new QHBoxLayout;
  for (int i = 0; i < kFamilies; ++i) {
    frames_[i] = Named(new QGroupBox(kFamilyNames[i], this), kFrameNames[i], kFamilyNames[i]);
    auto* grid = new QGridLayout(frames_[i]);
    auto add_row = [&](int row, const QString& name, const QString& caption, const QString& unit,
                       QValidator* validator) {
      auto* label =
          Named(new QLabel(caption, frames_[i]), ArrayName("lbl" + name.mid(3), i), caption);
      auto* box = Named(new QLineEdit(frames_[i]), ArrayName(name, i),
                        kFamilyNames[i] + " " + caption.toLower());
      box->setValidator(validator);
      box->setFixedWidth(64);
      label->setBuddy(box);
      grid->addWidget(label, row, 0);
      grid->addWidget(box, row, 1);
      grid->addWidget(
          Named(new QLabel(unit, frames_[i]), ArrayName("lbl" + name.mid(3) + "Unit", i), unit),
          row, 2);
      return box;
    };
    voltage_boxes_[i] = add_row(0, "txtCalVoltage", "Calibrate Signal Voltage", "Vrms", digits);
    resistor_boxes_[i] =
        add_row(1, "txtCalResistor", "Calibrate Current Resistor", "Ohms", decimal);
    frames->addWidget(frames_[i]);
  }

  auto button = [this](const QString& name, const QString& caption) {
    return Named(new QPushButton(caption, this), name, QString(caption).remove('&'));
  };
  QPushButton* default_button = button("cmdDefault", "&Default");
  QPushButton* ok_button = button("cmdOK", "&OK");
  QPushButton* cancel_button = button("cmdCancel", "&Cancel");
  ok_button->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(default_button);
  buttons->addStretch(1);
  buttons->addWidget(ok_button);
  buttons->addWidget(cancel_button);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(frames);
  layout->addLayout(buttons);

  connect(default_button, &QPushButton::clicked, this, &CalSettingsDialog::Default);
  connect(ok_button, &QPushButton::clicked, this, &CalSettingsDialog::Ok);
  connect(cancel_button, &QPushButton::clicked, this, &QDialog::reject);
}

void CalSettingsDialog::Load(int device_type) {
  for (int i = 0; i < kFamilies; ++i) {
    voltage_boxes_[i]->setText(SingleText(*Voltage(settings_, i)));
    resistor_boxes_[i]->setText(SingleText(*Resistor(settings_, i)));
  }
  const int family = DeviceFamily(device_type);  // the same index order: LV, HV, VHV
  for (int i = 0; i < kFamilies; ++i) common::EnableFrame(frames_[i], family < 0 || family == i);
}

void CalSettingsDialog::Default() {
  for (int i = 0; i < kFamilies; ++i) {
    voltage_boxes_[i]->setText(kDefaultVoltages[i]);
    resistor_boxes_[i]->setText(kDefaultResistors[i]);
  }
}

void CalSettingsDialog::Ok() {
  // The dialog refuses nothing: an empty box keeps 0, which the calibration then
  // declines to use.
  for (int i = 0; i < kFamilies; ++i) {
    *Voltage(settings_, i) = Value(voltage_boxes_[i]);
    *Resistor(settings_, i) = Value(resistor_boxes_[i]);
  }
  store_.SaveCalibration(settings_);
  accept();
}

}  // namespace corvid::calibration
