// Who the connected unit is (address, versions, extended command set) and what the
// window shows and enables because of it. The struct is owned by the application
// and passed by reference; the functions here only compute.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tessera/core/frame.h"

namespace tessera {

struct UnitIdentity {
  bool extended_forced = false;  // "/kal" was on the command line
  bool extended_unit = false;    // the unit answered the identify request with an extended response
  int unit_address = 0;          // 0-15, high nibble of input-response byte 8
  std::uint8_t comm_version = 0;       // extended response byte 3
  std::uint8_t firmware_type = 0;      // extended response byte 4
  std::uint8_t firmware_revision = 0;  // extended response byte 5
};

// Copies bytes 3, 4, 5 of an extended response into the identity. False (and
// nothing changed) when the response is shorter than 6 bytes.
bool TakeFirmwareVersion(UnitIdentity& identity, ByteView response);

// A version byte as its two nibbles in decimal around `separator`: 0x41 -> "4.1",
// 0xA3 -> "10.3"; with no separator 0x23 -> "23".
std::string NibbleVersionText(std::uint8_t value, std::string_view separator = ".");

// "Firmware Version = 23, Firmware Revision = 1.4 " (with the trailing blank).
std::string FirmwareVersionText(const UnitIdentity& identity);

// What ShowFirmwareVersion does to the window for the current identity.
struct FirmwareDisplay {
  std::string panel2_text;                // status bar panel 2 (empty: cleared)
  bool complex_outputs_enabled = false;   // the Complex Outputs item
  bool buffers_enabled = false;           // the Buffers menu
  std::optional<bool> event_log_enabled;  // the Diagnostic Log item; nullopt: leave as it is
};
FirmwareDisplay FirmwareVersionDisplay(const UnitIdentity& identity);

}  // namespace tessera
