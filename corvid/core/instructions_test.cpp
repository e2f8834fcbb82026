#include "corvid/core/instructions.h"

#include <gtest/gtest.h>

namespace corvid::calibration {
namespace {

TEST(InstructionsTest, NumbersInTheirShortestForm) {
  struct Case {
    float value;
    const char* text;
  };
  // A Single as held: 26.12f is 26.1200008392334 in double, still written 26.12.
  for (const Case& c : {Case{48.0f, "48"}, Case{26.12f, "26.12"}, Case{110.1f, "110.1"}})
    EXPECT_EQ(ShortestText(c.value), c.text);
  EXPECT_NE(StepInstructions(CalMode::kVoltage, 6, 220.5f, "").label.find("supply to 220.5 volts"),
            std::string::npos);
}

// The messages of the stops the procedure tests do not reach.
TEST(InstructionsTest, Messages) {
  EXPECT_EQ(VoltageOutOfRangeMessage(5, 99.5, 110.0f),
            (Message{"Voltage Calibration Error",
                     "The Channel 2 Green input voltage is reporting 99.5 Volts, too far from 110 "
                     "Volts to calibrate. Calibration cannot continue."}));
}

}  // namespace
}  // namespace corvid::calibration
