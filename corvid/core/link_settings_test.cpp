#include "corvid/core/link_settings.h"

#include <gtest/gtest.h>

namespace corvid {
namespace {

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
