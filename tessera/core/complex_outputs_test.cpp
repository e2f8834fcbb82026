#include "tessera/core/complex_outputs.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"

namespace tessera::config {
namespace {

using common::testing::H;

using Outputs = std::array<ComplexFields, kComplexOutputs>;
constexpr char kCleared[] = "FF 00 00 00 00 00 00";
constexpr std::array<bool, 8> kPulseAndLineSync{true,  false, false, false,
                                                false, false, false, true};

std::string ClearedAfter(const std::string& first) {
  std::string out = first;
  for (int c = 1; c < kComplexOutputs; ++c) out += std::string(" ") + kCleared;
  return out;
}

TEST(ComplexOutputsTest, ListsAndCaptions) {
  const std::vector<std::string> list = ComplexOutputList();
  ASSERT_EQ(list.size(), 56u);
  EXPECT_EQ(list[0] + list[1] + list[54] + list[55], "Off053Active");
  EXPECT_EQ(std::tuple(ComplexFlagCaption(0, 0), ComplexFlagCaption(7, 1)),
            std::tuple("(L) Line Sync", "Trigger: On->Off"));
}

TEST(ComplexOutputsTest, ComplexDataOrTheFieldThatStopsIt) {
  const std::string_view range = "Error: Duration value must be 0 to 65535";
  const struct {
    ComplexFields output;  // placed as output 1; the others stay cleared
    const char* bytes;     // nullptr: nothing is built
    FieldError error;
  } cases[] = {
      {{}, kCleared, {}},
      {{.output_position = 55}, "36 00 00 00 00 00 00", {}},  // "Active"
      {{.output_position = 54}, "35 00 00 00 00 00 00", {}},
      {{.primary_text = "65535", .secondary_text = "256"}, "FF FF FF 01 00 00 00", {}},
      {{.primary_text = "", .secondary_text = "1x"}, "FF 00 00 00 01 00 00", {}},
      // clang-format off
      {{.output_position = 55, .input_position = 59, .primary_text = "4660",
        .control_flags = kPulseAndLineSync}, "36 12 34 00 00 3B 81", {}},
      // clang-format on
      {{.primary_text = "65536"}, nullptr, {"txtPrimaryDuration", 0, range}},
      // 2^32 + 5 would be 5 if it wrapped.
      {{.primary_text = "4294967301"}, nullptr, {"txtPrimaryDuration", 0, range}},
      {{.output_position = 56}, nullptr, {"cmbOutput", 0, {}}},
      {{.input_position = 60}, nullptr, {"cmbInput", 0, {}}},
  };
  for (const auto& c : cases) {
    Outputs outputs{};
    outputs[0] = c.output;
    const FieldResult<ComplexData> data = BuildComplexData(outputs);
    EXPECT_EQ(std::tuple(data.ok() ? H(*data.table) : "none", data.error),
              std::tuple(c.bytes ? ClearedAfter(c.bytes) : "none",
                         c.bytes ? std::nullopt : std::optional(c.error)));
  }
  Outputs last{};
  last[7] = {.output_position = 6, .secondary_text = "99999"};
  EXPECT_EQ(BuildComplexData(last).error, (FieldError{"txtSecondaryDuration", 7, range}));
  last[7].secondary_text = "4660";
  const ComplexData data = *BuildComplexData(last).table;
  EXPECT_EQ(H(common::ByteView(data).last(14)), "FF 00 00 00 00 00 00 05 00 00 12 34 00 00");
}

TEST(ComplexOutputsTest, Frames) {
  const TableFrames frames = ComplexFrames(*BuildComplexData(Outputs{}).table);
  EXPECT_EQ(std::tuple(frames.frame_a.size(), H(common::ByteView(frames.frame_a).first(5))),
            std::tuple(61u, "79 0D 00 00 00"));
  EXPECT_EQ(H(frames.frame_b), "79 0D 00 08 " + ClearedAfter(kCleared) + " 79");

  Outputs pulse{};
  pulse[0] = {.primary_text = "300", .control_flags = kPulseAndLineSync};
  const TableFrames changed = ComplexFrames(*BuildComplexData(pulse).table);
  EXPECT_EQ(H(changed.frame_a), H(frames.frame_a));  // frame A never carries the table
  // The cleared frame's sum (0x86) grows by 01 + 2C + 81: 0x34, checksum 0xCB.
  EXPECT_EQ(H(common::ByteView(changed.frame_b).first(11)) + " .. " +
                H(common::ByteView(changed.frame_b).last(1)),
            "79 0D 00 08 FF 01 2C 00 00 00 81 .. CB");
}

}  // namespace
}  // namespace tessera::config
