// The calibration settings dialog, "Calibration Parameters": the signal voltage and load resistor
// of each device family, only the connected family's frame enabled; OK keeps the six values in
// memory and in the settings store at once.
#pragma once

#include <QDialog>
#include <array>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace corvid {
struct CalibrationSettings;
class SettingsStore;
}  // namespace corvid

namespace corvid::calibration {

class CalSettingsDialog : public QDialog {
  Q_OBJECT
 public:
  // Index 0 LV, 1 HV, 2 VHV in every array.
  static constexpr int kFamilies = 3;

  CalSettingsDialog(CalibrationSettings& settings, SettingsStore& store, QWidget* parent = nullptr);

  // Opening: the boxes show the values, only the family of device_type enabled
  // (all three for a type outside 1-6).
  void Load(int device_type);

  // "&Default" and "&OK" ("&Cancel" closes).
  void Default();
  void Ok();

  QLineEdit* VoltageBox(int i) const { return voltage_boxes_[i]; }
  QLineEdit* ResistorBox(int i) const { return resistor_boxes_[i]; }

 private:
  CalibrationSettings& settings_;
  SettingsStore& store_;
  std::array<QGroupBox*, kFamilies> frames_{};
  std::array<QLineEdit*, kFamilies> voltage_boxes_{};
  std::array<QLineEdit*, kFamilies> resistor_boxes_{};
};

}  // namespace corvid::calibration
