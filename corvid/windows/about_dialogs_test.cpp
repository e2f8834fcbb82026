#include "corvid/windows/about_dialogs.h"

#include <gtest/gtest.h>

namespace corvid::monitor {
namespace {

TEST(AboutTextTest, ProductAndVersionWithoutAZeroRevision) {
  const std::pair<const char*, const char*> cases[] = {
      {"1.3.3", "Corvid 1.3.3"}, {"1.3.0", "Corvid 1.3"}, {"2.0", "Corvid 2.0"},
      {"1", "Corvid 1.0"},       {"", "Corvid 0.0"},
  };
  for (const auto& [version, text] : cases) EXPECT_EQ(AboutText("Corvid", version), text);
  EXPECT_EQ(AboutText("Corvid", 1, 12, 4), "Corvid 1.12.4");
}

TEST(AboutTextTest, FirmwareLineOfTheIdentity) {
  DeviceIdentity identity;
  EXPECT_EQ(FirmwareLine(identity), "Type: 0  Revision: 0.0");
  identity.module_type = 3;
  identity.firmware_major = 1;
  identity.firmware_minor = 12;
  EXPECT_EQ(FirmwareLine(identity), "Type: 3  Revision: 1.12");
}

}  // namespace
}  // namespace corvid::monitor
