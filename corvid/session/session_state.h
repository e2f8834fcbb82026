// Process-wide values of Corvid's poll cycle, owned by the application object.
#pragma once

#include "corvid/core/response_decoders.h"

namespace corvid {

// What the next poll tick is asked to send besides its own commands.
enum class CalibrationRequest {
  kNone = 0,
  // The manual calibration window's factors, confirmed with "Calibration Set".
  kFromManualWindow = 2,
};

// The identity fields are those of the last good identification.
struct SessionState : monitor::DeviceIdentity {
  int poll_count = 0;  // 0-255, wraps
  CalibrationRequest calibration_request = CalibrationRequest::kNone;
};

}  // namespace corvid
