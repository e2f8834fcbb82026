#include "corvid/calibration/instructions.h"

#include <gtest/gtest.h>

namespace corvid::calibration {
namespace {

TEST(InstructionsTest, VoltageStepReplacesTheLabel) {
  const Instructions lv = StartInstruct(CalMode::kVoltage, 2, 48.0f, "Instructions");
  EXPECT_EQ(lv.label,
            "(1) Set all Input Control switches to ON.\r\n"
            "(2) Set VCAL switches to VCAL position.\r\n"
            "(3) Set ICAL switches to NORMAL position.\r\n"
            "(4) Set Signal power supply to 48 volts.\r\n"
            "(5) Click Start to continue.\r\n");
  EXPECT_TRUE(lv.start_enabled);
  EXPECT_NE(StartInstruct(CalMode::kVoltage, 6, 220.0f, "")
                .label.find("\r\n(4) Set Signal power supply to 220 volts.\r\n(5)"),
            std::string::npos);
}

TEST(InstructionsTest, CurrentStepIsAppended) {
  const Instructions hv =
      StartInstruct(CalMode::kCurrent, 4, 110.0f, "Voltage Calibration Completed\r\n\r\n");
  EXPECT_EQ(hv.label,
            "Voltage Calibration Completed\r\n\r\n"
            "(1) Change VCAL switches to NORMAL position.\r\n"
            "(2) Set ICAL switches to ICAL position.\r\n"
            "(3) Set all Input Control switches to ON.\r\n"
            "(4) Set Signal power supply to 110 volts.\r\n"
            "(5) Click Start to continue.\r\n");
  EXPECT_TRUE(hv.start_enabled);
}

TEST(InstructionsTest, UnknownDeviceTypeLeavesOnlyTheErrorAndNoStart) {
  for (CalMode mode : {CalMode::kVoltage, CalMode::kCurrent}) {
    for (int device_type : {0, 7, 255}) {
      const Instructions i = StartInstruct(mode, device_type, 48.0f, "earlier text\r\n");
      EXPECT_EQ(i.label, "ERROR: Unknown Device Type");
      EXPECT_FALSE(i.start_enabled);
    }
  }
}

TEST(InstructionsTest, SinglesInTheirShortestForm) {
  struct Case {
    float value;
    const char* text;
  };
  for (const Case& c : {Case{48.0f, "48"}, Case{110.0f, "110"}, Case{26.12f, "26.12"},
                        Case{110.1f, "110.1"}, Case{0.0f, "0"}, Case{-5.0f, "-5"}})
    EXPECT_EQ(ShortestText(c.value), c.text);
  EXPECT_EQ(ReadingText(47.5), "47.5");
  EXPECT_EQ(ReadingText(1837.0), "1837");
}

TEST(InstructionsTest, ProgressAndReportLines) {
  std::string label = kVoltageProgress;
  for (int i = 0; i < 6; ++i) label += OutputProgress(i);
  label += kVoltageDone;
  label += kCurrentProgress;
  for (int i = 0; i < 6; ++i) label += OutputProgress(i);
  label += kCurrentDone;
  EXPECT_EQ(label + ReportText(true),
            "Calibrating Voltage... Input: P 1 2 3 4 5 6\r\n"
            "Voltage Calibration Completed\r\n\r\n\r\n"
            "Calibrating Current... Output: 1 2 3 4 5 6\r\n"
            "Current Calibration Completed\r\n\r\n"
            "Calibration Completed\r\n");
  EXPECT_EQ(ReportText(false), "\r\nCalibration Not Completed\r\n");
}

TEST(InstructionsTest, MessagesThatStopAStep) {
  struct Case {
    Message message;
    const char* title;
    const char* text;
  };
  for (const Case& c : {
           Case{MainsZeroMessage(), "Voltage Calibration Error",
                "The Mains voltage is reporting 0 Volts. Calibration cannot continue."},
           Case{VoltageZeroMessage(CalMode::kVoltage, 0), "Voltage Calibration Error",
                "The Channel 1 Red input voltage is reporting 0 Volts. Calibration cannot "
                "continue."},
           Case{VoltageZeroMessage(CalMode::kCurrent, 4), "Current Calibration Error",
                "The Channel 2 Yellow input voltage is reporting 0 Volts. Calibration cannot "
                "continue."},
           Case{CurrentZeroMessage(2), "Current Calibration Error",
                "The Channel 1 Green input current is reporting 0 mAmps. Calibration cannot "
                "continue."},
           Case{MainsOutOfRangeMessage(100, 110.0f), "Voltage Calibration Error",
                "The Mains voltage is reporting 100 Volts, too far from 110 Volts to "
                "calibrate. Calibration cannot continue."},
           Case{VoltageOutOfRangeMessage(5, 99.5, 110.0f), "Voltage Calibration Error",
                "The Channel 2 Green input voltage is reporting 99.5 Volts, too far from 110 "
                "Volts to calibrate. Calibration cannot continue."},
           Case{CurrentOutOfRangeMessage(1, 1, 1837.67), "Current Calibration Error",
                "The Channel 1 Yellow input current is reporting 1 mAmps, too far from the "
                "expected 1838 mAmps to calibrate. Calibration cannot continue."},
           Case{ResistorSettingMessage(0.0f), "Calibrate Error",
                "The Calibrate Current Resistor setting is 0 Ohms. Correct it under "
                "Calibration Settings. Calibration cannot continue."},
           Case{VoltageSettingMessage(0.0f), "Calibrate Error",
                "The Calibrate Signal Voltage setting is 0 Vrms. Correct it under "
                "Calibration Settings. Calibration cannot continue."},
       }) {
    EXPECT_EQ(c.message.title, c.title);
    EXPECT_EQ(c.message.text, c.text);
  }
}

}  // namespace
}  // namespace corvid::calibration
