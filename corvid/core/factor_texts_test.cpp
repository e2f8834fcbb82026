#include "corvid/core/factor_texts.h"

#include <gtest/gtest.h>

#include "common/testing/hex.h"
#include "corvid/core/commands.h"

namespace corvid::calibration {
namespace {

// Nothing the technician did not type reaches the device ("4F7O" has a letter O).
TEST(FactorTextsTest, BoxTextIsOneToFourHexDigitsOrRefused) {
  const std::pair<const char*, std::optional<std::uint16_t>> cases[] = {
      {"ED09", 0xED09}, {"0x4F70", 0x4F70}, {"0X1", 1},    {"1ED09", {}}, {"4F7O", {}},
      {"0x", {}},       {"", {}},           {"4F70 ", {}}, {"0x0x1", {}}};
  for (const auto& [text, factor] : cases) EXPECT_EQ(FactorFromText(text), factor) << text;
}

TEST(FactorTextsTest, SetSendsThirteenFactorsLowByteFirstInBoxOrderAndDefaults) {
  // Channel voltages, signal power, channel currents; typed in any case.
  const FactorTexts texts{"ed09", "0xED09", "ED09", "5046", "4f70", "0", "FFFF",
                          "7E80", "8587",   "78c0", "1",    "7E7D", "10"};
  const auto factors = FactorsFromTexts(texts);
  ASSERT_TRUE(factors);
  EXPECT_EQ(common::testing::H(monitor::BuildCalibrationCommand(*factors)),
            "7C 09 ED 09 ED 09 ED 46 50 70 4F 00 00 FF FF 80 7E 87 85 C0 78 01 00 7D 7E 10 00");
  // Any refused box refuses the whole set; "Set" names an empty box before a bad one.
  EXPECT_EQ(FirstRefusedBox(texts), std::nullopt);
  for (int i = 0; i < kFactorCount; ++i) {
    FactorTexts one_bad = texts;
    one_bad[i] = "12345";
    EXPECT_EQ(FactorsFromTexts(one_bad), std::nullopt) << "box " << i;
    EXPECT_EQ(FirstRefusedBox(one_bad), i);
    one_bad[12].clear();
    EXPECT_EQ(FirstRefusedBox(one_bad), 12);
  }
  // The defaults by device type.
  for (const auto& [device_type, voltage] : {std::pair{1, "ED09"}, {2, "4F70"}}) {
    const auto defaults = DefaultFactorTexts(device_type);
    ASSERT_TRUE(defaults.has_value());
    for (int i = 0; i < 13; ++i) EXPECT_EQ((*defaults)[i], i < 7 ? voltage : "7E80") << i;
  }
  EXPECT_FALSE(DefaultFactorTexts(7).has_value());
}

}  // namespace
}  // namespace corvid::calibration
