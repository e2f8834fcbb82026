#include "corvid/core/device_types.h"

#include <array>

namespace corvid {
namespace {

constexpr std::array<DeviceType, 6> kDeviceTypes = {{
    {1, kHighVoltageFamily, "VELD-HV", "VELD-HV, 110 Vac power", kHighVoltageFactorBase},
    {2, kLowVoltageFamily, "VELD-LV", "VELD-LV, 48 Vdc power", kLowVoltageFactorBase},
    {3, kVeryHighVoltageFamily, "VELD-VHV", "VELD-VHV, 220 Vac power", kHighVoltageFactorBase},
    {4, kHighVoltageFamily, "KRAN-HV", "KRAN-HV, 110 Vac power", kHighVoltageFactorBase},
    {5, kLowVoltageFamily, "KRAN-LV", "KRAN-LV, 48 Vdc power", kLowVoltageFactorBase},
    {6, kVeryHighVoltageFamily, "KRAN-VHV", "KRAN-VHV, 220 Vac power", kHighVoltageFactorBase},
}};

}  // namespace

const DeviceType* FindDeviceType(int code) {
  for (const DeviceType& type : kDeviceTypes)
    if (type.code == code) return &type;
  return nullptr;
}

int DeviceFamily(int device_type) {
  const DeviceType* type = FindDeviceType(device_type);
  return type ? type->family : -1;
}

}  // namespace corvid
