#include "corvid/core/calibration_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace corvid::calibration {
namespace {

TEST(CalibrationMathTest, WorkingValuesFollowTheDeviceType) {
  struct Case {
    int device_type;
    std::optional<std::uint16_t> base;
  };
  for (const Case& c :
       {Case{1, 60681}, Case{2, 20336}, Case{3, 60681}, Case{4, 60681}, Case{5, 20336},
        Case{6, 60681}, Case{0, std::nullopt}, Case{7, std::nullopt}, Case{-1, std::nullopt}}) {
    SCOPED_TRACE(c.device_type);
    const auto values = ChooseWorkingValues(c.device_type, 48.0f, 26.12f);
    ASSERT_EQ(values.has_value(), c.base.has_value());
    if (!values) continue;
    EXPECT_EQ(*values, (WorkingValues{48.0f, 26.12f, *c.base, 32384}));
  }
}

TEST(CalibrationMathTest, FactorValuesRoundHalfToEvenAndMustFitSixteenBits) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double x;
    std::optional<std::uint16_t> factor;
  };
  for (const Case& c : {Case{0.5, 0}, Case{1.5, 2}, Case{2.5, 2}, Case{65535.4, 0xFFFF},
                        Case{65535.5, std::nullopt}, Case{-0.4, 0}, Case{-0.6, std::nullopt},
                        Case{nan, std::nullopt}, Case{inf, std::nullopt}}) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(FactorFromValue(c.x), c.factor);
  }
}

TEST(CalibrationMathTest, VoltageFactorIsTargetOverReadingTimesBase) {
  struct Case {
    float cal_voltage;
    double reading;
    std::uint16_t base;
    std::optional<std::uint16_t> factor;
  };
  for (const Case& c : {
           Case{48, 47.5, 20336, 0x5046},        // 20550.06
           Case{110, 110, 60681, 0xED09},        // reads true: the base again
           Case{220, 230, 60681, 0xE2BB},        // 58042.70
           Case{48, 102.4, 20336, 0x253C},       // 9532.5, a tie down to even
           Case{48, 307.2, 20336, 0x0C6A},       // 3177.5, a tie up to even
           Case{110, 100, 60681, std::nullopt},  // 66749.1: does not fit
           Case{48, 0.1, 20336, std::nullopt},   // 9761280
           Case{48, 0, 20336, std::nullopt},     // no reading
           Case{48, -47.5, 20336, std::nullopt},
       }) {
    SCOPED_TRACE(testing::Message() << c.cal_voltage << " V over " << c.reading);
    EXPECT_EQ(VoltageFactor(c.cal_voltage, c.reading, c.base), c.factor);
  }
}

TEST(CalibrationMathTest, CurrentFactorIsTheMidpointOfBaseAndCorrection) {
  struct Case {
    double volts, milliamps;
    float resistor;
    std::optional<double> n;
    std::optional<std::uint16_t> factor;
  };
  for (const Case& c : {
           Case{100, 2000, 50, 32384, 0x7E80},     // exactly the expected current
           Case{100, 900, 100, 35982, 0x8587},     // 10 % low: midpoint 34183
           Case{100, 1100, 100, 29440, 0x78C0},    // 10 % high: midpoint 30912
           Case{48, 1838, 26.12f, 32378, 0x7E7D},  // 32381
           Case{48, 1700, 26.12f, 35007, 0x83A0},  // 33695.5, a tie up to even
           Case{48, 1783, 26.12f, 33377, 0x8070},  // 32880.5, a tie down to even
           // 30440.4999 with the Single 26.1200008; 26.12 in double would give 30441.
           Case{48, 1955, 26.12f, 30440, 0x7AB4},
           Case{48, 1, 26.12f, 59511177, std::nullopt},  // the midpoint does not fit
           Case{48, 0, 26.12f, std::nullopt, std::nullopt},
           Case{48, 1838, 0.0f, std::nullopt, std::nullopt},  // no resistor: no division
           Case{48, 1838, -26.12f, std::nullopt, std::nullopt},
       }) {
    SCOPED_TRACE(testing::Message()
                 << c.volts << " V, " << c.milliamps << " mA, " << c.resistor << " ohm");
    EXPECT_EQ(CurrentCorrection(c.volts, c.milliamps, c.resistor, 32384), c.n);
    EXPECT_EQ(CurrentFactor(c.volts, c.milliamps, c.resistor, 32384), c.factor);
  }
}

TEST(CalibrationMathTest, BandEdgesPass) {
  struct VoltageCase {
    float cal_voltage;
    double reading;
    bool passes;
  };
  for (const VoltageCase& c : {
           VoltageCase{49, 50, true},     // 0.98
           VoltageCase{51, 50, true},     // 1.02
           VoltageCase{49, 50.1, false},  // 0.978
           VoltageCase{51, 49.9, false},  // 1.022
           VoltageCase{48, 49, false},    // 0.9796
           VoltageCase{48, 47, false},    // 1.0213
           VoltageCase{48, 0, false},
       }) {
    SCOPED_TRACE(testing::Message() << c.cal_voltage << " V over " << c.reading);
    EXPECT_EQ(VoltageReadingPasses(c.cal_voltage, c.reading), c.passes);
  }
  struct CurrentCase {
    double volts, milliamps;
    float resistor;
    bool passes;
  };
  for (const CurrentCase& c : {
           CurrentCase{97, 1000, 100, true},   // 0.97
           CurrentCase{103, 1000, 100, true},  // 1.03
           // Exactly 0.97, but 0.9699999999999999 when divided in binary.
           CurrentCase{261.9, 2700, 100, true},
           CurrentCase{96.9, 1000, 100, false},  // 0.969
           CurrentCase{103.1, 1000, 100, false},
           CurrentCase{0, 1000, 100, false},
           CurrentCase{100, 1000, 0.0f, false},
       }) {
    SCOPED_TRACE(testing::Message() << c.volts << " V, " << c.milliamps << " mA");
    EXPECT_EQ(CurrentReadingPasses(c.volts, c.milliamps, c.resistor), c.passes);
  }
}

}  // namespace
}  // namespace corvid::calibration
