// The start of every extended answer of the simulated TBX: command, marker 0D 00,
// the protocol version, firmware type, firmware revision, then zeros up to the answer's length.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tessera/core/frame.h"
#include "tessera/sim/tbx_model.h"

namespace tessera::sim {

// `length` counts the bytes before the checksum (the model appends it).
inline Bytes ExtendedAnswer(std::uint8_t command, const TbxOptions& options, std::size_t length) {
  Bytes answer(length, 0);
  answer[0] = command;
  answer[1] = kExtendedMarker & 0xFF;
  answer[2] = kExtendedMarker >> 8;
  answer[3] = options.comm_version;
  answer[4] = options.firmware_type;
  answer[5] = options.firmware_revision;
  return answer;
}

}  // namespace tessera::sim
