// Corvid's settings as values: slot address, port number and the six calibration
// settings, with their defaults and ranges. The store that keeps them is
// settings_store.h.
#pragma once

#include <optional>

#include "common/core/port_numbers.h"
#include "corvid/core/device_types.h"

namespace corvid {

inline constexpr char kApplicationName[] = "Corvid";
inline constexpr char kOrganisationName[] = "cabinet-tools";
inline constexpr char kLineSettings[] = "307200,n,8,1";
inline constexpr int kMinSlotAddress = 1;
inline constexpr int kMaxSlotAddress = 31;
using common::kMaxPortNumber;

// Signal voltage (Vrms) and load resistor (ohms) per device family.
struct CalibrationSettings {
  float lv_voltage = 48.0f;
  float lv_resistor = 26.12f;
  float hv_voltage = 110.0f;
  float hv_resistor = 55.01f;
  float vhv_voltage = 220.0f;
  float vhv_resistor = 110.1f;

  // The pair for a device type (1/4 HV, 2/5 LV, 3/6 VHV); nullopt for other types.
  std::optional<float> VoltageFor(int device_type) const;
  std::optional<float> ResistorFor(int device_type) const;
  bool operator==(const CalibrationSettings&) const = default;
};

struct LinkSettings {
  int SlotAddress = 1;
  int PortNumber = 1;
  CalibrationSettings cal;
};

}  // namespace corvid
