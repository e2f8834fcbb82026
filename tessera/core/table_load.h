// Loading a table (tracking 0x78, complex outputs 0x79) takes two frames: frame A
// (block byte 0x00, all zeros) and frame B (block byte 0x08, the table). Frame B
// goes out only after frame A got a valid extended answer, so a unit that did not
// take frame A never sees half a load.
#pragma once

#include <cstdint>
#include <functional>

#include "common/core/bytes.h"
#include "tessera/core/frame.h"

namespace tessera::config {

// Each load frame is answered with 13 bytes within 500 ms; no message on failure.
inline constexpr ResponseShape kTableLoadResponse = ResponseShape::Fixed(13);

inline constexpr std::uint8_t kFrameABlock = 0x00;
inline constexpr std::uint8_t kFrameBBlock = 0x08;

struct TableFrames {
  common::Bytes frame_a;
  common::Bytes frame_b;
};

// command, 0D 00, block, payload, checksum.
common::Bytes LoadFrame(std::uint8_t command, std::uint8_t block, common::ByteView payload);
// Frame A and frame B of one table: frame A carries as many zeros as the table has bytes.
TableFrames LoadFrames(std::uint8_t command, common::ByteView table);

// Frame A's answer lets frame B follow: a response (the link's last response, empty after
// a failure) with the extended marker.
bool FrameAAccepted(common::ByteView response);

enum class LoadOutcome {
  kFrameARefused,     // no valid answer to frame A: frame B was not sent
  kFrameBUnanswered,  // frame B went out but got no answer
  kSent,              // both frames answered
};

// One whole exchange: the request in, the response out (empty when it failed).
using Exchange = std::function<common::Bytes(common::ByteView request)>;

// Sends frame A and, only when it was accepted, frame B.
LoadOutcome LoadTable(const TableFrames& frames, const Exchange& exchange);

}  // namespace tessera::config
