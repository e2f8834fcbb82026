#include "corvid/core/instructions.h"

#include <gtest/gtest.h>

namespace corvid::calibration {
namespace {

TEST(InstructionsTest, StepInstructionsExactly) {
  const Instructions voltage = StepInstructions(CalMode::kVoltage, 2, 48.0f, "Instructions");
  EXPECT_EQ(voltage.label,
            "(1) Set all Input Control switches to ON.\r\n"
            "(2) Set VCAL switches to VCAL position.\r\n"
            "(3) Set ICAL switches to NORMAL position.\r\n"
            "(4) Set Signal power supply to 48 volts.\r\n"
            "(5) Click Start to continue.\r\n");
  EXPECT_TRUE(voltage.start_enabled);
  // The current step's lines are appended: see the full run in procedure_test.cpp.
  EXPECT_TRUE(
      StepInstructions(CalMode::kCurrent, 4, 110.0f, "earlier\r\n")
          .label.starts_with("earlier\r\n(1) Change VCAL switches to NORMAL position.\r\n"));
  // An unknown device type leaves only the error, whatever the step, and no Start.
  for (CalMode mode : {CalMode::kVoltage, CalMode::kCurrent}) {
    for (int device_type : {0, 7, 255}) {
      const Instructions unknown = StepInstructions(mode, device_type, 48.0f, "earlier\r\n");
      EXPECT_EQ(unknown.label, "ERROR: Unknown Device Type");
      EXPECT_FALSE(unknown.start_enabled);
    }
  }
}

TEST(InstructionsTest, NumbersInTheirShortestForm) {
  struct Case {
    float value;
    const char* text;
  };
  // A Single as held: 26.12f is 26.1200008392334 in double, still written 26.12.
  for (const Case& c : {Case{48.0f, "48"}, Case{220.0f, "220"}, Case{26.12f, "26.12"},
                        Case{110.1f, "110.1"}, Case{-5.0f, "-5"}})
    EXPECT_EQ(ShortestText(c.value), c.text);
  EXPECT_NE(StepInstructions(CalMode::kVoltage, 6, 220.5f, "").label.find("supply to 220.5 volts"),
            std::string::npos);
}

// The messages of the stops the procedure tests do not reach.
TEST(InstructionsTest, Messages) {
  EXPECT_EQ(UnknownDeviceTypeMessage(), (Message{"Calibrate Error", "ERROR: Unknown Device Type"}));
  EXPECT_EQ(VoltageOutOfRangeMessage(5, 99.5, 110.0f),
            (Message{"Voltage Calibration Error",
                     "The Channel 2 Green input voltage is reporting 99.5 Volts, too far from 110 "
                     "Volts to calibrate. Calibration cannot continue."}));
  EXPECT_EQ(VoltageZeroMessage(CalMode::kVoltage, 4).text,
            "The Channel 2 Yellow input voltage is reporting 0 Volts. Calibration cannot "
            "continue.");
  EXPECT_EQ(ReportText(false), "\r\nCalibration Not Completed\r\n");
}

}  // namespace
}  // namespace corvid::calibration
