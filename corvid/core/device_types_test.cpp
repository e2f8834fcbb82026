#include "corvid/core/device_types.h"

#include <gtest/gtest.h>

#include <optional>

#include "corvid/core/calibration_math.h"
#include "corvid/core/link_settings.h"
#include "corvid/core/response_decoders.h"

namespace corvid {
namespace {

TEST(DeviceTypesTest, EveryFunctionReadsTheSameRow) {
  // Type, family, name, description, voltage factor base, calibration volts and ohms.
  using Row = std::tuple<int, int, std::string_view, std::string_view, std::optional<std::uint16_t>,
                         std::optional<float>, std::optional<float>>;
  for (const Row& c : {
           Row{1, 1, "VELD-HV", "VELD-HV, 110 Vac power", 60681, 110, 55.01f},
           Row{2, 0, "VELD-LV", "VELD-LV, 48 Vdc power", 20336, 48, 26.12f},
           Row{5, 0, "KRAN-LV", "KRAN-LV, 48 Vdc power", 20336, 48, 26.12f},
           Row{6, 2, "KRAN-VHV", "KRAN-VHV, 220 Vac power", 60681, 220, 110.1f},
           Row{7, -1, "Unknown", "<Unknown Device Type>", {}, {}, {}},
       }) {
    const int type = std::get<0>(c);
    EXPECT_EQ(Row(type, DeviceFamily(type), monitor::DeviceTypeName(type),
                  monitor::DeviceDescription(type), calibration::VoltageFactorBaseFor(type),
                  CalibrationSettings{}.VoltageFor(type), CalibrationSettings{}.ResistorFor(type)),
              c);
  }
}

}  // namespace
}  // namespace corvid
