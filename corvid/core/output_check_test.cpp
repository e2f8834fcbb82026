#include "corvid/core/output_check.h"

#include <gtest/gtest.h>

namespace corvid::monitor {
namespace {

// Mains 100 V: voltage band 98-102; 50 ohm: current band 0.98-1.02 x V * 20 mA. 0.98 x
// 120 is not exact in binary; without a resistor the currents are not judged.
TEST(JudgeOutputTest, BandEdgesPass) {
  // Volts, mA, mains, resistor, then the boxes shown ("Voltage Low" for "Output Voltage
  // Low Error").
  using C = std::tuple<double, double, double, double, std::string>;
  for (const auto& [volts, amps, mains, resistor, boxes] :
       {C{98, 1960, 100, 50, ""}, C{102, 2040, 100, 50, ""}, C{97.9, 1958, 100, 50, "Voltage Low"},
        C{102.1, 2042, 100, 50, "Voltage High"}, C{100, 1959, 100, 50, "Current Low"},
        C{100, 2041, 100, 50, "Current High"}, C{117.6, 2352, 120, 50, ""},
        C{122.4, 2448, 120, 50, ""}, C{50, 5000, 100, 50, "Voltage Low, Current High"},
        C{97, 1, 100, 0, "Voltage Low"}, C{97, 1, 100, -5, "Voltage Low"}}) {
    const OutputVerdict v = JudgeOutput(0, volts, amps, mains, resistor);
    std::string shown;
    for (const auto& m : v.messages) {
      ASSERT_TRUE(m.title.starts_with("Output ") && m.title.ends_with(" Error")) << m.title;
      shown += (shown.empty() ? "" : ", ") + m.title.substr(7, m.title.size() - 13);
    }
    EXPECT_FALSE(v.stop);
    EXPECT_EQ(shown, boxes) << volts << " V " << amps << " mA";
  }
  EXPECT_EQ(ShortestDecimal(120), "120");
}

}  // namespace
}  // namespace corvid::monitor
