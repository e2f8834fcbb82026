#include "corvid/monitor/output_check.h"

#include <gtest/gtest.h>

namespace corvid::monitor {
namespace {

TEST(ShortestDecimalTest, Forms) {
  EXPECT_EQ(ShortestDecimal(118.5), "118.5");
  EXPECT_EQ(ShortestDecimal(120), "120");
  EXPECT_EQ(ShortestDecimal(24), "24");
  EXPECT_EQ(ShortestDecimal(97.9), "97.9");
}

TEST(JudgeOutputTest, ZeroReadingsStop) {
  OutputVerdict v = JudgeOutput(2, 0, 0, 120, 50);
  EXPECT_TRUE(v.stop);
  ASSERT_EQ(v.messages.size(), 1u);
  EXPECT_EQ(v.messages[0].title, "Output Current Error");
  EXPECT_EQ(v.messages[0].text, "The Channel 1 Green input voltage is reporting 0 Volts.");

  v = JudgeOutput(4, 120, 0, 120, 50);
  EXPECT_TRUE(v.stop);
  ASSERT_EQ(v.messages.size(), 1u);
  EXPECT_EQ(v.messages[0].title, "Output Current Error");
  EXPECT_EQ(v.messages[0].text, "The Channel 2 Yellow input current is reporting 0 mAmps.");
}

TEST(JudgeOutputTest, BandEdgesPass) {
  struct Case {
    double volts, amps, mains, resistor;
    std::vector<std::string> titles;
  };
  // mains 100 V: voltage band 98-102; resistor 50 ohm: current band 0.98-1.02 x V*20.
  const std::vector<Case> cases = {
      {100, 2000, 100, 50, {}},
      {98, 1960, 100, 50, {}},
      {102, 2040, 100, 50, {}},
      {97.9, 1958, 100, 50, {"Output Voltage Low Error"}},
      {102.1, 2042, 100, 50, {"Output Voltage High Error"}},
      {100, 1960, 100, 50, {}},
      {100, 1959, 100, 50, {"Output Current Low Error"}},
      {100, 2040, 100, 50, {}},
      {100, 2041, 100, 50, {"Output Current High Error"}},
      {120.3, 2187, 122, 55.01, {}},  // odd values inside the bands
      {117.6, 2352, 120, 50, {}},       // 0.98 x 120 exactly
      {122.4, 2448, 120, 50, {}},       // 1.02 x 120 exactly
      {50, 5000, 100, 50, {"Output Voltage Low Error", "Output Current High Error"}},
      {150, 10, 100, 50, {"Output Voltage High Error", "Output Current Low Error"}},
  };
  for (const Case& c : cases) {
    const OutputVerdict v = JudgeOutput(0, c.volts, c.amps, c.mains, c.resistor);
    EXPECT_FALSE(v.stop);
    std::vector<std::string> titles;
    for (const auto& m : v.messages) titles.push_back(m.title);
    EXPECT_EQ(titles, c.titles) << c.volts << " V " << c.amps << " mA";
  }
}

TEST(JudgeOutputTest, MessageTexts) {
  const OutputVerdict v = JudgeOutput(5, 118.5, 24, 130, 50);
  ASSERT_EQ(v.messages.size(), 2u);
  EXPECT_EQ(v.messages[0].text, "The Channel 2 Green input voltage is reporting 118.5 Volts.");
  EXPECT_EQ(v.messages[1].text, "The Channel 2 Green output current is reporting 24 mA.");
}

TEST(JudgeOutputTest, ZeroResistorSkipsCurrentBands) {
  for (double resistor : {0.0, -5.0}) {
    const OutputVerdict v = JudgeOutput(1, 97, 1, 100, resistor);
    EXPECT_FALSE(v.stop);
    ASSERT_EQ(v.messages.size(), 1u);  // the voltage is still judged
    EXPECT_EQ(v.messages[0].title, "Output Voltage Low Error");
  }
}

}  // namespace
}  // namespace corvid::monitor
