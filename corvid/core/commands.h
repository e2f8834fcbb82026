// Command payloads the monitor sends (code first; the link adds address, control,
// FCS and flags) and the poll schedule that decides which go out on a tick.
#pragma once

#include <array>
#include <cstdint>

#include "corvid/core/hdlc_frame.h"

namespace corvid::monitor {

// Slot addresses 30 and 31 hold flash units, whose status command and rows differ.
enum class StatusLayout { kSwitchPack, kFlashUnit };
StatusLayout LayoutForSlot(int slot_address);

// fault_leds: bit 0 Channel 1, bit 1 Channel 2 (switch packs only).
// disables: bit i = output i disabled.
Bytes BuildStatusCommand(StatusLayout layout, std::uint8_t fault_leds, std::uint8_t disables);

// Six channel voltage factors, the signal-power factor, six channel current factors.
using CalibrationFactors = std::array<std::uint16_t, 13>;
Bytes BuildCalibrationCommand(const CalibrationFactors& factors);

inline Bytes ModuleIdCommand() { return {kCmdModuleId}; }
inline Bytes DiagnosticCommand() { return {kCmdDiagnostic}; }

// Which of the occasional commands ride on the tick with this PollCount (status
// always goes).
struct TickPlan {
  bool identify = false;
  bool diagnostic = false;
};
constexpr TickPlan PlanForTick(int poll_count) {
  return {poll_count == 0 || (poll_count + 1) % 5 == 0,
          poll_count == 0 || (poll_count + 1) % 10 == 0};
}
constexpr int NextPollCount(int poll_count) { return (poll_count + 1) & 255; }

}  // namespace corvid::monitor
