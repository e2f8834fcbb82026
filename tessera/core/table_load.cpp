#include "tessera/core/table_load.h"

namespace tessera::config {

common::Bytes LoadFrame(std::uint8_t command, std::uint8_t block, common::ByteView payload) {
  common::Bytes data;
  data.reserve(payload.size() + 1);
  data.push_back(block);
  data.insert(data.end(), payload.begin(), payload.end());
  return BuildExtendedFrame(command, data);
}

TableFrames LoadFrames(std::uint8_t command, common::ByteView table) {
  const common::Bytes zeros(table.size(), 0);
  return {LoadFrame(command, kFrameABlock, zeros), LoadFrame(command, kFrameBBlock, table)};
}

bool FrameAAccepted(common::ByteView response) { return HasExtendedMarker(response); }

LoadOutcome LoadTable(const TableFrames& frames, const Exchange& exchange) {
  if (!FrameAAccepted(exchange(frames.frame_a))) return LoadOutcome::kFrameARefused;
  // Frame B's answer carries nothing the host uses; only whether one came.
  return exchange(frames.frame_b).empty() ? LoadOutcome::kFrameBUnanswered : LoadOutcome::kSent;
}

}  // namespace tessera::config
