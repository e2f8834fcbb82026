#include "common/serial_port.h"

#include <QStringList>

namespace common {

std::optional<LineSettings> LineSettings::Parse(const QString& text) {
  const QStringList parts = text.split(',');
  if (parts.size() != 4) return std::nullopt;
  LineSettings s;
  bool ok = false;
  s.baud = parts[0].trimmed().toInt(&ok);
  if (!ok || s.baud <= 0) return std::nullopt;
  const QString parity = parts[1].trimmed().toUpper();
  if (parity.size() != 1 || !QString("NEOMS").contains(parity)) return std::nullopt;
  s.parity = parity[0].toLatin1();
  s.data_bits = parts[2].trimmed().toInt(&ok);
  if (!ok || s.data_bits < 5 || s.data_bits > 8) return std::nullopt;
  s.stop_bits = parts[3].trimmed().toInt(&ok);
  if (!ok || (s.stop_bits != 1 && s.stop_bits != 2)) return std::nullopt;
  return s;
}

int LineSettings::BitsPerByte() const {
  return 1 + data_bits + (parity == 'N' ? 0 : 1) + stop_bits;
}

double LineSettings::MicrosPerByte() const { return 1e6 * BitsPerByte() / baud; }

bool SerialPort::SetSettings(const QString& text) {
  const auto parsed = LineSettings::Parse(text);
  if (!parsed) return false;
  settings_ = *parsed;
  return true;
}

}  // namespace common
