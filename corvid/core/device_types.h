// What Corvid knows of each device type the identification can report: one row per
// type, read by the status bar, About Vanta Device, the calibration settings and the
// calibration arithmetic.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvid {

inline constexpr std::uint16_t kHighVoltageFactorBase = 0xED09;  // 60681: HV and VHV
inline constexpr std::uint16_t kLowVoltageFactorBase = 0x4F70;   // 20336: LV

// Index of a family in the calibration settings: LV, HV, VHV.
inline constexpr int kLowVoltageFamily = 0;
inline constexpr int kHighVoltageFamily = 1;
inline constexpr int kVeryHighVoltageFamily = 2;

struct DeviceType {
  int code = 0;  // as the identification reports it
  int family = -1;
  std::string_view name;         // the status bar's "Device Type = ..."
  std::string_view description;  // About Vanta Device
  std::uint16_t voltage_factor_base = 0;
};

// The known type of a code; null for any other.
const DeviceType* FindDeviceType(int code);

// Family of a device type: 0 LV (2, 5), 1 HV (1, 4), 2 VHV (3, 6), -1 unknown.
int DeviceFamily(int device_type);

}  // namespace corvid
