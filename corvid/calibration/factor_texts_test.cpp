#include "corvid/calibration/factor_texts.h"

#include <gtest/gtest.h>

#include "common/bytes.h"
#include "corvid/monitor/commands.h"

namespace corvid::calibration {
namespace {

TEST(FactorTextsTest, BoxTextGivesItsLeadingHexDigitsLowSixteenBits) {
  struct Case {
    const char* text;
    std::uint16_t factor;
  };
  for (const Case& c : {
           Case{"ED09", 0xED09},
           Case{"ed09", 0xED09},
           Case{"1ED09", 0xED09},
           Case{"4F70 ", 0x4F70},  // stops at the blank
           Case{"12G4", 0x12},
           Case{"FFFFFFFFFFFFFFFF1234", 0x1234},
           Case{"0", 0},
           Case{"xyz", 0},
           Case{" ED09", 0},
           Case{"&hED09", 0},
           Case{"-1", 0},
       }) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FactorFromText(c.text), c.factor);
  }
}

TEST(FactorTextsTest, SetSendsThirteenFactorsLowByteFirstInBoxOrder) {
  // Channel voltages, signal power, channel currents; typed in any case.
  const FactorTexts texts{"ed09", "1ED09", "ED09", "5046", "4f70", "0", "FFFF",
                          "7E80", "8587",  "78c0", "1",    "7E7D", "10"};
  const auto factors = FactorsFromTexts(texts);
  ASSERT_TRUE(factors);
  EXPECT_EQ(monitor::BuildCalibrationCommand(*factors),
            (common::Bytes{0x7C, 0x09, 0xED, 0x09, 0xED, 0x09, 0xED, 0x46, 0x50,
                           0x70, 0x4F, 0x00, 0x00, 0xFF, 0xFF, 0x80, 0x7E, 0x87,
                           0x85, 0xC0, 0x78, 0x01, 0x00, 0x7D, 0x7E, 0x10, 0x00}));
  // Any empty box refuses the whole set; any other text is a factor.
  for (int i = 0; i < kFactorCount; ++i) {
    FactorTexts one_empty = texts;
    one_empty[i].clear();
    EXPECT_EQ(FactorsFromTexts(one_empty), std::nullopt) << "box " << i;
    one_empty[i] = " ";
    EXPECT_EQ(FactorsFromTexts(one_empty).value_or(FactorSet{}).at(i), 0) << "box " << i;
  }
  EXPECT_EQ(NullFactorMessage(), (Message{"Calibrate", "Null Calibration Factor"}));
}

TEST(FactorTextsTest, DefaultsByDeviceType) {
  struct Case {
    int device_type;
    const char* voltage;  // nullptr: nothing to load
  };
  for (const Case& c : {Case{1, "ED09"}, Case{2, "4F70"}, Case{3, "ED09"}, Case{4, "ED09"},
                        Case{5, "4F70"}, Case{6, "ED09"}, Case{0, nullptr}, Case{7, nullptr}}) {
    SCOPED_TRACE(c.device_type);
    const auto texts = DefaultFactorTexts(c.device_type);
    ASSERT_EQ(texts.has_value(), c.voltage != nullptr);
    if (!texts) continue;
    for (int i = 0; i < 7; ++i) EXPECT_EQ((*texts)[i], c.voltage) << i;
    for (int i = 7; i < 13; ++i) EXPECT_EQ((*texts)[i], "7E80") << i;
  }
  EXPECT_EQ(HexText(0), "0");
  EXPECT_EQ(HexText(0x0C6A), "C6A");
}

}  // namespace
}  // namespace corvid::calibration
