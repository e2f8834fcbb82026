#include "corvid/link/port_open.h"

#include "common/serial_port.h"

namespace corvid {

std::optional<common::Message> PortOpenFailureMessage(const QString&, const QString&) {
  return std::nullopt;
}
bool OpenCommPort(common::SerialPort&, common::Prompts&, int) { return false; }
bool OpenStoredPort(common::SerialPort&, common::Prompts&, int) { return false; }

}  // namespace corvid
