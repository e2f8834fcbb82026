#include "corvid/core/link_settings.h"

namespace corvid {

int DeviceFamily(int device_type) {
  switch (device_type) {
    case 2:
    case 5:
      return 0;
    case 1:
    case 4:
      return 1;
    case 3:
    case 6:
      return 2;
    default:
      return -1;
  }
}

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
