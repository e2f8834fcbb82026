// Process-wide values of Tessera, owned by the application object and passed by
// reference to the session, the windows and the procedures that need them.
#pragma once

#include <cstdint>

#include "tessera/link/identity.h"
#include "tessera/link/requests.h"
#include "tessera/panel/io_mapping.h"
#include "tessera/panel/poll_schedule.h"

namespace tessera {

struct AppState {
  UnitIdentity identity;
  panel::RequestFlags requests;
  std::uint32_t PollCount = 0;      // wraps at kPollCountWrap
  int TransBlock = 0;               // next transition-buffer block to poll
  InputControl control;             // input command and control byte of the input request
  panel::InputData input_data{};    // InputData(0..11)
  panel::OutputData output_data{};  // OutputData(0..16)
};

}  // namespace tessera
