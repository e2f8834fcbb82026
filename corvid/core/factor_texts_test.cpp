#include "corvid/core/factor_texts.h"

#include <gtest/gtest.h>

#include "common/core/bytes.h"
#include "corvid/core/commands.h"

namespace corvid::calibration {
namespace {

TEST(FactorTextsTest, BoxTextIsOneToFourHexDigitsOrRefused) {
  struct Case {
    const char* text;
    std::optional<std::uint16_t> factor;
  };
  for (const Case& c : {
           Case{"ED09", 0xED09},
           Case{"ed09", 0xED09},
           Case{"0x4F70", 0x4F70},
           Case{"0X1", 1},
           Case{"0", 0},
           // Nothing the technician did not type reaches the device.
           Case{"1ED09", std::nullopt},
           Case{"4F7O", std::nullopt},  // letter O
           Case{"zz", std::nullopt},
           Case{"0x", std::nullopt},
           Case{"", std::nullopt},
           Case{"4F70 ", std::nullopt},
           Case{"-1", std::nullopt},
           Case{"0x0x1", std::nullopt},
       }) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FactorFromText(c.text), c.factor);
  }
}

TEST(FactorTextsTest, SetSendsThirteenFactorsLowByteFirstInBoxOrder) {
  // Channel voltages, signal power, channel currents; typed in any case.
  const FactorTexts texts{"ed09", "0xED09", "ED09", "5046", "4f70", "0", "FFFF",
                          "7E80", "8587",   "78c0", "1",    "7E7D", "10"};
  const auto factors = FactorsFromTexts(texts);
  ASSERT_TRUE(factors);
  EXPECT_EQ(monitor::BuildCalibrationCommand(*factors),
            (common::Bytes{0x7C, 0x09, 0xED, 0x09, 0xED, 0x09, 0xED, 0x46, 0x50,
                           0x70, 0x4F, 0x00, 0x00, 0xFF, 0xFF, 0x80, 0x7E, 0x87,
                           0x85, 0xC0, 0x78, 0x01, 0x00, 0x7D, 0x7E, 0x10, 0x00}));
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
  EXPECT_EQ(NullFactorMessage(), (Message{"Calibrate", "Null Calibration Factor"}));
  EXPECT_EQ(BadFactorMessage(kSignalPowerIndex, "4F7O").text,
            "The Signal Power factor \"4F7O\" is not a calibration factor. Enter 1 to 4 "
            "hexadecimal digits (0-9, A-F), for example 4F70. Nothing was sent.");
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
}

}  // namespace
}  // namespace corvid::calibration
