#include "tessera/config/tracking.h"

#include <gtest/gtest.h>

#include "tessera/link/test_bytes.h"

namespace tessera::config {
namespace {

using hex::H;

using Tracks = std::array<TrackFields, kTracks>;

TEST(TrackingTest, OutputList) {
  const std::vector<std::string> list = TrackOutputList();
  ASSERT_EQ(list.size(), 56u);
  EXPECT_EQ(list[0], "Off");
  EXPECT_EQ(list[1], "Active");
  EXPECT_EQ(list[2], "0");
  EXPECT_EQ(list[55], "53");

  const struct {
    int position;
    std::optional<std::uint8_t> code;
  } cases[] = {{0, 0x7F},  {1, 0xB6},          {2, 0x80},         {12, 0x8A},
               {55, 0xB5}, {56, std::nullopt}, {-1, std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(TrackOutputCode(c.position), c.code) << c.position;
}

TEST(TrackingTest, TrackData) {
  const struct {
    TrackFields track;  // placed as track 1; the others stay cleared
    const char* bytes01;
  } cases[] = {
      {{}, "7F 00"},
      {{.cmb_output = 55, .cmb_input = 59, .chk_invert = true}, "B5 BB"},
      {{.cmb_output = 1, .cmb_input = 3}, "B6 03"},
      {{.cmb_output = 2, .cmb_input = 0, .chk_invert = true}, "80 80"},
      // "Off" still carries the input and invert settings.
      {{.cmb_output = 0, .cmb_input = 12, .chk_invert = true}, "7F 8C"},
  };
  for (const auto& c : cases) {
    Tracks tracks{};
    tracks[0] = c.track;
    const FieldResult<TrackData> data = BuildTrackData(tracks);
    ASSERT_TRUE(data.ok()) << c.bytes01;
    EXPECT_EQ(H(*data.table),
              std::string(c.bytes01) + " 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00");
  }
  Tracks last{};
  last[7] = {.cmb_output = 3, .cmb_input = 40};
  EXPECT_EQ(H(*BuildTrackData(last).table), "7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 81 28");
}

TEST(TrackingTest, ListWithoutSelectionBuildsNothing) {
  const struct {
    int track;
    TrackFields fields;
    FieldError error;
  } cases[] = {
      {3, {.cmb_output = -1}, {"cmbOutput", 3, {}}},
      {0, {.cmb_output = 56}, {"cmbOutput", 0, {}}},
      {7, {.cmb_input = 60}, {"cmbInput", 7, {}}},
      {2, {.cmb_input = -1}, {"cmbInput", 2, {}}},
  };
  for (const auto& c : cases) {
    Tracks tracks{};
    tracks[c.track] = c.fields;
    const FieldResult<TrackData> data = BuildTrackData(tracks);
    EXPECT_FALSE(data.ok());
    EXPECT_EQ(data.error, c.error);
  }
}

TEST(TrackingTest, Frames) {
  const TableFrames cleared = TrackingFrames(*BuildTrackData(Tracks{}).table);
  EXPECT_EQ(H(cleared.frame_a), "78 0D 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 7A");
  EXPECT_EQ(H(cleared.frame_b), "78 0D 00 08 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7A");

  Tracks tracks{};
  tracks[0] = {.cmb_output = 55, .cmb_input = 59, .chk_invert = true};
  const TableFrames frames = TrackingFrames(*BuildTrackData(tracks).table);
  EXPECT_EQ(H(frames.frame_a), H(cleared.frame_a));  // frame A never carries the table
  EXPECT_EQ(H(frames.frame_b), "78 0D 00 08 B5 BB 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 89");
}

}  // namespace
}  // namespace tessera::config
