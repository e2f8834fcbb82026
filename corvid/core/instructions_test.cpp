#include "corvid/core/instructions.h"

#include <gtest/gtest.h>

namespace corvid::calibration {
namespace {

// Numbers in their shortest form (a Single as held: 26.12f is 26.1200008392334 in
// double, still written 26.12), and the messages of the stops the procedure tests do
// not reach.
TEST(InstructionsTest, NumbersAndMessages) {
  EXPECT_EQ(ShortestText(48.0f) + " " + ShortestText(26.12f) + " " + ShortestText(110.1f),
            "48 26.12 110.1");
  EXPECT_NE(StepInstructions(CalMode::kVoltage, 6, 220.5f, "").label.find("supply to 220.5 volts"),
            std::string::npos);
  EXPECT_EQ(VoltageOutOfRangeMessage(5, 99.5, 110.0f),
            (Message{"Voltage Calibration Error",
                     "The Channel 2 Green input voltage is reporting 99.5 Volts, too far from 110 "
                     "Volts to calibrate. Calibration cannot continue."}));
}

}  // namespace
}  // namespace corvid::calibration
