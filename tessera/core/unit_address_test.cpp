#include "tessera/core/unit_address.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

TEST(UnitAddressTest, TableRows) {
  // Address, caption; frames 0..bordered-1 get a border, the rest of 0..13 none; captions
  // "Channel n" from first_channel on (0: untouched) on `captioned` frames; channels in
  // red, yellow, green (0: points 0..41 blue).
  const std::tuple<int, const char*, int, int, int, int> rows[] = {
      {1, ", 14 Pack Output Assembly Position #1", 14, 1, 14, 14},
      {3, ", 14 Pack Output Assembly Position #3", 14, 14, 14, 14},
      {4, ", 6 Pack Output Assembly Position #4", 6, 0, 0, 6},
      {6, ", 6 Pack Output Assembly Position #2", 6, 7, 6, 6},
      {7, ", 6 Pack Output Assembly Position #3", 6, 13, 6, 6},
      {9, ", Input Assembly Position #1", 0, 19, 14, 0},
      {13, ", Input Assembly Position #5", 0, 0, 0, 0},
      {15, ", Diagnostic Mode", 0, 0, 0, 0},
      {0, ", Unassigned Address", 0, 0, 0, 0},
      {14, ", Unassigned Address", 0, 0, 0, 0},
      {16, ", Unassigned Address", 0, 0, 0, 0},
  };
  for (const auto& [address, description, bordered, first_channel, captioned, signal_channels] :
       rows) {
    SCOPED_TRACE(address);
    const AddressLayout layout = UnitAddressLayout(address);
    EXPECT_EQ(layout.caption, "TBX Address #" + std::to_string(address) + description);
    for (int k = 0; k < kChannelFrameCount; ++k) {
      const ChannelFrameLayout& frame = layout.frames[k];
      // Frames 14-17 are never touched.
      const auto channel = "Channel " + std::to_string(first_channel + k);
      EXPECT_EQ(std::tuple(frame.border, frame.caption),
                std::tuple(k < 14 ? std::optional(k < bordered) : std::nullopt,
                           k < captioned ? std::optional(channel) : std::nullopt))
          << k;
    }
    const std::uint32_t signal[] = {0xFF0000, 0xFFFF00, 0x00FF00};
    for (int i = 0; i < kAddressedPoints; ++i) {
      std::optional<std::uint32_t> expected;  // unset: keeps its last colour
      if (signal_channels == 0) expected = 0x0000FF;
      if (i < 3 * signal_channels) expected = signal[i % 3];
      EXPECT_EQ(layout.point_colours[i], expected) << "point " << i;
    }
  }
}

}  // namespace
}  // namespace tessera
