#include "corvid/calibration/factor_texts.h"

#include <gtest/gtest.h>

#include "common/bytes.h"
#include "corvid/monitor/commands.h"

namespace corvid::calibration {
namespace {

TEST(FactorTextsTest, HexTextIsUpperCaseWithoutLeadingZeros) {
  struct Case {
    std::uint16_t value;
    const char* text;
  };
  for (const Case& c : {Case{0, "0"}, Case{0x0C6A, "C6A"}, Case{0x4F70, "4F70"},
                        Case{0xED09, "ED09"}, Case{0xFFFF, "FFFF"}})
    EXPECT_EQ(HexText(c.value), c.text);
}

TEST(FactorTextsTest, BoxTextGivesItsLeadingHexDigitsLowSixteenBits) {
  struct Case {
    const char* text;
    std::uint16_t factor;
  };
  for (const Case& c : {
           Case{"ED09", 0xED09},
           Case{"ed09", 0xED09},
           Case{"1ED09", 0xED09},
           Case{"7e80", 0x7E80},
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
  // Channel voltages (typed in any case, one with a fifth digit), signal power,
  // channel currents.
  const FactorTexts texts{"ed09", "1ED09", "ED09", "5046", "4f70", "0", "FFFF",
                          "7E80", "8587",  "78c0", "1",    "7E7D", "10"};
  const auto factors = FactorsFromTexts(texts);
  ASSERT_TRUE(factors);
  EXPECT_EQ(monitor::BuildCalibrationCommand(*factors),
            (common::Bytes{0x7C, 0x09, 0xED, 0x09, 0xED, 0x09, 0xED, 0x46, 0x50,
                           0x70, 0x4F, 0x00, 0x00, 0xFF, 0xFF, 0x80, 0x7E, 0x87,
                           0x85, 0xC0, 0x78, 0x01, 0x00, 0x7D, 0x7E, 0x10, 0x00}));
}

TEST(FactorTextsTest, AnEmptyBoxSendsNothing) {
  const FactorTexts full = *DefaultFactorTexts(2);
  for (int i = 0; i < kFactorCount; ++i) {
    FactorTexts texts = full;
    texts[i].clear();
    EXPECT_EQ(FactorsFromTexts(texts), std::nullopt) << "box " << i;
  }
  // Any text at all is a factor; only emptiness refuses.
  FactorTexts texts = full;
  texts[3] = " ";
  ASSERT_TRUE(FactorsFromTexts(texts));
  EXPECT_EQ((*FactorsFromTexts(texts))[3], 0);
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
  EXPECT_EQ(DefaultFactors(5), (FactorSet{0x4F70, 0x4F70, 0x4F70, 0x4F70, 0x4F70, 0x4F70, 0x4F70,
                                          0x7E80, 0x7E80, 0x7E80, 0x7E80, 0x7E80, 0x7E80}));
}

}  // namespace
}  // namespace corvid::calibration
