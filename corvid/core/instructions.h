// What the calibration window says: the numbered instructions of each step, the
// progress and report lines, and the texts of the boxes that stop a step.
#pragma once

#include <string>
#include <string_view>

#include "corvid/core/message.h"
#include "corvid/core/output_check.h"

namespace corvid::calibration {

// CalMode: which step the calibration window prepares and performs.
enum class CalMode { kVoltage = 1, kCurrent = 2 };

inline constexpr char kUnknownDeviceType[] = "ERROR: Unknown Device Type";
inline constexpr char kCalibrateErrorTitle[] = "Calibrate Error";
inline constexpr char kVoltageErrorTitle[] = "Voltage Calibration Error";
inline constexpr char kCurrentErrorTitle[] = "Current Calibration Error";

using monitor::OutputName;  // "1 Red" ... "2 Green" for outputs 0-5

// The shortest decimal text that reads back as the same Single: 48, 26.12, 110.1.
std::string ShortestText(float value);
// The shortest decimal text of a reading: 47.5, 120, 1837.
std::string ReadingText(double value);

struct Instructions {
  std::string label;          // the whole instructions text afterwards
  bool start_enabled = true;  // the Start button; stays off for an unknown device type
};
// StepInstructions(mode): the voltage step's lines replace the label, the current step's
// are appended to it. cal_voltage is the family's signal voltage.
Instructions StepInstructions(CalMode mode, int device_type, float cal_voltage,
                              std::string_view label);

// Progress lines, in the order they reach the label.
inline constexpr char kVoltageProgress[] = "Calibrating Voltage... Input: P";
inline constexpr char kVoltageDone[] = "\r\nVoltage Calibration Completed\r\n\r\n";
inline constexpr char kCurrentProgress[] = "\r\nCalibrating Current... Output:";
inline constexpr char kCurrentDone[] = "\r\nCurrent Calibration Completed\r\n";
// " " + (output + 1), appended as each output is taken.
std::string OutputProgress(int output);
// The last lines of a full calibration.
std::string ReportText(bool passed);
// A line of a failed check's report for each reading outside its band: what it read,
// its target and how far off it is. output -1 is the mains input.
std::string VoltageOffLine(int output, double reading, float cal_voltage);
std::string CurrentOffLine(int output, double volts, double milliamps, float cal_resistor);

// Opening the Calibrate menu with a device type outside 1-6.
Message UnknownDeviceTypeMessage();

// A zero reading stops the step.
Message MainsZeroMessage();
Message VoltageZeroMessage(CalMode mode, int output);  // title by the step
Message CurrentZeroMessage(int output);
// A factor that does not fit in 16 bits stops the step instead of sending its low bits.
Message MainsOutOfRangeMessage(double reading, float cal_voltage);
Message VoltageOutOfRangeMessage(int output, double reading, float cal_voltage);
Message CurrentOutOfRangeMessage(int output, double milliamps, double expected_milliamps);
// The device does not answer: a run does not start, or stops where it is (the outputs
// are disabled again and polling resumes).
Message NotRespondingMessage();
Message StoppedAnsweringMessage(bool sending_factors);
// A signal voltage or resistor setting that is not positive stops the calibration
// before anything is sent.
Message VoltageSettingMessage(float cal_voltage);
Message ResistorSettingMessage(float cal_resistor);

}  // namespace corvid::calibration
