#include "common/qtcore/serial_port.h"

namespace common {

bool SerialPort::SetSettings(const QString& text) {
  const auto parsed = LineSettings::Parse(text.toStdString());
  if (!parsed) return false;
  settings_ = *parsed;
  return true;
}

}  // namespace common
