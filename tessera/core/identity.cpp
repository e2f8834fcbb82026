#include "tessera/core/identity.h"

namespace tessera {

bool TakeFirmwareVersion(UnitIdentity& identity, ByteView response) {
  if (response.size() < 6) return false;
  identity.CommVersion = response[3];
  identity.FirmwareType = response[4];
  identity.FirmwareRevision = response[5];
  return true;
}

std::string NibbleVersionText(std::uint8_t value, std::string_view separator) {
  return std::to_string(value >> 4) + std::string(separator) + std::to_string(value & 0x0F);
}

std::string FirmwareVersionText(const UnitIdentity& identity) {
  return "Firmware Version = " + NibbleVersionText(identity.FirmwareType, "") +
         ", Firmware Revision = " + NibbleVersionText(identity.FirmwareRevision) + " ";
}

FirmwareDisplay FirmwareVersionDisplay(const UnitIdentity& identity) {
  FirmwareDisplay display;
  display.complex_outputs_enabled = identity.CommVersion >= 0x11;
  if (!identity.KalUnit && !identity.KalSwitch) {
    display.buffers_enabled = false;
    return display;  // panel 2 cleared, event log left alone
  }
  display.panel2_text = FirmwareVersionText(identity);
  display.event_log_enabled = identity.CommVersion >= 0x21;
  display.buffers_enabled = true;
  return display;
}

}  // namespace tessera
