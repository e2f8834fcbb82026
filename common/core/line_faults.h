// Faults a simulated device puts on its line, on a schedule: for the end-to-end
// fault runs and the soak benchmark. Plain C++; the pty runner applies them, the
// simulators switch the protocol-level ones (checksum, NAK, foreign answers) in
// their device models.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "common/core/device_model.h"

namespace common {

enum class LineFault {
  kGarbage,   // noise instead of each answer
  kTruncate,  // each answer cut short
  kOversize,  // each answer made longer by a run of noise (see ReplyFaults)
  kChecksum,  // each answer with a wrong checksum / FCS (the device model does it)
  kLate,      // each answer after the host's time-out
  kFlood,     // a stream of zero bytes, as fast as the line takes them
  kUnplug,    // the device is gone (pty closed, its link removed), then back
  kNak,       // every command refused (switch pack)
  kForeign,   // each command answered with the previous command's answer (switch pack)
};

std::string_view LineFaultName(LineFault fault);
std::optional<LineFault> ParseLineFault(std::string_view name);
// "garbage,truncate,...": every name, for help texts.
std::string LineFaultNames();

// When faults happen, counted from the first request the device receives: fault i
// starts at after_ms + i * period and lasts for_ms, of kind kinds[i % kinds.size()].
// With every_ms > 0 the period is every_ms and the list repeats for ever; with 0
// each kind comes once, with a quiet gap of for_ms between two.
struct FaultPlan {
  std::vector<LineFault> kinds;
  int after_ms = 1000;
  int for_ms = 1000;
  int every_ms = 0;

  bool Empty() const { return kinds.empty(); }
};

struct ActiveFault {
  int index = 0;  // which fault of the schedule
  LineFault kind = LineFault::kGarbage;
  bool operator==(const ActiveFault&) const = default;
};

// The fault in force elapsed_ms after the first request (negative: none yet).
std::optional<ActiveFault> FaultAt(const FaultPlan& plan, long long elapsed_ms);
// Milliseconds from elapsed_ms to the next start or end of a fault; -1 when none follows.
long long NextFaultChange(const FaultPlan& plan, long long elapsed_ms);

// How a device's answers are mangled while a fault is on.
struct ReplyFaults {
  std::uint8_t noise_max = 0xFF;  // noise bytes are drawn from 0 .. noise_max
  int late_ms = 0;                // extra delay of a late answer
  // Oversize puts its noise before the answer's last byte (a flag-delimited frame
  // grows past any answer) instead of after the answer (more bytes than asked for).
  bool oversize_inside = false;
};

// The reply as it goes out during `fault` (unchanged for faults that are not about
// single answers).
DeviceReply ShapeReply(LineFault fault, DeviceReply reply, const ReplyFaults& faults,
                       std::mt19937& random);

}  // namespace common
