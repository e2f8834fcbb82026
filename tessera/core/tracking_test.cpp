#include "tessera/core/tracking.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace tessera::config {
namespace {

using common::testing::H;

using Tracks = std::array<TrackFields, kTracks>;
constexpr char kClearedRest[] = " 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00";

TEST(TrackingTest, TrackDataOrTheListThatStopsIt) {
  const std::vector<std::string> list = TrackOutputList();
  ASSERT_EQ(list.size(), 56u);
  EXPECT_EQ(list[0] + list[1] + list[2] + list[55], "OffActive053");

  const struct {
    TrackFields track;  // placed as track 1; the others stay cleared
    const char* bytes;  // nullptr: nothing is built
    FieldError error;
  } cases[] = {
      {{}, "7F 00", {}},
      {{.cmb_output = 55, .cmb_input = 59, .chk_invert = true}, "B5 BB", {}},
      {{.cmb_output = 1, .cmb_input = 3}, "B6 03", {}},
      {{.cmb_output = 2, .chk_invert = true}, "80 80", {}},
      {{.cmb_output = 12}, "8A 00", {}},
      // "Off" still carries the input and invert settings.
      {{.cmb_output = 0, .cmb_input = 12, .chk_invert = true}, "7F 8C", {}},
      {{.cmb_output = -1}, nullptr, {"cmbOutput", 0, {}}},
      {{.cmb_output = 56}, nullptr, {"cmbOutput", 0, {}}},
      {{.cmb_input = 60}, nullptr, {"cmbInput", 0, {}}},
      {{.cmb_input = -1}, nullptr, {"cmbInput", 0, {}}},
  };
  for (const auto& c : cases) {
    Tracks tracks{};
    tracks[0] = c.track;
    const FieldResult<TrackData> data = BuildTrackData(tracks);
    if (c.bytes == nullptr) {
      EXPECT_FALSE(data.ok());
      EXPECT_EQ(data.error, c.error);
    } else {
      ASSERT_TRUE(data.ok()) << c.bytes;
      EXPECT_EQ(H(*data.table), c.bytes + std::string(kClearedRest));
    }
  }
  Tracks last{};
  last[7] = {.cmb_output = 3, .cmb_input = 40};
  EXPECT_EQ(H(*BuildTrackData(last).table), "7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 81 28");
  last[7].cmb_input = 60;
  EXPECT_EQ(BuildTrackData(last).error, (FieldError{"cmbInput", 7, {}}));
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
