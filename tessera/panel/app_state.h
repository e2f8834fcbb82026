// Process-wide values of Tessera, owned by the application object and passed by
// reference to the windows that need them.
#pragma once

#include <cstdint>

#include "tessera/link/identity.h"
#include "tessera/panel/io_mapping.h"
#include "tessera/panel/poll_schedule.h"

namespace tessera::panel {

struct AppState {
  UnitIdentity identity;
  RequestFlags requests;
  std::uint32_t PollCount = 0;  // wraps at kPollCountWrap
  int TransBlock = 0;           // next transition-buffer block to poll
  InputData input_data{};       // InputData(0..11)
  OutputData output_data{};     // OutputData(0..16)
};

}  // namespace tessera::panel
