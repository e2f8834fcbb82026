// Corvid's stored settings: slot address, port number and the six calibration
// settings, kept per user in sections "port" and "cal" of the settings store.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class QSettings;

namespace corvid {

inline constexpr char kApplicationName[] = "Corvid";
inline constexpr char kOrganisationName[] = "cabinet-tools";
inline constexpr char kLineSettings[] = "307200,n,8,1";
inline constexpr int kMinSlotAddress = 1;
inline constexpr int kMaxSlotAddress = 31;
inline constexpr int kMaxPortNumber = 256;

// Family of a device type: 0 LV (2, 5), 1 HV (1, 4), 2 VHV (3, 6), -1 unknown.
int DeviceFamily(int device_type);

// Signal voltage (Vrms) and load resistor (ohms) per device family.
struct CalibrationSettings {
  float lv_voltage = 48.0f;
  float lv_resistor = 26.12f;
  float hv_voltage = 110.0f;
  float hv_resistor = 55.01f;
  float vhv_voltage = 220.0f;
  float vhv_resistor = 110.1f;

  // The pair for a device type (1/4 HV, 2/5 LV, 3/6 VHV); nullopt for other types.
  std::optional<float> VoltageFor(int device_type) const;
  std::optional<float> ResistorFor(int device_type) const;
  bool operator==(const CalibrationSettings&) const = default;
};

struct LinkSettings {
  int SlotAddress = 1;
  int PortNumber = 1;
  CalibrationSettings cal;
};

// Entry texts of the slot address list cmbAddress: entry i selects slot i + 1.
QStringList SlotAddressEntries();
// Shortest decimal text of a stored Single ("26.12", "110").
QString SingleText(float value);

// Reads and writes the settings. Values that are missing, not numbers or out of
// range read as their defaults. Nothing is written except by the Save calls.
class SettingsStore {
 public:
  // The per-user store of the application "Corvid".
  SettingsStore();
  // An INI file at the given path (tests).
  explicit SettingsStore(const QString& ini_path);
  ~SettingsStore();

  LinkSettings Load();
  // "port"/"sb3_address".
  void SaveSlotAddress(int slot);
  // "port"/"portnum".
  void SavePortNumber(int port_number);
  // The six "cal" values (resistors under "LVResistor" etc.).
  void SaveCalibration(const CalibrationSettings& cal);

  QSettings& Store() { return *settings_; }

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace corvid
