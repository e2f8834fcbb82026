#include "corvid/core/commands.h"

namespace corvid::monitor {

StatusLayout LayoutForSlot(int slot_address) {
  return slot_address == 30 || slot_address == 31 ? StatusLayout::kFlashUnit
                                                  : StatusLayout::kSwitchPack;
}

Bytes BuildStatusCommand(StatusLayout layout, std::uint8_t fault_leds, std::uint8_t disables) {
  const std::uint8_t disable_byte = 0x80 | (disables & 0x3F);
  if (layout == StatusLayout::kFlashUnit) return {kCmdStatusFlash, disable_byte};
  return {kCmdStatus, static_cast<std::uint8_t>(0x80 | (fault_leds & 0x03)), disable_byte};
}

Bytes BuildCalibrationCommand(const CalibrationFactors& factors) {
  Bytes command{kCmdSetCalibration};
  for (std::uint16_t factor : factors) {
    command.push_back(factor & 0xFF);
    command.push_back(factor >> 8);
  }
  return command;
}

}  // namespace corvid::monitor
