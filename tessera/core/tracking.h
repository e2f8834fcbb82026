// The unit's eight input tracks: each names an output (or "Off", "Active"), an
// input and whether the input is inverted. Builds the 16-byte TrackData from the
// dialog's fields and the two 0x78 frames that load it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tessera/core/field_rules.h"
#include "tessera/core/table_load.h"

namespace tessera::config {

inline constexpr int kTracks = 8;
inline constexpr std::uint8_t kTrackOff = 0x7F;
inline constexpr std::uint8_t kTrackActive = 0xB6;  // output point 54
inline constexpr std::uint8_t kTrackOutputBase = 0x80;
inline constexpr std::uint8_t kInvertBit = 0x80;

// Two bytes per track t: output code at 2t, input code at 2t + 1.
using TrackData = std::array<std::uint8_t, 2 * kTracks>;

// One track of the dialog: its output and input list positions and its invert box.
// The default is the cleared state: "Off", input 0, not inverted.
struct TrackFields {
  int output_position = 0;
  int input_position = 0;
  bool inverted = false;
};

// The output list's entries: "Off", "Active", "0" .. "53".
std::vector<std::string> TrackOutputList();
// Code of an output list position: 0 "Off" 0x7F, 1 "Active" 0xB6, 2.. output n = 0x80 + n.
// Nullopt for a position outside the list.
std::optional<std::uint8_t> TrackOutputCode(int position);

// TrackData for the eight tracks, or the first list without a valid selection.
FieldResult<TrackData> BuildTrackData(std::span<const TrackFields, kTracks> tracks);

// 78 0D 00 00, sixteen zeros, 7A and 78 0D 00 08, TrackData, checksum.
TableFrames TrackingFrames(const TrackData& data);

}  // namespace tessera::config
