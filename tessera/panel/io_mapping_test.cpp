#include "tessera/panel/io_mapping.h"

#include <gtest/gtest.h>

#include <set>

namespace tessera::panel {
namespace {

struct InputCase {
  const char* name;
  int byte;
  std::uint8_t value;
  std::set<int> points;
  std::set<int> opto;
};

class InputMappingTest : public ::testing::TestWithParam<InputCase> {};

TEST_P(InputMappingTest, LightsExactlyTheMappedIndicators) {
  const InputCase& c = GetParam();
  InputData data{};
  data[c.byte] = c.value;
  const InputLamps lamps = InputDataToForm(data);
  std::set<int> lit_points;
  for (int i = 0; i < kInputPoints; ++i) {
    if (lamps.points[i]) lit_points.insert(i);
  }
  std::set<int> lit_opto;
  for (int i = 0; i < kOptoInputs; ++i) {
    if (lamps.opto[i]) lit_opto.insert(i);
  }
  EXPECT_EQ(lit_points, c.points);
  EXPECT_EQ(lit_opto, c.opto);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, InputMappingTest,
    ::testing::Values(
        InputCase{"FirstPoint", 0, 0x01, {0}, {}}, InputCase{"Byte0High", 0, 0x80, {7}, {}},
        InputCase{"Byte2Mixed", 2, 0x81, {16, 23}, {}}, InputCase{"Byte5High", 5, 0x80, {47}, {}},
        InputCase{"Byte6AllShown", 6, 0x7F, {48, 49, 50, 51, 52, 53, 54}, {}},
        InputCase{"Byte6Bit6IsActive", 6, 0x40, {54}, {}},
        InputCase{"Byte6Bit7NotShown", 6, 0x80, {}, {}},
        InputCase{"OptoAndAddress", 7, 0x5F, {}, {0, 1, 2, 3}},
        InputCase{"AddressOnly", 7, 0xF0, {}, {}}, InputCase{"Opto3", 7, 0x04, {}, {2}},
        InputCase{"UnusedByte8", 8, 0xFF, {}, {}}, InputCase{"UnusedByte11", 11, 0xFF, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InputMapping, AllBitsSetLightsEveryPointAndOpto) {
  InputData data;
  data.fill(0xFF);
  const InputLamps lamps = InputDataToForm(data);
  for (int i = 0; i < kInputPoints; ++i) EXPECT_TRUE(lamps.points[i]) << i;
  for (int i = 0; i < kOptoInputs; ++i) EXPECT_TRUE(lamps.opto[i]) << i;
}

struct OutputCase {
  const char* name;
  std::set<int> checked;
  int byte;
  std::uint8_t value;
};

class OutputMappingTest : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputMappingTest, SetsTheBitOfEachCheckedBox) {
  const OutputCase& c = GetParam();
  std::array<bool, kOutputPoints> checked{};
  for (int i : c.checked) checked[i] = true;
  const OutputData data = OutputFormToData(checked);
  for (int k = 0; k < static_cast<int>(data.size()); ++k) {
    EXPECT_EQ(data[k], k == c.byte ? c.value : 0) << "byte " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, OutputMappingTest,
    ::testing::Values(OutputCase{"None", {}, 0, 0x00}, OutputCase{"First", {0}, 0, 0x01},
                      OutputCase{"Point7", {7}, 0, 0x80}, OutputCase{"Point8", {8}, 1, 0x01},
                      OutputCase{"Channel18", {51, 52, 53}, 6, 0x38},
                      OutputCase{"Active", {54}, 6, 0x40}, OutputCase{"Dummy", {55}, 6, 0x80},
                      OutputCase{"Byte3Mixed", {24, 26, 31}, 3, 0x85}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OutputMapping, AllCheckedFillsBytes0To6Only) {
  std::array<bool, kOutputPoints> checked;
  checked.fill(true);
  const OutputData data = OutputFormToData(checked);
  for (int k = 0; k <= 6; ++k) EXPECT_EQ(data[k], 0xFF) << k;
  for (int k = 7; k <= 16; ++k) EXPECT_EQ(data[k], 0x00) << k;
}

}  // namespace
}  // namespace tessera::panel
