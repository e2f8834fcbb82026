#include "corvid/core/link_settings.h"

namespace corvid {

std::optional<float> CalibrationSettings::VoltageFor(int device_type) const {
  const float* family[] = {&lv_voltage, &hv_voltage, &vhv_voltage};
  const int f = DeviceFamily(device_type);
  return f < 0 ? std::nullopt : std::optional(*family[f]);
}

std::optional<float> CalibrationSettings::ResistorFor(int device_type) const {
  const float* family[] = {&lv_resistor, &hv_resistor, &vhv_resistor};
  const int f = DeviceFamily(device_type);
  return f < 0 ? std::nullopt : std::optional(*family[f]);
}

}  // namespace corvid
