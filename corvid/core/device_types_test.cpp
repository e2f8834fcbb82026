#include "corvid/core/device_types.h"

#include <gtest/gtest.h>

#include <optional>

#include "corvid/core/calibration_math.h"
#include "corvid/core/response_decoders.h"

namespace corvid {
namespace {

TEST(DeviceTypesTest, EveryFunctionReadsTheSameRow) {
  struct Case {
    int type;
    int family;
    const char* name;
    const char* description;
    std::optional<std::uint16_t> voltage_base;
  };
  for (const Case& c : {
           Case{1, 1, "VELD-HV", "VELD-HV, 110 Vac power", 60681},
           Case{2, 0, "VELD-LV", "VELD-LV, 48 Vdc power", 20336},
           Case{3, 2, "VELD-VHV", "VELD-VHV, 220 Vac power", 60681},
           Case{4, 1, "KRAN-HV", "KRAN-HV, 110 Vac power", 60681},
           Case{5, 0, "KRAN-LV", "KRAN-LV, 48 Vdc power", 20336},
           Case{6, 2, "KRAN-VHV", "KRAN-VHV, 220 Vac power", 60681},
           Case{0, -1, "Unknown", "<Unknown Device Type>", std::nullopt},
           Case{7, -1, "Unknown", "<Unknown Device Type>", std::nullopt},
           Case{-1, -1, "Unknown", "<Unknown Device Type>", std::nullopt},
           Case{255, -1, "Unknown", "<Unknown Device Type>", std::nullopt},
       }) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(DeviceFamily(c.type), c.family);
    EXPECT_EQ(monitor::DeviceTypeName(c.type), c.name);
    EXPECT_EQ(monitor::DeviceDescription(c.type), c.description);
    EXPECT_EQ(calibration::VoltageFactorBaseFor(c.type), c.voltage_base);
  }
}

}  // namespace
}  // namespace corvid
