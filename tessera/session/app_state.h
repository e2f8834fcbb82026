// Process-wide values of Tessera, owned by the application object and passed by
// reference to the session, the windows and the procedures that need them.
#pragma once

#include <cstdint>

#include "tessera/core/complex_outputs.h"
#include "tessera/core/filters.h"
#include "tessera/core/identity.h"
#include "tessera/core/io_mapping.h"
#include "tessera/core/poll_schedule.h"
#include "tessera/core/requests.h"
#include "tessera/core/tracking.h"

namespace tessera {

struct AppState {
  UnitIdentity identity;
  RequestFlags requests;
  std::uint32_t PollCount = 0;  // wraps at kPollCountWrap
  std::uint8_t TransBlock = 0;  // the block "Get Block" asks for; 0 at start-up
  InputControl control;         // input command and control byte of the input request
  InputData input_data{};       // InputData(0..11)
  OutputData output_data{};     // OutputData(0..16)
  // The tables the configuration dialogs built last; the tick sends them when asked.
  config::FilterData FilterData{};
  config::TrackData TrackData{};
  config::ComplexData ComplexData{};
};

}  // namespace tessera
