// What the link trace calls the switch pack's commands (the command functions
// GetStatus, GetModuleID, GetDiagnostic, SetCalibration), and how the device's own
// end of the line sees a block, for switchpack-sim's trace.
#pragma once

#include <cstdint>

#include "common/core/trace_record.h"
#include "corvid/core/hdlc_frame.h"

namespace corvid {

// By the command code; a code Corvid never sends is named by its value
// ("Command 41"). Status, identification and diagnostic are the poll's routine.
common::TraceName CommandTraceName(std::uint8_t code);

// A block as the device saw it: a command it received or an answer it sent, each
// judged by its FCS and named by its code (an answer by the command it answers).
common::TraceRecord DeviceSideRecord(common::TraceDirection direction, ByteView bytes);

}  // namespace corvid
