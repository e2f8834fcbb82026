#include "tessera/link/unit_address.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

// One row of the table in compact form: which frames get a border, the first
// channel number of the captions (0: captions untouched), and the colour scheme.
enum class Colours { kSignal14, kSignal6, kBlue };

struct Row {
  int address;
  const char* caption;
  int frames_on;       // frames 0..frames_on-1 bordered, the rest of 0..13 not
  int first_channel;   // 0: no caption set
  int captioned;       // how many frames get a caption
  Colours colours;
};

const Row kRows[] = {
    {1, "TBX Address #1, 14 Pack Output Assembly Position #1", 14, 1, 14, Colours::kSignal14},
    {3, "TBX Address #3, 14 Pack Output Assembly Position #3", 14, 14, 14, Colours::kSignal14},
    {4, "TBX Address #4, 6 Pack Output Assembly Position #4", 6, 0, 0, Colours::kSignal6},
    {5, "TBX Address #5, 6 Pack Output Assembly Position #1", 6, 1, 6, Colours::kSignal6},
    {6, "TBX Address #6, 6 Pack Output Assembly Position #2", 6, 7, 6, Colours::kSignal6},
    {7, "TBX Address #7, 6 Pack Output Assembly Position #3", 6, 13, 6, Colours::kSignal6},
    {9, "TBX Address #9, Input Assembly Position #1", 0, 19, 14, Colours::kBlue},
    {10, "TBX Address #10, Input Assembly Position #2", 0, 0, 0, Colours::kBlue},
    {11, "TBX Address #11, Input Assembly Position #3", 0, 0, 0, Colours::kBlue},
    {12, "TBX Address #12, Input Assembly Position #4", 0, 0, 0, Colours::kBlue},
    {13, "TBX Address #13, Input Assembly Position #5", 0, 0, 0, Colours::kBlue},
    {15, "TBX Address #15, Diagnostic Mode", 0, 0, 0, Colours::kBlue},
    {0, "TBX Address #0, Unassigned Address", 0, 0, 0, Colours::kBlue},
    {2, "TBX Address #2, Unassigned Address", 0, 0, 0, Colours::kBlue},
    {8, "TBX Address #8, Unassigned Address", 0, 0, 0, Colours::kBlue},
    {14, "TBX Address #14, Unassigned Address", 0, 0, 0, Colours::kBlue},
};

TEST(UnitAddressTest, TableRows) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.caption);
    const AddressLayout layout = UnitAddressLayout(row.address);
    EXPECT_EQ(layout.address, row.address);
    EXPECT_EQ(layout.caption, row.caption);
    for (int k = 0; k < kChannelFrameCount; ++k) {
      const ChannelFrameLayout& frame = layout.frames[k];
      if (k >= 14) {
        EXPECT_FALSE(frame.border.has_value()) << "frame " << k;
      } else {
        ASSERT_TRUE(frame.border.has_value()) << "frame " << k;
        EXPECT_EQ(*frame.border, k < row.frames_on) << "frame " << k;
      }
      if (k < row.captioned) {
        EXPECT_EQ(frame.caption, "Channel " + std::to_string(row.first_channel + k));
      } else {
        EXPECT_FALSE(frame.caption.has_value()) << "frame " << k;
      }
    }
    const int signal_channels = row.colours == Colours::kSignal14 ? 14
                                : row.colours == Colours::kSignal6 ? 6
                                                                   : 0;
    for (int i = 0; i < kAddressedPoints; ++i) {
      const auto& colour = layout.point_colours[i];
      if (row.colours == Colours::kBlue) {
        EXPECT_EQ(colour, 0x0000FFu) << "point " << i;
      } else if (i < 3 * signal_channels) {
        const std::uint32_t expected[] = {0xFF0000, 0xFFFF00, 0x00FF00};
        EXPECT_EQ(colour, expected[i % 3]) << "point " << i;
      } else {
        EXPECT_FALSE(colour.has_value()) << "point " << i;  // keeps its last colour
      }
    }
  }
}

TEST(UnitAddressTest, OutOfRangeIsUnassigned) {
  for (int address : {-1, 16, 255}) {
    const AddressLayout layout = UnitAddressLayout(address);
    EXPECT_EQ(layout.caption, "TBX Address #" + std::to_string(address) + ", Unassigned Address");
    EXPECT_EQ(layout.point_colours[41], 0x0000FFu);
  }
}

}  // namespace
}  // namespace tessera
