#include "corvid/core/instructions.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "corvid/core/calibration_math.h"

namespace corvid::calibration {
namespace {

template <typename T>
std::string Shortest(T value) {
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

std::string Channel(int output) { return "The Channel " + std::string(OutputName(output)); }

constexpr char kCannotContinue[] = " Calibration cannot continue.";

}  // namespace

std::string ShortestText(float value) { return Shortest(value); }
std::string ReadingText(double value) { return Shortest(value); }

Instructions StepInstructions(CalMode mode, int device_type, float cal_voltage,
                              std::string_view label) {
  if (!VoltageFactorBaseFor(device_type)) return {kUnknownDeviceType, false};
  const std::string supply =
      "(4) Set Signal power supply to " + ShortestText(cal_voltage) + " volts.\r\n";
  if (mode == CalMode::kVoltage) {
    return {
        "(1) Set all Input Control switches to ON.\r\n"
        "(2) Set VCAL switches to VCAL position.\r\n"
        "(3) Set ICAL switches to NORMAL position.\r\n" +
            supply + "(5) Click Start to continue.\r\n",
        true};
  }
  return {std::string(label) +
              "(1) Change VCAL switches to NORMAL position.\r\n"
              "(2) Set ICAL switches to ICAL position.\r\n"
              "(3) Set all Input Control switches to ON.\r\n" +
              supply + "(5) Click Start to continue.\r\n",
          true};
}

std::string OutputProgress(int output) { return " " + std::to_string(output + 1); }

std::string ReportText(bool passed) {
  return passed ? "\r\nCalibration Completed\r\n" : "\r\nCalibration Not Completed\r\n";
}

namespace {

// "4.6 % above 48 Volts": how far reading is from target, to a tenth of a percent.
std::string Off(double reading, double target, const std::string& target_text, const char* unit,
                double band) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%.1f %% %s %s %s (allowed %g %%)",
                std::abs(reading - target) / target * 100, reading > target ? "above" : "below",
                target_text.c_str(), unit, band * 100);
  return buffer;
}

}  // namespace

std::string VoltageOffLine(int output, double reading, float cal_voltage) {
  std::string line =
      output < 0 ? "Mains voltage: " : "Channel " + std::string(OutputName(output)) + " voltage: ";
  line += ReadingText(reading) + " Volts, ";
  line += reading == 0
              ? std::string("no reading")
              : Off(reading, cal_voltage, ShortestText(cal_voltage), "Volts", kVoltageBandHigh - 1);
  return line + "\r\n";
}

std::string CurrentOffLine(int output, double volts, double milliamps, float cal_resistor) {
  std::string line = "Channel " + std::string(OutputName(output)) + " current: ";
  const auto expected = ExpectedMilliamps(volts, cal_resistor);
  if (volts == 0 || !expected) return line + "not measured, the output reads 0 Volts\r\n";
  line += ReadingText(milliamps) + " mAmps, ";
  line += milliamps == 0 ? std::string("no reading")
                         : Off(milliamps, *expected, ReadingText(std::nearbyint(*expected)),
                               "mAmps expected", kCurrentBandHigh - 1);
  return line + "\r\n";
}

Message NotRespondingMessage() {
  return {kCalibrateErrorTitle,
          "The device is not responding: check the port, the cable and the slot address. "
          "Calibration cannot start."};
}

Message StoppedAnsweringMessage(bool sending_factors) {
  return {kCalibrateErrorTitle,
          std::string("The device stopped answering (no answer to ") +
              (sending_factors ? "the calibration factors sent" : "the status request") +
              "). Every output is disabled again and polling resumes; calibrate again once the "
              "device responds." +
              kCannotContinue};
}

Message UnknownDeviceTypeMessage() { return {kCalibrateErrorTitle, kUnknownDeviceType}; }

Message MainsZeroMessage() {
  return {kVoltageErrorTitle,
          "The Mains voltage is reporting 0 Volts. Calibration cannot continue."};
}

Message VoltageZeroMessage(CalMode mode, int output) {
  return {mode == CalMode::kVoltage ? kVoltageErrorTitle : kCurrentErrorTitle,
          Channel(output) + " input voltage is reporting 0 Volts." + kCannotContinue};
}

Message CurrentZeroMessage(int output) {
  return {kCurrentErrorTitle,
          Channel(output) + " input current is reporting 0 mAmps." + kCannotContinue};
}

Message MainsOutOfRangeMessage(double reading, float cal_voltage) {
  return {kVoltageErrorTitle, "The Mains voltage is reporting " + ReadingText(reading) +
                                  " Volts, too far from " + ShortestText(cal_voltage) +
                                  " Volts to calibrate." + kCannotContinue};
}

Message VoltageOutOfRangeMessage(int output, double reading, float cal_voltage) {
  return {kVoltageErrorTitle, Channel(output) + " input voltage is reporting " +
                                  ReadingText(reading) + " Volts, too far from " +
                                  ShortestText(cal_voltage) + " Volts to calibrate." +
                                  kCannotContinue};
}

Message CurrentOutOfRangeMessage(int output, double milliamps, double expected_milliamps) {
  return {kCurrentErrorTitle, Channel(output) + " input current is reporting " +
                                  ReadingText(milliamps) + " mAmps, too far from the expected " +
                                  ReadingText(std::nearbyint(expected_milliamps)) +
                                  " mAmps to calibrate." + kCannotContinue};
}

Message VoltageSettingMessage(float cal_voltage) {
  return {kCalibrateErrorTitle,
          "The Calibrate Signal Voltage setting is " + ShortestText(cal_voltage) +
              " Vrms. Correct it under Calibration Settings." + kCannotContinue};
}

Message ResistorSettingMessage(float cal_resistor) {
  return {kCalibrateErrorTitle,
          "The Calibrate Current Resistor setting is " + ShortestText(cal_resistor) +
              " Ohms. Correct it under Calibration Settings." + kCannotContinue};
}

}  // namespace corvid::calibration
