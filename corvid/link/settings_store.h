// Corvid's stored settings: slot address, port number and the six calibration
// settings, kept per user in sections "port" and "cal" of the settings store.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "corvid/core/link_settings.h"

class QSettings;

namespace corvid {

// Entry texts of the slot address list: entry i selects slot i + 1.
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
  // Values kept in memory only, starting from `initial`: a terminal tool's choices
  // never change what the window remembers.
  explicit SettingsStore(const LinkSettings& initial);
  ~SettingsStore();

  LinkSettings Load();
  // "port"/"sb3_address".
  void SaveSlotAddress(int slot);
  // "port"/"portnum".
  void SavePortNumber(int port_number);
  // The six "cal" values (resistors under "LVResistor" etc.).
  void SaveCalibration(const CalibrationSettings& cal);

 private:
  std::unique_ptr<QSettings> settings_;  // null when in memory
  std::optional<LinkSettings> memory_;
};

}  // namespace corvid
