#include "corvid/core/calibration_math.h"

#include <gtest/gtest.h>

#include <limits>

namespace corvid::calibration {
namespace {

using Factor = std::optional<std::uint16_t>;

TEST(CalibrationMathTest, FactorValuesRoundHalfToEvenAndMustFitSixteenBits) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<double, Factor> cases[] = {{0.5, 0},      {1.5, 2},  {65535.4, 0xFFFF},
                                             {65535.5, {}}, {-0.4, 0}, {-0.6, {}},
                                             {nan, {}},     {inf, {}}};
  for (const auto& [x, factor] : cases) EXPECT_EQ(FactorFromValue(x), factor) << x;
}

TEST(CalibrationMathTest, VoltageFactorIsTargetOverReadingTimesBase) {
  const std::tuple<float, double, std::uint16_t, Factor> cases[] = {
      {48, 47.5, 20336, 0x5046},   // 20550.06
      {110, 110, 60681, 0xED09},   // reads true: the base again
      {220, 230, 60681, 0xE2BB},   // 58042.70
      {48, 102.4, 20336, 0x253C},  // 9532.5, a tie down to even
      {48, 307.2, 20336, 0x0C6A},  // 3177.5, a tie up to even
      {110, 100, 60681, {}},       // 66749.1: does not fit
      {48, 0, 20336, {}},          // no reading
      {48, -47.5, 20336, {}}};
  for (const auto& [cal_voltage, reading, base, factor] : cases)
    EXPECT_EQ(VoltageFactor(cal_voltage, reading, base), factor) << cal_voltage << " / " << reading;
}

TEST(CalibrationMathTest, CurrentFactorIsTheMidpointOfBaseAndCorrection) {
  const std::tuple<double, double, float, std::optional<double>, Factor> cases[] = {
      {100, 2000, 50, 32384, 0x7E80},     // exactly the expected current
      {100, 900, 100, 35982, 0x8587},     // 10 % low: midpoint 34183
      {48, 1838, 26.12f, 32378, 0x7E7D},  // 32381
      {48, 1700, 26.12f, 35007, 0x83A0},  // 33695.5, a tie up to even
      {48, 1783, 26.12f, 33377, 0x8070},  // 32880.5, a tie down to even
      // 30440.4999 with the Single 26.1200008; 26.12 in double would give 30441.
      {48, 1955, 26.12f, 30440, 0x7AB4},
      {48, 1, 26.12f, 59511177, {}},  // the midpoint does not fit
      {48, 0, 26.12f, {}, {}},
      {48, 1838, 0.0f, {}, {}}};  // no resistor: no division
  for (const auto& [volts, milliamps, resistor, n, factor] : cases) {
    SCOPED_TRACE(testing::Message() << volts << " V, " << milliamps << " mA, " << resistor);
    EXPECT_EQ(CurrentCorrection(volts, milliamps, resistor, 32384), n);
    EXPECT_EQ(CurrentFactor(volts, milliamps, resistor, 32384), factor);
  }
}

// Voltages pass within 2 %, currents within 3 % of what is expected.
TEST(CalibrationMathTest, BandEdgesPass) {
  const std::tuple<float, double, bool> volts[] = {
      {49, 50, true}, {51, 50, true}, {49, 50.1, false}, {51, 49.9, false}, {48, 0, false}};
  for (const auto& [cal_voltage, reading, passes] : volts)
    EXPECT_EQ(VoltageReadingPasses(cal_voltage, reading), passes) << cal_voltage << "/" << reading;
  // 261.9 V, 2700 mA is exactly 0.97, but 0.9699999999999999 in binary.
  const std::tuple<double, double, float, bool> amps[] = {
      {97, 1000, 100, true},    {103, 1000, 100, true},    {261.9, 2700, 100, true},
      {96.9, 1000, 100, false}, {103.1, 1000, 100, false}, {100, 1000, 0.0f, false}};
  for (const auto& [v, milliamps, resistor, passes] : amps)
    EXPECT_EQ(CurrentReadingPasses(v, milliamps, resistor), passes) << v << " V";
}

}  // namespace
}  // namespace corvid::calibration
