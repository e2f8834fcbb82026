#include "corvid/link/link_settings.h"

#include <QSettings>

namespace corvid {

std::optional<float> CalibrationSettings::VoltageFor(int) const { return std::nullopt; }
std::optional<float> CalibrationSettings::ResistorFor(int) const { return std::nullopt; }
QStringList SlotAddressEntries() { return {}; }
QString SingleText(float) { return {}; }
SettingsStore::SettingsStore() : settings_(std::make_unique<QSettings>()) {}
SettingsStore::SettingsStore(const QString& ini_path)
    : settings_(std::make_unique<QSettings>(ini_path, QSettings::IniFormat)) {}
SettingsStore::~SettingsStore() = default;
LinkSettings SettingsStore::Load() { return {}; }
void SettingsStore::SaveSlotAddress(int) {}
void SettingsStore::SavePortNumber(int) {}
void SettingsStore::SaveCalibration(const CalibrationSettings&) {}

}  // namespace corvid
