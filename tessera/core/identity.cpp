#include "tessera/core/identity.h"

namespace tessera {

bool TakeFirmwareVersion(UnitIdentity& identity, ByteView response) {
  if (response.size() < 6) return false;
  identity.comm_version = response[3];
  identity.firmware_type = response[4];
  identity.firmware_revision = response[5];
  return true;
}

std::string NibbleVersionText(std::uint8_t value, std::string_view separator) {
  return std::to_string(value >> 4) + std::string(separator) + std::to_string(value & 0x0F);
}

std::string FirmwareVersionText(const UnitIdentity& identity) {
  return "Firmware Version = " + NibbleVersionText(identity.firmware_type, "") +
         ", Firmware Revision = " + NibbleVersionText(identity.firmware_revision) + " ";
}

FirmwareDisplay FirmwareVersionDisplay(const UnitIdentity& identity) {
  FirmwareDisplay display;
  display.complex_outputs_enabled = identity.comm_version >= 0x11;
  if (!identity.extended_unit && !identity.extended_forced) {
    display.buffers_enabled = false;
    return display;  // panel 2 cleared, event log left alone
  }
  display.panel2_text = FirmwareVersionText(identity);
  display.event_log_enabled = identity.comm_version >= 0x21;
  display.buffers_enabled = true;
  return display;
}

}  // namespace tessera
