#include "corvid/core/link_settings.h"

#include <gtest/gtest.h>

namespace corvid {
namespace {

TEST(DeviceFamilyTest, SixTypesInThreeFamilies) {
  // LV 0, HV 1, VHV 2; everything else has no family.
  const int expected[] = {-1, 1, 0, 2, 1, 0, 2, -1, -1};
  for (int type = 0; type <= 8; ++type) EXPECT_EQ(DeviceFamily(type), expected[type]) << type;
  EXPECT_EQ(DeviceFamily(-1), -1);
  EXPECT_EQ(DeviceFamily(255), -1);
}

TEST(CalibrationSettingsTest, PairByDeviceType) {
  const CalibrationSettings cal;
  for (int type = 0; type <= 7; ++type) {
    const std::optional<float> volts[] = {{}, 110, 48, 220, 110, 48, 220, {}};
    const std::optional<float> ohms[] = {{}, 55.01f, 26.12f, 110.1f, 55.01f, 26.12f, 110.1f, {}};
    EXPECT_EQ(cal.VoltageFor(type), volts[type]) << type;
    EXPECT_EQ(cal.ResistorFor(type), ohms[type]) << type;
  }
}

}  // namespace
}  // namespace corvid
