#include "tessera/core/unit_address.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

TEST(UnitAddressTest, TableRows) {
  const struct {
    int address;
    const char* description;
    int bordered;         // frames 0..bordered-1 get a border, the rest of 0..13 none
    int first_channel;    // captions "Channel n" from here on; 0: captions untouched
    int captioned;        // how many frames get a caption
    int signal_channels;  // channels in red, yellow, green; 0: points 0..41 blue
  } rows[] = {
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
  for (const auto& row : rows) {
    SCOPED_TRACE(row.address);
    const AddressLayout layout = UnitAddressLayout(row.address);
    EXPECT_EQ(layout.caption, "TBX Address #" + std::to_string(row.address) + row.description);
    for (int k = 0; k < kChannelFrameCount; ++k) {
      const ChannelFrameLayout& frame = layout.frames[k];
      // Frames 14-17 are never touched.
      EXPECT_EQ(frame.border, k < 14 ? std::optional(k < row.bordered) : std::nullopt) << k;
      EXPECT_EQ(frame.caption,
                k < row.captioned
                    ? std::optional("Channel " + std::to_string(row.first_channel + k))
                    : std::nullopt)
          << k;
    }
    const std::uint32_t signal[] = {0xFF0000, 0xFFFF00, 0x00FF00};
    for (int i = 0; i < kAddressedPoints; ++i) {
      std::optional<std::uint32_t> expected;  // unset: keeps its last colour
      if (row.signal_channels == 0) expected = 0x0000FF;
      if (i < 3 * row.signal_channels) expected = signal[i % 3];
      EXPECT_EQ(layout.point_colours[i], expected) << "point " << i;
    }
  }
}

}  // namespace
}  // namespace tessera
