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
      {{.output_position = 55, .input_position = 59, .inverted = true}, "B5 BB", {}},
      {{.output_position = 1, .input_position = 3}, "B6 03", {}},
      {{.output_position = 12, .inverted = true}, "8A 80", {}},
      // "Off" still carries the input and invert settings.
      {{.output_position = 0, .input_position = 12, .inverted = true}, "7F 8C", {}},
      {{.output_position = 56}, nullptr, {"cmbOutput", 0, {}}},
      {{.input_position = 60}, nullptr, {"cmbInput", 0, {}}},
  };
  for (const auto& c : cases) {
    Tracks tracks{};
    tracks[0] = c.track;
    const FieldResult<TrackData> data = BuildTrackData(tracks);
    EXPECT_EQ(std::tuple(data.ok() ? H(*data.table) : "none", data.error),
              std::tuple(c.bytes ? c.bytes + std::string(kClearedRest) : "none",
                         c.bytes ? std::nullopt : std::optional(c.error)));
  }
  Tracks last{};
  last[7] = {.output_position = 3, .input_position = 40};
  EXPECT_EQ(H(*BuildTrackData(last).table), "7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 81 28");
  last[7].input_position = 60;
  EXPECT_EQ(BuildTrackData(last).error, (FieldError{"cmbInput", 7, {}}));
}

TEST(TrackingTest, Frames) {
  const TableFrames cleared = TrackingFrames(*BuildTrackData(Tracks{}).table);
  EXPECT_EQ(H(cleared.frame_a), "78 0D 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 7A");
  Tracks tracks{};
  tracks[0] = {.output_position = 55, .input_position = 59, .inverted = true};
  const TableFrames frames = TrackingFrames(*BuildTrackData(tracks).table);
  EXPECT_EQ(H(frames.frame_a), H(cleared.frame_a));  // frame A never carries the table
  EXPECT_EQ(H(frames.frame_b), "78 0D 00 08 B5 BB 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 7F 00 89");
}

}  // namespace
}  // namespace tessera::config
