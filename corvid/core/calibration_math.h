// The arithmetic of the guided calibration: working values by device type, the factors
// computed from the device's own readings, and the checks of the result. Every product
// and quotient is taken in double from the Single settings as they are held.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "corvid/core/device_types.h"
#include "corvid/core/response_decoders.h"

namespace corvid::calibration {

using monitor::kOutputs;
// Factor order on the wire and in the factors window: the six channel voltages, the
// signal power voltage, the six channel currents.
inline constexpr int kFactorCount = 13;
inline constexpr int kSignalPowerIndex = 6;
inline constexpr int kFirstCurrentIndex = 7;
using FactorSet = std::array<std::uint16_t, kFactorCount>;

inline constexpr std::uint16_t kCurrentFactorBase = 0x7E80;  // 32384: every type

// A reading of a calibrated device must come within these of its target; edges pass.
inline constexpr double kVoltageBandLow = 0.98;
inline constexpr double kVoltageBandHigh = 1.02;
inline constexpr double kCurrentBandLow = 0.97;
inline constexpr double kCurrentBandHigh = 1.03;

// The voltage factor base of a device type (1-6); nullopt for any other.
std::optional<std::uint16_t> VoltageFactorBaseFor(int device_type);

// What the guided calibration works with, fixed when the Calibrate menu opens.
struct WorkingValues {
  float cal_voltage = 0;   // Vrms the technician applies
  float cal_resistor = 0;  // ohms of the load for the current step
  std::uint16_t voltage_factor_base = 0;
  std::uint16_t current_factor_base = kCurrentFactorBase;
  bool operator==(const WorkingValues&) const = default;
};
// cal_voltage and cal_resistor are the settings of the device's family (LV, HV or VHV);
// nullopt for a device type outside 1-6 ("ERROR: Unknown Device Type").
std::optional<WorkingValues> ChooseWorkingValues(int device_type, float cal_voltage,
                                                 float cal_resistor);
// The settings can hold 0 (an empty box) or a negative number; neither can calibrate.
bool SettingUsable(float value);

// The value a factor box gets: x rounded to the nearest whole number, a tie to the even
// one. nullopt when that does not fit in 16 bits: only its low bits would reach the device.
std::optional<std::uint16_t> FactorFromValue(double x);

// cal_voltage / reading * base. nullopt for a reading that is not positive or a factor
// that does not fit.
std::optional<std::uint16_t> VoltageFactor(float cal_voltage, double reading, std::uint16_t base);

// n = volts * 1000 / resistor / milliamps * base, rounded: the base scaled by expected
// over measured current. nullopt when a divisor is not positive.
std::optional<double> CurrentCorrection(double volts, double milliamps, float resistor,
                                        std::uint16_t base);
// The midpoint (base + n) / 2 as a factor. nullopt as above, or when it does not fit.
std::optional<std::uint16_t> CurrentFactor(double volts, double milliamps, float resistor,
                                           std::uint16_t base);

// Expected milliamps through the resistor at the given volts; nullopt without a usable
// resistor.
std::optional<double> ExpectedMilliamps(double volts, float resistor);

// ratio within [low, high], edges included.
bool InBand(double ratio, double low, double high);
// cal_voltage / reading within the voltage band; a zero reading fails.
bool VoltageReadingPasses(float cal_voltage, double reading);
// Expected over measured current within the current band; zero readings fail.
bool CurrentReadingPasses(double volts, double milliamps, float resistor);

// What the main window shows after a status poll: volts, and milliamps for currents.
struct Readings {
  double mains = 0;
  std::array<double, kOutputs> volts{};
  std::array<double, kOutputs> amps{};
  bool operator==(const Readings&) const = default;
};
// The last good status as the window shows it (tenths of volts, whole milliamps);
// zeros before the first.
Readings AsShown(const std::optional<monitor::StatusReading>& status);

}  // namespace corvid::calibration
