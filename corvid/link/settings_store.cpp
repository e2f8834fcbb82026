#include "corvid/link/settings_store.h"

#include <QSettings>
#include <algorithm>
#include <charconv>
#include <cmath>

namespace corvid {
namespace {

constexpr char kPortSection[] = "port";
constexpr char kCalSection[] = "cal";
constexpr char kSlotKey[] = "sb3_address";
constexpr char kPortKey[] = "portnum";

// Read names of the "cal" keys and the names they are written back under.
using CalField = float CalibrationSettings::*;
struct CalKey {
  const char* read_name;
  const char* write_name;
  CalField field;
};
constexpr CalKey kCalKeys[] = {
    {"LVvoltage", "LVvoltage", &CalibrationSettings::lv_voltage},
    {"HVvoltage", "HVvoltage", &CalibrationSettings::hv_voltage},
    {"VHVvoltage", "VHVvoltage", &CalibrationSettings::vhv_voltage},
    {"LVresistor", "LVResistor", &CalibrationSettings::lv_resistor},
    {"HVresistor", "HVResistor", &CalibrationSettings::hv_resistor},
    {"VHVresistor", "VHVResistor", &CalibrationSettings::vhv_resistor},
};

// Keys of a section that match the name whatever their case. The INI store is
// case-sensitive on Linux, so a hand-edited "lvvoltage" would otherwise be missed.
QStringList MatchingKeys(QSettings& settings, const QString& section, const QString& name) {
  settings.beginGroup(section);
  QStringList found;
  for (const QString& key : settings.childKeys()) {
    if (key.compare(name, Qt::CaseInsensitive) == 0) found << key;
  }
  settings.endGroup();
  return found;
}

// The stored text under the key (any case); the exact spelling wins over others.
std::optional<QString> ReadText(QSettings& settings, const QString& section,
                                const QString& preferred, const QString& name) {
  const QStringList keys = MatchingKeys(settings, section, name);
  if (keys.isEmpty()) return std::nullopt;
  const QString key = keys.contains(preferred) ? preferred : keys.front();
  return settings.value(section + "/" + key).toString().trimmed();
}

void WriteText(QSettings& settings, const QString& section, const QString& name,
               const QString& value) {
  // One entry per key: drop other spellings so a later read cannot pick a stale one.
  for (const QString& key : MatchingKeys(settings, section, name)) {
    if (key != name) settings.remove(section + "/" + key);
  }
  settings.setValue(section + "/" + name, value);
  settings.sync();
}

std::optional<int> ReadWhole(QSettings& settings, const char* section, const char* key, int min,
                             int max) {
  const auto text = ReadText(settings, section, key, key);
  if (!text) return std::nullopt;
  bool ok = false;
  const double value = text->toDouble(&ok);
  if (!ok || !std::isfinite(value)) return std::nullopt;
  const double rounded = std::nearbyint(value);
  if (rounded < min || rounded > max) return std::nullopt;
  return static_cast<int>(rounded);
}

}  // namespace

QStringList SlotAddressEntries() {
  QStringList entries;
  for (int i = 0; i < 16; ++i) entries << QStringLiteral("0x0") + QString::number(i, 16).toUpper();
  for (int i = 16; i < 29; ++i) entries << QStringLiteral("--");
  entries << QStringLiteral("0x1D") << QStringLiteral("0x1E");
  return entries;
}

QString SingleText(float value) {
  // Shortest text that reads back as the same Single (26.12, not 26.1200008).
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

SettingsStore::SettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            kOrganisationName, kApplicationName)) {}

SettingsStore::SettingsStore(const QString& ini_path)
    : settings_(std::make_unique<QSettings>(ini_path, QSettings::IniFormat)) {}

SettingsStore::SettingsStore(const LinkSettings& initial) : memory_(initial) {}

SettingsStore::~SettingsStore() = default;

LinkSettings SettingsStore::Load() {
  if (memory_) return *memory_;
  LinkSettings out;
  QSettings& s = *settings_;
  // Below 1 selects the first entry, like the list does; above 31 is not a slot.
  if (const auto text = ReadText(s, kPortSection, kSlotKey, kSlotKey)) {
    bool ok = false;
    const double value = text->toDouble(&ok);
    if (ok && std::isfinite(value) && std::nearbyint(value) <= kMaxSlotAddress) {
      out.SlotAddress = std::max(kMinSlotAddress, static_cast<int>(std::nearbyint(value)));
    }
  }
  if (const auto port = ReadWhole(s, kPortSection, kPortKey, 1, kMaxPortNumber)) {
    out.PortNumber = *port;
  }
  for (const CalKey& key : kCalKeys) {
    const auto text = ReadText(s, kCalSection, key.write_name, key.read_name);
    if (!text) continue;
    bool ok = false;
    const float value = text->toFloat(&ok);
    // A negative or non-finite reference would only poison the checks that use it.
    if (ok && std::isfinite(value) && value >= 0) out.cal.*key.field = value;
  }
  return out;
}

void SettingsStore::SaveSlotAddress(int slot) {
  if (memory_) {
    memory_->SlotAddress = slot;
    return;
  }
  WriteText(*settings_, kPortSection, kSlotKey, QString::number(slot));
}

void SettingsStore::SavePortNumber(int port_number) {
  if (memory_) {
    memory_->PortNumber = port_number;
    return;
  }
  WriteText(*settings_, kPortSection, kPortKey, QString::number(port_number));
}

void SettingsStore::SaveCalibration(const CalibrationSettings& cal) {
  if (memory_) {
    memory_->cal = cal;
    return;
  }
  for (const CalKey& key : kCalKeys) {
    WriteText(*settings_, kCalSection, key.write_name, SingleText(cal.*key.field));
  }
}

}  // namespace corvid
