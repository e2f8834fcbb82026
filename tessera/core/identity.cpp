#include "tessera/core/identity.h"

namespace tessera {

bool TakeFirmwareVersion(UnitIdentity& identity, ByteView response) {
  if (response.size() < 6) return false;
  identity.CommVersion = response[3];
  identity.FirmwareType = response[4];
  identity.FirmwareRevision = response[5];
  return true;
}

std::string FirmwareVersionText(const UnitIdentity& identity) {
  const auto digit = [](int nibble) { return std::to_string(nibble & 0x0F); };
  return "Firmware Version = " + digit(identity.FirmwareType >> 4) + digit(identity.FirmwareType) +
         ", Firmware Revision = " + digit(identity.FirmwareRevision >> 4) + "." +
         digit(identity.FirmwareRevision) + " ";
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
