#include "corvid/core/output_check.h"

#include <gtest/gtest.h>

namespace corvid::monitor {
namespace {

std::vector<std::string> Titles(const OutputVerdict& v) {
  std::vector<std::string> titles;
  for (const auto& m : v.messages) titles.push_back(m.title);
  return titles;
}

// Mains 100 V: voltage band 98-102; 50 ohm: current band 0.98-1.02 x V * 20 mA.
TEST(JudgeOutputTest, BandEdgesPass) {
  struct Case {
    double volts, amps, mains, resistor;
    std::vector<std::string> titles;
  };
  for (const Case& c : std::vector<Case>{
           {98, 1960, 100, 50, {}},
           {102, 2040, 100, 50, {}},
           {97.9, 1958, 100, 50, {"Output Voltage Low Error"}},
           {102.1, 2042, 100, 50, {"Output Voltage High Error"}},
           {100, 1959, 100, 50, {"Output Current Low Error"}},
           {100, 2041, 100, 50, {"Output Current High Error"}},
           {117.6, 2352, 120, 50, {}},  // 0.98 x 120, not exact in binary
           {122.4, 2448, 120, 50, {}},
           {50, 5000, 100, 50, {"Output Voltage Low Error", "Output Current High Error"}},
           {97, 1, 100, 0, {"Output Voltage Low Error"}},  // no resistor: currents not judged
           {97, 1, 100, -5, {"Output Voltage Low Error"}}}) {
    const OutputVerdict v = JudgeOutput(0, c.volts, c.amps, c.mains, c.resistor);
    EXPECT_FALSE(v.stop);
    EXPECT_EQ(Titles(v), c.titles) << c.volts << " V " << c.amps << " mA";
  }
  EXPECT_EQ(ShortestDecimal(120), "120");
}

}  // namespace
}  // namespace corvid::monitor
