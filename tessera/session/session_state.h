// What the session knows and keeps between ticks, owned by the application object and
// passed by reference to the session, the windows and the procedures that need them.
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

struct SessionState {
  UnitIdentity identity;
  RequestFlags requests;
  std::uint32_t poll_count = 0;       // wraps at kPollCountWrap
  std::uint8_t transition_block = 0;  // the block "Get Block" asks for; 0 at start-up
  InputControl control;               // input command and control byte of the input request
  InputData input_data{};             // bytes 1-12 of the last input response
  OutputData output_data{};           // what the output request carries
  // The tables the configuration dialogs built last; the tick sends them when asked.
  config::FilterData filters{};
  config::TrackData tracks{};
  config::ComplexData complex_outputs{};
};

}  // namespace tessera
