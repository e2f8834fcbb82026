#include "corvid/core/calibration_math.h"

#include <algorithm>
#include <cmath>

namespace corvid::calibration {
namespace {

// Readings are decimal texts and the limits are decimal fractions; a quotient taken in
// binary can miss an exact edge by an ulp, and an edge must pass.
double Slack(double limit) { return 1e-9 * std::max(1.0, std::fabs(limit)); }

}  // namespace

std::optional<std::uint16_t> VoltageFactorBaseFor(int device_type) {
  const DeviceType* type = FindDeviceType(device_type);
  return type ? std::optional(type->voltage_factor_base) : std::nullopt;
}

std::optional<WorkingValues> ChooseWorkingValues(int device_type, float cal_voltage,
                                                 float cal_resistor) {
  const auto base = VoltageFactorBaseFor(device_type);
  if (!base) return std::nullopt;
  return WorkingValues{cal_voltage, cal_resistor, *base, kCurrentFactorBase};
}

bool SettingUsable(float value) { return std::isfinite(value) && value > 0; }

std::optional<std::uint16_t> FactorFromValue(double x) {
  if (!std::isfinite(x)) return std::nullopt;
  const double whole = std::nearbyint(x);  // the default rounding mode: ties to even
  if (whole < 0 || whole > 0xFFFF) return std::nullopt;
  return static_cast<std::uint16_t>(whole);
}

std::optional<std::uint16_t> VoltageFactor(float cal_voltage, double reading, std::uint16_t base) {
  if (!(reading > 0)) return std::nullopt;
  return FactorFromValue(static_cast<double>(cal_voltage) / reading * base);
}

std::optional<double> CurrentCorrection(double volts, double milliamps, float resistor,
                                        std::uint16_t base) {
  if (!SettingUsable(resistor) || !(milliamps > 0)) return std::nullopt;
  const double n = volts * 1000 / static_cast<double>(resistor) / milliamps * base;
  if (!std::isfinite(n)) return std::nullopt;
  return std::nearbyint(n);
}

std::optional<std::uint16_t> CurrentFactor(double volts, double milliamps, float resistor,
                                           std::uint16_t base) {
  const auto n = CurrentCorrection(volts, milliamps, resistor, base);
  if (!n) return std::nullopt;
  return FactorFromValue((base + *n) / 2);
}

std::optional<double> ExpectedMilliamps(double volts, float resistor) {
  if (!SettingUsable(resistor)) return std::nullopt;
  return volts * 1000 / static_cast<double>(resistor);
}

bool InBand(double ratio, double low, double high) {
  return ratio >= low - Slack(low) && ratio <= high + Slack(high);
}

bool VoltageReadingPasses(float cal_voltage, double reading) {
  if (reading == 0) return false;
  return InBand(static_cast<double>(cal_voltage) / reading, kVoltageBandLow, kVoltageBandHigh);
}

bool CurrentReadingPasses(double volts, double milliamps, float resistor) {
  if (volts == 0 || milliamps == 0) return false;
  const auto expected = ExpectedMilliamps(volts, resistor);
  return expected && InBand(*expected / milliamps, kCurrentBandLow, kCurrentBandHigh);
}

Readings AsShown(const std::optional<monitor::StatusReading>& status) {
  Readings readings;
  if (!status) return readings;
  readings.mains = status->mains / 10.0;
  for (int i = 0; i < kOutputs; ++i) {
    readings.volts[i] = status->volts[i] / 10.0;
    readings.amps[i] = status->amps[i];
  }
  return readings;
}

}  // namespace corvid::calibration
