#include "tessera/config/complex_outputs.h"

#include <gtest/gtest.h>

#include "tessera/link/test_bytes.h"

namespace tessera::config {
namespace {

using hex::H;

using Outputs = std::array<ComplexFields, kComplexOutputs>;
constexpr char kCleared[] = "FF 00 00 00 00 00 00";

std::string ClearedAfter(const std::string& first) {
  std::string out = first;
  for (int c = 1; c < kComplexOutputs; ++c) out += std::string(" ") + kCleared;
  return out;
}

TEST(ComplexOutputsTest, OutputList) {
  const std::vector<std::string> list = ComplexOutputList();
  ASSERT_EQ(list.size(), 56u);
  EXPECT_EQ(list[0], "Off");
  EXPECT_EQ(list[1], "0");
  EXPECT_EQ(list[54], "53");
  EXPECT_EQ(list[55], "Active");

  const struct {
    int position;
    std::optional<std::uint8_t> code;
  } cases[] = {{0, 0xFF},  {1, 0x00},          {54, 0x35},
               {55, 0x36}, {56, std::nullopt}, {-1, std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(ComplexOutputCode(c.position), c.code) << c.position;
}

TEST(ComplexOutputsTest, FlagCaptions) {
  const struct {
    int output;
    int bit;
    std::string_view caption;
  } cases[] = {
      {0, 0, "(L) Line Sync"},
      {0, 1, "(R) Trig:On->Off"},
      {0, 3, "(J) Primary = On"},
      {0, 7, "(P) Pulse"},
      {1, 0, "Line Sync "},
      {7, 1, "Trigger: On->Off"},
      {4, 2, "Filtered Input"},
      {7, 7, "Pulse"},
      {3, 6, "Triggered"},
      {0, 8, ""},
      {2, -1, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComplexFlagCaption(c.output, c.bit), c.caption) << c.output << "/" << c.bit;
  }
}

TEST(ComplexOutputsTest, ComplexData) {
  const struct {
    ComplexFields output;  // placed as output 1; the others stay cleared
    const char* bytes;
  } cases[] = {
      {{}, kCleared},
      {{.cmb_output = 55}, "36 00 00 00 00 00 00"},
      {{.cmb_output = 1}, "00 00 00 00 00 00 00"},
      {{.txt_primary = "300"}, "FF 01 2C 00 00 00 00"},
      {{.txt_primary = "65535", .txt_secondary = "256"}, "FF FF FF 01 00 00 00"},
      {{.txt_primary = "", .txt_secondary = "1x"}, "FF 00 00 00 01 00 00"},
      {{.cmb_input = 59}, "FF 00 00 00 00 3B 00"},
      {{.chk_control = {true, false, false, false, false, false, false, true}},
       "FF 00 00 00 00 00 81"},
      {{.chk_control = {false, true, true, true, true, true, true, false}}, "FF 00 00 00 00 00 7E"},
      {{.cmb_output = 55,
        .cmb_input = 59,
        .txt_primary = "300",
        .txt_secondary = "256",
        .chk_control = {true, false, false, false, false, false, false, true}},
       "36 01 2C 01 00 3B 81"},
  };
  for (const auto& c : cases) {
    Outputs outputs{};
    outputs[0] = c.output;
    const FieldResult<ComplexData> data = BuildComplexData(outputs);
    ASSERT_TRUE(data.ok()) << c.bytes;
    EXPECT_EQ(H(*data.table), ClearedAfter(c.bytes));
  }
  Outputs last{};
  last[7] = {.cmb_output = 6, .txt_secondary = "4660"};
  const std::string expected =
      "FF 00 00 00 00 00 00 FF 00 00 00 00 00 00 FF 00 00 00 00 00 00 FF 00 00 00 00 00 00 "
      "FF 00 00 00 00 00 00 FF 00 00 00 00 00 00 FF 00 00 00 00 00 00 05 00 00 12 34 00 00";
  EXPECT_EQ(H(*BuildComplexData(last).table), expected);
}

TEST(ComplexOutputsTest, FieldOutOfRangeBuildsNothing) {
  const std::string_view message = "Error: Duration value must be 0 to 65535";
  const struct {
    int output;
    ComplexFields fields;
    FieldError error;
  } cases[] = {
      {2, {.txt_primary = "65536"}, {"txtPrimaryDuration", 2, message}},
      {0, {.txt_secondary = "70000"}, {"txtSecondaryDuration", 0, message}},
      // 2^32 + 5 would be 5 if it wrapped.
      {7, {.txt_primary = "4294967301"}, {"txtPrimaryDuration", 7, message}},
      {5, {.cmb_output = 56}, {"cmbOutput", 5, {}}},
      {1, {.cmb_input = 60}, {"cmbInput", 1, {}}},
  };
  for (const auto& c : cases) {
    Outputs outputs{};
    outputs[c.output] = c.fields;
    const FieldResult<ComplexData> data = BuildComplexData(outputs);
    EXPECT_FALSE(data.ok());
    EXPECT_EQ(data.error, c.error);
  }
}

TEST(ComplexOutputsTest, Frames) {
  const TableFrames frames = ComplexFrames(*BuildComplexData(Outputs{}).table);
  ASSERT_EQ(frames.frame_a.size(), 61u);
  ASSERT_EQ(frames.frame_b.size(), 61u);
  EXPECT_EQ(H(common::ByteView(frames.frame_a).first(5)), "79 0D 00 00 00");
  EXPECT_EQ(frames.frame_a.back(), 0x79);
  EXPECT_EQ(H(frames.frame_b), "79 0D 00 08 " + ClearedAfter(kCleared) + " 79");

  Outputs pulse{};
  pulse[0] = {.txt_primary = "300",
              .chk_control = {true, false, false, false, false, false, false, true}};
  const TableFrames changed = ComplexFrames(*BuildComplexData(pulse).table);
  EXPECT_EQ(H(changed.frame_a), H(frames.frame_a));
  // The cleared frame's sum (0x86) grows by 01 + 2C + 81: 0x34, checksum 0xCB.
  EXPECT_EQ(H(common::ByteView(changed.frame_b).first(11)), "79 0D 00 08 FF 01 2C 00 00 00 81");
  EXPECT_EQ(changed.frame_b.back(), 0xCB);
}

}  // namespace
}  // namespace tessera::config
