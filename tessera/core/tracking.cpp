#include "tessera/core/tracking.h"

namespace tessera::config {
namespace {

constexpr int kOutputPoints = 54;  // outputs 0-53 in the list after "Off" and "Active"

}  // namespace

std::vector<std::string> TrackOutputList() {
  std::vector<std::string> list{"Off", "Active"};
  for (int n = 0; n < kOutputPoints; ++n) list.push_back(std::to_string(n));
  return list;
}

std::optional<std::uint8_t> TrackOutputCode(int position) {
  if (position == 0) return kTrackOff;
  if (position == 1) return kTrackActive;
  if (position >= 2 && position < 2 + kOutputPoints) {
    return static_cast<std::uint8_t>(kTrackOutputBase + (position - 2));
  }
  return std::nullopt;
}

FieldResult<TrackData> BuildTrackData(std::span<const TrackFields, kTracks> tracks) {
  TrackData data{};
  for (int t = 0; t < kTracks; ++t) {
    const std::optional<std::uint8_t> output = TrackOutputCode(tracks[t].output_position);
    if (!output) return FieldError{"cmbOutput", t, {}};
    if (!IsInputPosition(tracks[t].input_position)) return FieldError{"cmbInput", t, {}};
    data[2 * t] = *output;
    data[2 * t + 1] =
        static_cast<std::uint8_t>(tracks[t].input_position | (tracks[t].inverted ? kInvertBit : 0));
  }
  return data;
}

TableFrames TrackingFrames(const TrackData& data) { return LoadFrames(kCmdSendTracking, data); }

}  // namespace tessera::config
