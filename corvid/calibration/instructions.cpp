#include "corvid/calibration/instructions.h"

#include <charconv>
#include <cmath>

#include "corvid/calibration/calibration_math.h"

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

Instructions StartInstruct(CalMode mode, int device_type, float cal_voltage,
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
